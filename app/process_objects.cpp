// The program's process-wide objects, all defined here so that they are
// constructed in this order and destroyed in the reverse one. The download
// manager's destructor waits for every worker that still runs; those workers
// may still report to dialogListener and through dialogThreadCalls, so both
// outlive it (dialogListener has nothing to destroy).
#include "process_objects.h"

#include "hints.h"
#include "host_settings.h"
#include "workflow_state.h"

DialogThreadCalls dialogThreadCalls;
std::wstring installerPath;
DownloadManager downloadManager;
std::string hintBaseUrl = kHintBaseUrl;
std::string hintHostSuffix = kHintHostSuffix;
DialogListener dialogListener;

std::string BuildHintUrl(const std::string& eventName) {
    return BuildHintUrl(hintBaseUrl, eventName, hintHostSuffix);
}

int SendHint(const std::string& eventName) {
    return SendHint(downloadManager, &dialogListener, BuildHintUrl(eventName));
}
