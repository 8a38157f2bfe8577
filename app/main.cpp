// The program's entry: runs the download dialog and returns 0 when it ends.
#include <windows.h>
#include <commctrl.h>

#include "command_line.h"
#include "download_dialog.h"
#include "resource.h"
#include "workflow_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine, int /*showCommand*/) {
    appInstance = instance;
    InitCommonControls();
    if (CommandLineRequestsDownload(commandLine)) autoStart = true;
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_DOWNLOAD), nullptr, DownloadDialogProc, 0);
    // Also covers a dialog that could not be created at all.
    dialogThreadCalls.MarkDialogEnded();
    return 0;
}
