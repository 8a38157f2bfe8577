#include "dialog_listener.h"

#include "workflow.h"
#include "workflow_state.h"

// Each report waits on its worker until the dialog's thread has handled it,
// the user's answer to a message box included. Once the dialog has ended the
// reports change nothing; a progress report is then answered as before, so a
// cancelled transfer stays cancelled.

bool DialogListener::OnDownloadProgress(int id, ULONG current, ULONG maximum) {
    bool cancel = false;
    bool handled = dialogThreadCalls.Run(dialogWindow, [&] { cancel = HandleProgressReport(id, current, maximum); });
    if (!handled) cancel = id == downloadId && cancelRequested;
    return cancel;
}

void DialogListener::OnDownloadComplete(int id) {
    dialogThreadCalls.Run(dialogWindow, [id] { HandleCompleteReport(id); });
}

void DialogListener::OnDownloadError(int id) {
    dialogThreadCalls.Run(dialogWindow, [id] { HandleErrorReport(id); });
}
