#include "download_dialog.h"

#include "dialog_thread_calls.h"
#include "resource.h"
#include "workflow.h"
#include "workflow_state.h"

namespace {

constexpr COLORREF kStaticTextColour = RGB(255, 255, 255);

void SetCursorForPosition(LPARAM position) {
    SetCursor(LoadCursorW(nullptr, IsInsideHotSpot(position) ? IDC_HAND : IDC_ARROW));
}

INT_PTR OnInitDialog(HWND window) {
    dialogWindow = window;
    dialogThreadCalls.MarkDialogStarted();
    HICON icon = LoadIconW(appInstance, MAKEINTRESOURCEW(IDI_APPICON));
    SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    for (int control : {IDC_STATUS, IDC_PROGRESS, IDC_CANCEL}) {
        ShowWindow(GetDlgItem(window, control), SW_HIDE);
    }
    downloading = false;
    if (autoStart) {
        // A press on the hot spot's top-left pixel, handled before the
        // dialog is first shown.
        SendMessageW(window, WM_LBUTTONDOWN, 0, MAKELPARAM(kHotSpotLeft, kHotSpotTop));
    }
    return FALSE;  // no keyboard focus
}

INT_PTR OnClose(HWND window) {
    EndDownloadDialog(window);
    return FALSE;
}

INT_PTR OnCommand(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == IDC_CANCEL) OnCancelClicked(window);
    return FALSE;
}

INT_PTR OnCtlColorStatic(HDC hdc) {
    SetTextColor(hdc, kStaticTextColour);
    SetBkMode(hdc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

INT_PTR OnMouseMoveOrRelease(LPARAM position) {
    SetCursorForPosition(position);
    return FALSE;
}

INT_PTR OnLeftButtonDown(HWND window, LPARAM position) {
    SetCursorForPosition(position);
    if (IsInsideHotSpot(position)) OnDownloadClicked(window);
    return FALSE;
}

INT_PTR OnLaunchMessage() {
    OnLaunchInstaller();
    return FALSE;
}

INT_PTR OnRunDialogCalls() {
    dialogThreadCalls.RunPending();
    return FALSE;
}

}  // namespace

bool IsInsideHotSpot(LPARAM position) {
    unsigned x = LOWORD(position);
    unsigned y = HIWORD(position);
    return x >= kHotSpotLeft && x <= kHotSpotRight && y >= kHotSpotTop && y <= kHotSpotBottom;
}

INT_PTR CALLBACK DownloadDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(window);
    case WM_CLOSE: return OnClose(window);
    case WM_COMMAND: return OnCommand(window, wParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: return OnMouseMoveOrRelease(lParam);
    case WM_LBUTTONDOWN: return OnLeftButtonDown(window, lParam);
    case WM_LAUNCH_INSTALLER: return OnLaunchMessage();
    case WM_RUN_DIALOG_CALLS: return OnRunDialogCalls();
    default: return FALSE;
    }
}
