// The dialog of the program's template, played through the headless
// backend: geometry in pixels, input routing, cursor and static colours.
#include <gtest/gtest.h>

#include "../../app/resource.h"
#include "headless_ui.h"
#include "window_test_dialog.h"

namespace {

using zanq::testing::HeadlessUi;

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(WindowDialogTest, TemplateBecomesPixelsAndIsShownOnlyAfterInitialisation) {
    HeadlessUi ui;
    bool visibleDuringInit = true;
    TestDialog dialog([&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) visibleDuringInit = IsWindowVisible(window) != FALSE;
        return 0;
    });
    ASSERT_TRUE(ui.WaitForDialogShown());
    EXPECT_FALSE(visibleDuringInit);
    EXPECT_EQ(ui.Caption(), L"Download the Zanq Play Bundle");

    // 413 x 185 units at 6 x 13 pixels per 4 x 8 units, rounded.
    EXPECT_EQ(ui.ClientWidth(), 620);
    EXPECT_EQ(ui.ClientHeight(), 301);
    ASSERT_EQ(ui.ControlCount(), 4u);
    struct Expected {
        int id;
        RECT rect;
    };
    const Expected controls[] = {
        {-1, {0, 0, 619, 300}},  // the picture takes its bitmap's size
        {IDC_PROGRESS, {284, 255, 503, 278}},
        {IDC_CANCEL, {509, 255, 584, 278}},
        {IDC_STATUS, {285, 237, 503, 252}},
    };
    for (const Expected& control : controls) {
        auto rect = ui.ControlRect(control.id);
        ASSERT_TRUE(rect) << control.id;
        EXPECT_TRUE(SameRect(*rect, control.rect))
            << control.id << ": " << rect->left << "," << rect->top << "," << rect->right << "," << rect->bottom;
        EXPECT_TRUE(ui.ControlVisible(control.id)) << control.id;
    }
    EXPECT_EQ(ui.ProgressPosition(IDC_PROGRESS), 0);
}

TEST(WindowDialogTest, MouseKeysAndCloseReachTheRightWindow) {
    HeadlessUi ui;
    TestDialog dialog;
    ASSERT_TRUE(ui.WaitForDialogShown());
    dialog.ClearReceived();

    // Statics without SS_NOTIFY let the press through to the dialog, in its
    // client coordinates; the bar takes its own; Cancel turns a click into
    // a command.
    struct Press {
        int x, y;
        std::vector<UINT> dialogGets;
        LPARAM position;
    };
    const Press presses[] = {
        {300, 210, {WM_LBUTTONDOWN, WM_LBUTTONUP}, MAKELPARAM(300, 210)},  // picture
        {290, 245, {WM_LBUTTONDOWN, WM_LBUTTONUP}, MAKELPARAM(290, 245)},  // status text
        {300, 265, {}, 0},                                                 // progress bar
        {520, 265, {WM_COMMAND}, 0},                                       // Cancel
    };
    for (const Press& press : presses) {
        ASSERT_TRUE(ui.Click(press.x, press.y));
        EXPECT_EQ(dialog.ReceivedIds(), press.dialogGets) << press.x << "," << press.y;
        auto received = dialog.Received();
        if (!press.dialogGets.empty() && press.dialogGets[0] == WM_LBUTTONDOWN) {
            EXPECT_EQ(received[0].lParam, press.position);
            EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
        }
        if (!press.dialogGets.empty() && press.dialogGets[0] == WM_COMMAND) {
            EXPECT_EQ(received[0].wParam, MAKEWPARAM(IDC_CANCEL, BN_CLICKED));
            EXPECT_EQ(received[0].lParam, reinterpret_cast<LPARAM>(GetDlgItem(ui.Dialog(), IDC_CANCEL)));
        }
        dialog.ClearReceived();
    }

    // A hidden button takes no click, by mouse or by id.
    ShowWindow(GetDlgItem(ui.Dialog(), IDC_CANCEL), SW_HIDE);
    ASSERT_TRUE(ui.Click(520, 265));
    ASSERT_TRUE(ui.ClickButton(IDC_CANCEL));
    EXPECT_EQ(dialog.ReceivedIds(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    dialog.ClearReceived();

    // The dialog class has CS_DBLCLKS: the second press of a quick pair is a
    // double click; a slower pair is two presses.
    ASSERT_TRUE(ui.DoubleClick(300, 210));
    EXPECT_EQ(dialog.ReceivedIds(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    dialog.ClearReceived();
    ASSERT_TRUE(ui.Click(300, 210));
    ASSERT_TRUE(ui.Click(300, 210));
    EXPECT_EQ(dialog.ReceivedIds(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    dialog.ClearReceived();

    // Escape is the dialog manager's IDCANCEL; the close box is WM_CLOSE,
    // whose default handling also posts IDCANCEL. Neither ends the dialog.
    ASSERT_TRUE(ui.PressEscape());
    ASSERT_TRUE(ui.Close());
    ASSERT_TRUE(ui.Sync());
    auto received = dialog.Received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(received[0].wParam), IDCANCEL);
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(received[2].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(received[2].wParam), IDCANCEL);
    EXPECT_FALSE(ui.DialogEnded());
}

TEST(WindowDialogTest, CursorAndStaticColoursAreObservable) {
    HeadlessUi ui;
    TestDialog dialog([](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_MOUSEMOVE) {
            bool inside = LOWORD(lParam) >= 280 && LOWORD(lParam) <= 395;
            SetCursor(LoadCursorW(nullptr, inside ? IDC_HAND : IDC_ARROW));
        }
        if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_STATUS) {
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        return 0;
    });
    ASSERT_TRUE(ui.WaitForDialogShown());

    ASSERT_TRUE(ui.MouseMove(300, 210));
    EXPECT_EQ(ui.CursorId(), 32649);
    ASSERT_TRUE(ui.MouseMove(10, 10));
    EXPECT_EQ(ui.CursorId(), 32512);

    auto status = ui.PaintStatic(IDC_STATUS);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->textColor, 0xFFFFFFu);
    EXPECT_EQ(status->backgroundMode, TRANSPARENT);
    EXPECT_EQ(status->stockBrush, NULL_BRUSH);

    // Left alone, a static is painted with the context's defaults.
    auto picture = ui.PaintStatic(-1);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->textColor, 0u);
    EXPECT_EQ(picture->backgroundMode, OPAQUE);
    EXPECT_EQ(picture->stockBrush, -1);
}

TEST(WindowDialogTest, ClassIconThenEndFromAnotherThreadLeavesStaleHandles) {
    HeadlessUi ui;
    TestDialog dialog([](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON));
            SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
        }
        return 0;
    });
    ASSERT_TRUE(ui.WaitForDialogShown());
    EXPECT_EQ(ui.ClassIconId(), IDI_APPICON);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(999)), nullptr);
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON2)), nullptr);

    // The 32-bit class long carries the same icon.
    HWND window = ui.Dialog();
    DWORD asLong = GetClassLongW(window, GCL_HICON);
    EXPECT_EQ(static_cast<ULONG_PTR>(asLong), GetClassLongPtrW(window, GCLP_HICON));

    ASSERT_TRUE(ui.Close());
    ASSERT_TRUE(PostMessageW(window, WM_USER, 0, 0));
    EndDialog(window, 3);
    INT_PTR result = 0;
    ASSERT_TRUE(dialog.WaitForResult(result, std::chrono::seconds(3)));
    EXPECT_EQ(result, 3);
    // The ended dialog's handles are stale: calls fail instead of crashing.
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(GetDlgItem(window, IDC_STATUS), nullptr);
    EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageW(window, WM_USER, 0, 0));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_EQ(MessageBoxW(window, L"text", L"title", MB_OK), 0);
}

}  // namespace
