// A program with the dialog of the program's template whose procedure asks
// a question on a press and ends on close: the headless line protocol's
// counterpart in the protocol test.
#include <windows.h>
#include <commctrl.h>

#include "../../app/resource.h"

namespace {

INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        SetCursor(LoadCursorW(nullptr, LOWORD(lParam) > 100 ? IDC_HAND : IDC_ARROW));
        if (MessageBoxW(window, L"Go on?", L"Question:", MB_YESNO) == IDYES) ShowWindow(GetDlgItem(window, IDC_CANCEL), SW_HIDE);
        return 0;
    case WM_CLOSE: EndDialog(window, 9); return 0;
    default: return 0;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_DOWNLOAD), nullptr, Procedure, 0));
}
