// Hints as the workflow sends them: the compiled-in hint service, the one
// download manager and the dialog's listener.
#pragma once

#include <string>

// The hint URL for `eventName`: hintBaseUrl, the event name, hintHostSuffix.
std::string BuildHintUrl(const std::string& eventName);

// Sends the hint for `eventName` through downloadManager, reporting to
// dialogListener; returns the hint's download id. Dialog's thread only.
int SendHint(const std::string& eventName);
