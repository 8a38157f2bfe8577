#include "workflow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "host_settings.h"
#include "process_objects.h"
#include "resource.h"
#include "temp_paths.h"
#include "workflow_state.h"

namespace {

void SetProgressPosition(HWND dialog, int percent) {
    SendMessageW(GetDlgItem(dialog, IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

// Status text, progress bar, Cancel button: always in this order.
void ShowProgressControls(HWND dialog, int showCommand) {
    for (int control : {IDC_STATUS, IDC_PROGRESS, IDC_CANCEL}) {
        ShowWindow(GetDlgItem(dialog, control), showCommand);
    }
}

// Flags first, then the bar, the question, the controls, and the launch on Yes.
void HandleInstallerComplete() {
    HWND dialog = dialogWindow;
    downloading = false;
    downloadComplete = true;
    SetProgressPosition(dialog, 100);
    int answer = MessageBoxW(dialog, kCompletionQuestion, kCompletionTitle, MB_YESNO);
    ShowProgressControls(dialog, SW_HIDE);
    if (answer == IDYES) SendMessageW(dialog, WM_LAUNCH_INSTALLER, 0, 0);
}

// The message first; the flags and the controls only once it is closed.
void HandleInstallerFailure() {
    HWND dialog = dialogWindow;
    MessageBoxW(dialog, kFailureText, kFailureTitle, MB_OK);
    downloading = false;
    downloadComplete = false;
    ShowProgressControls(dialog, SW_HIDE);
}

void StartInstallerDownload() {
    installerPath = MakeInstallerPath();
    cancelRequested = false;
    downloading = true;
    downloadId = downloadManager.AddDownload(kInstallerUrl, installerPath, &dialogListener);
    SendHint(kDownloadStartedHint);  // its id is not needed: its end changes nothing
}

}  // namespace

int ProgressPercent(ULONG current, ULONG maximum) {
    std::uint64_t percent = std::uint64_t{current} * 100u / maximum;
    return static_cast<int>(std::min<std::uint64_t>(percent, 100u));
}

void OnDownloadClicked(HWND dialog) {
    if (downloading) return;
    // A cancelled transfer that has not ended yet still writes the installer's
    // file; a new one into the same file waits until it has ended.
    if (cancelRequested && !downloadComplete) return;

    ShowWindow(GetDlgItem(dialog, IDC_STATUS), SW_SHOW);
    SetProgressPosition(dialog, 0);
    ShowWindow(GetDlgItem(dialog, IDC_PROGRESS), SW_SHOW);
    ShowWindow(GetDlgItem(dialog, IDC_CANCEL), SW_SHOW);

    if (downloadComplete) {
        HandleInstallerComplete();
        return;
    }
    StartInstallerDownload();
}

void OnCancelClicked(HWND dialog) {
    cancelRequested = true;
    downloading = false;
    downloadComplete = false;
    ShowProgressControls(dialog, SW_HIDE);
}

void OnLaunchInstaller() {
    ShellExecuteW(nullptr, kInstallerVerb, installerPath.c_str(), kInstallerArguments, nullptr, SW_SHOWNORMAL);
    launchHintId = SendHint(kInstallerLaunchedHint);
}

void EndDownloadDialog(HWND dialog) {
    EndDialog(dialog, 0);
    dialogThreadCalls.MarkDialogEnded();
}

bool HandleProgressReport(int id, ULONG current, ULONG maximum) {
    if (id != downloadId) return false;
    if (maximum != 0) SetProgressPosition(dialogWindow, ProgressPercent(current, maximum));
    return cancelRequested;
}

void HandleCompleteReport(int id) {
    if (id == launchHintId) EndDownloadDialog(dialogWindow);
    if (id != downloadId) return;
    HandleInstallerComplete();
}

void HandleErrorReport(int id) {
    if (id == launchHintId) EndDownloadDialog(dialogWindow);
    if (id != downloadId) return;
    if (cancelRequested.exchange(false)) return;  // a cancelled transfer ends silently
    HandleInstallerFailure();
}
