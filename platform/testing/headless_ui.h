// Plays the user against the headless window backend, in the same process.
//
// A test creates one HeadlessUi (it installs the headless backend), starts
// the program's WinMain or a DialogBoxParamW on a thread of its own, and acts
// and observes from the test's thread:
//
//     zanq::testing::HeadlessUi ui;
//     std::thread program([] { WinMain(GetModuleHandleW(nullptr), nullptr, cmdLine, SW_SHOWDEFAULT); });
//     ASSERT_TRUE(ui.WaitForDialogShown());
//     ui.MouseDown(300, 210);
//     auto box = ui.WaitForMessageBox();
//     ASSERT_TRUE(box);
//     ui.AnswerMessageBox(*box, IDNO);
//     ui.Close();
//     ASSERT_TRUE(ui.WaitForDialogEnded());
//     program.join();
//
// Every wait has a timeout, so a broken program fails the test instead of
// hanging it. The actions act on the current dialog (the last one shown) and
// return once that dialog's thread has handled them (or has entered a
// nested modal loop, such as a message box, while handling them); they
// answer false when there is no dialog or the timeout passed.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zanq::testing {

using std::chrono::milliseconds;
inline constexpr milliseconds kUiTimeout{3000};

struct SeenMessageBox {
    HWND box = nullptr;
    HWND owner = nullptr;
    std::wstring text;
    std::wstring title;
    UINT style = 0;
};

struct SeenStaticColors {
    COLORREF textColor = 0;
    int backgroundMode = 0;  // TRANSPARENT (1) or OPAQUE (2)
    int stockBrush = -1;     // GetStockObject index of the answered brush (NULL_BRUSH = 5); -1 otherwise
};

class HeadlessUi {
public:
    // Installs a fresh headless backend for the process; the destructor puts
    // back the one that was there before (or a quiet headless one, if none).
    HeadlessUi();
    ~HeadlessUi();
    HeadlessUi(const HeadlessUi&) = delete;
    HeadlessUi& operator=(const HeadlessUi&) = delete;

    // Dialog life.
    bool WaitForDialogShown(milliseconds timeout = kUiTimeout);
    bool WaitForDialogEnded(milliseconds timeout = kUiTimeout);
    HWND Dialog() const;                      // the current dialog, null before the first
    bool DialogVisible() const;
    bool DialogEnded() const;
    std::optional<INT_PTR> DialogResult() const;  // set once the dialog ended

    // The user's actions on the current dialog, at client coordinates.
    bool MouseMove(int x, int y, milliseconds timeout = kUiTimeout);
    bool MouseDown(int x, int y, milliseconds timeout = kUiTimeout);
    bool MouseUp(int x, int y, milliseconds timeout = kUiTimeout);
    // Presses far enough apart in time never make a double click; these do.
    bool Click(int x, int y, milliseconds timeout = kUiTimeout);        // down and up
    bool DoubleClick(int x, int y, milliseconds timeout = kUiTimeout);  // two clicks within 150 ms
    bool ClickButton(int controlId, milliseconds timeout = kUiTimeout);
    bool Close(milliseconds timeout = kUiTimeout);
    bool PressEscape(milliseconds timeout = kUiTimeout);
    // Waits until the dialog's thread has handled everything queued so far.
    bool Sync(milliseconds timeout = kUiTimeout);

    // Message boxes, in the order they came up. WaitForMessageBox answers
    // the oldest box that is open and has not been returned before.
    std::optional<SeenMessageBox> WaitForMessageBox(milliseconds timeout = kUiTimeout);
    // False when the box is gone or the answer is not one of its buttons.
    bool AnswerMessageBox(const SeenMessageBox& box, int answer);
    int OpenMessageBoxes() const;
    bool DialogEnabled() const;  // false while a message box it owns is up

    // Observation of the current dialog.
    bool ControlVisible(int controlId) const;
    std::optional<RECT> ControlRect(int controlId) const;
    std::size_t ControlCount() const;
    int ClientWidth() const;
    int ClientHeight() const;
    int ProgressPosition(int controlId) const;  // -1 when unknown
    int CursorId() const;                       // IDC_ number of the current cursor; 0 when none was set
    int ClassIconId() const;                    // resource id of the class icon; 0 when none
    std::wstring Caption() const;
    // Paints the static control (WM_CTLCOLORSTATIC to its parent) and
    // answers the colours it was painted with.
    std::optional<SeenStaticColors> PaintStatic(int controlId, milliseconds timeout = kUiTimeout);

    // Waits until `condition` holds; it is checked after every change the
    // backend sees and at least every 20 ms.
    bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout = kUiTimeout) const;

private:
    struct State;
    std::shared_ptr<State> state;
};

}  // namespace zanq::testing
