// The person's actions, turned into window messages on the thread that owns
// the window, as the system's input and dialog manager do.
#include <chrono>
#include <cstdlib>

#include "window/model.h"

using namespace zanq::ui;
using namespace zanq::ui::model;

namespace {

constexpr UINT kButtonClick = 0x00F5;  // BM_CLICK
constexpr DWORD kDoubleClickTime = 500;
constexpr int kDoubleClickHalfSize = 2;  // the 4 x 4 pixel double-click rectangle

enum class MouseAction { Move, Down, Up };

DWORD Now() {
    auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

bool Contains(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// Dialog still running and taking input; call with Mutex() held.
Window* ActiveDialog(HWND dialog) {
    Window* window = Find(dialog);
    if (!window || window->kind != WindowKind::Dialog || window->ended) return nullptr;
    if (!window->enabledByCaller || window->disabledCount > 0) return nullptr;
    return window;
}

// The topmost control under the point that takes mouse input: statics
// without SS_NOTIFY let it through to what lies below, finally the dialog.
HWND HitTest(Window& dialog, int x, int y) {
    for (HWND child : dialog.children) {
        Window* control = Find(child);
        if (!control || !control->visible || !Contains(control->rect, x, y)) continue;
        if (control->kind == WindowKind::Static && !(control->style & SS_NOTIFY)) continue;
        if (control->style & WS_DISABLED) return nullptr;
        return child;
    }
    return dialog.handle;
}

bool HasDoubleClicks(WindowKind kind) { return kind == WindowKind::Dialog || kind == WindowKind::Button; }

void HandleMouse(HWND dialog, MouseAction action, int x, int y, DWORD time) {
    HWND target = nullptr;
    UINT message = 0;
    WPARAM keys = 0;
    int localX = x, localY = y;
    {
        std::lock_guard lock(Mutex());
        Window* window = ActiveDialog(dialog);
        if (!window) return;
        target = window->mouseCapture ? window->mouseCapture : HitTest(*window, x, y);
        Window* targetWindow = Find(target);
        if (!targetWindow) return;
        if (targetWindow != window) {
            localX -= targetWindow->rect.left;
            localY -= targetWindow->rect.top;
        }
        switch (action) {
        case MouseAction::Move: message = WM_MOUSEMOVE; break;
        case MouseAction::Up:
            message = WM_LBUTTONUP;
            window->leftButtonDown = false;
            window->mouseCapture = nullptr;
            break;
        case MouseAction::Down: {
            bool isDouble = HasDoubleClicks(targetWindow->kind) && !window->lastPressWasDouble &&
                            window->lastPressWindow == target && time - window->lastPressTime <= kDoubleClickTime &&
                            std::abs(x - window->lastPressX) <= kDoubleClickHalfSize &&
                            std::abs(y - window->lastPressY) <= kDoubleClickHalfSize;
            message = isDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
            window->lastPressWasDouble = isDouble;
            window->lastPressWindow = target;
            window->lastPressTime = time;
            window->lastPressX = x;
            window->lastPressY = y;
            window->leftButtonDown = true;
            // A button keeps the mouse until the release.
            if (targetWindow->kind == WindowKind::Button) window->mouseCapture = target;
            break;
        }
        }
        keys = window->leftButtonDown ? MK_LBUTTON : 0;
    }
    CallWindowProcedure(target, message, keys, MAKELPARAM(localX, localY));
}

bool QueueMouse(HWND dialog, MouseAction action, int x, int y, DWORD time) {
    if (time == 0) time = Now();
    return QueueInput(dialog, [=] { HandleMouse(dialog, action, x, y, time); });
}

// Runs `act` on the dialog's thread if the dialog still takes input.
bool QueueDialogAction(HWND dialog, std::function<void()> act) {
    return QueueInput(dialog, [dialog, act = std::move(act)] {
        {
            std::lock_guard lock(Mutex());
            if (!ActiveDialog(dialog)) return;
        }
        act();
    });
}

bool IsAnswerOf(UINT style, int answer) {
    switch (style & MB_TYPEMASK) {
    case MB_OK: return answer == IDOK;
    case MB_OKCANCEL: return answer == IDOK || answer == IDCANCEL;
    case MB_ABORTRETRYIGNORE: return answer == IDABORT || answer == IDRETRY || answer == IDIGNORE;
    case MB_YESNOCANCEL: return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_YESNO: return answer == IDYES || answer == IDNO;
    case MB_RETRYCANCEL: return answer == IDRETRY || answer == IDCANCEL;
    default: return answer == IDCANCEL || answer == 10 || answer == 11;  // cancel, try again, continue
    }
}

}  // namespace

namespace zanq::ui::input {

bool MouseMove(HWND dialog, int x, int y, DWORD time) { return QueueMouse(dialog, MouseAction::Move, x, y, time); }
bool MouseButtonDown(HWND dialog, int x, int y, DWORD time) {
    return QueueMouse(dialog, MouseAction::Down, x, y, time);
}
bool MouseButtonUp(HWND dialog, int x, int y, DWORD time) { return QueueMouse(dialog, MouseAction::Up, x, y, time); }

bool ClickButton(HWND dialog, int controlId) {
    return QueueDialogAction(dialog, [dialog, controlId] {
        HWND button = GetDlgItem(dialog, controlId);
        {
            std::lock_guard lock(Mutex());
            Window* found = Find(button);
            if (!found || found->kind != WindowKind::Button || !found->visible || (found->style & WS_DISABLED)) return;
        }
        CallWindowProcedure(button, kButtonClick, 0, 0);
    });
}

bool RequestClose(HWND dialog) {
    return QueueDialogAction(dialog, [dialog] { CallWindowProcedure(dialog, WM_CLOSE, 0, 0); });
}

bool PressEscape(HWND dialog) {
    return QueueDialogAction(dialog, [dialog] {
        CallWindowProcedure(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                            reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    });
}

bool RequestPaint(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(control);
        if (!found || found->kind != WindowKind::Static) return false;
    }
    return QueueInput(dialog, [dialog, control, controlId] {
        HDC dc = CreatePaintContext();
        LRESULT brush =
            CallWindowProcedure(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        StaticColors colors = ReleasePaintContext(dc, reinterpret_cast<HGDIOBJ>(brush));
        Notify([&](Backend& backend) { backend.ControlPainted(dialog, controlId, colors); });
    });
}

bool AnswerMessageBox(HWND box, int answer) {
    std::shared_ptr<ThreadQueue> thread;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(box);
        if (!found || found->kind != WindowKind::MessageBox || found->answer != 0) return false;
        if (!IsAnswerOf(found->boxStyle, answer)) return false;
        found->answer = answer;
        thread = found->thread;
    }
    Wake(*thread);
    return true;
}

bool Flush(HWND window, std::function<void()> done) { return QueueInput(window, std::move(done), true); }

}  // namespace zanq::ui::input
