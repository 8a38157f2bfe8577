// The seam between the window model (dialogs, controls, messages, message
// boxes, cursors) and what shows it to a person or to a test.
//
// The model calls a Backend's notifications whenever something visible
// changes. They may come from any thread, and never while the model holds a
// lock of its own, so a backend may feed input back into the model from
// inside a notification. A backend must return from a notification promptly
// (it must not wait for the model's threads).
//
// A backend feeds the person's actions into the model with the functions in
// namespace zanq::ui::input. They are thread-safe and asynchronous: each
// queues the action for the thread that owns the window and returns; the
// owning thread's message loop turns it into window messages, exactly as the
// system's input would.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zanq::ui {

// A control of a dialog as created from its template, in pixels of the
// dialog's client area.
struct ControlInfo {
    HWND window = nullptr;
    int id = 0;
    std::wstring className;  // "Static", "Button", "msctls_progress32", ...
    RECT rect{};
    DWORD style = 0;
    DWORD exStyle = 0;
    std::wstring text;
    int imageResourceId = 0;  // SS_BITMAP / SS_ICON statics: the image's resource id; else 0
    bool visible = false;
};

struct DialogInfo {
    HWND window = nullptr;
    HWND owner = nullptr;
    int templateId = 0;
    std::wstring caption;
    DWORD style = 0;
    DWORD exStyle = 0;
    int clientWidth = 0;  // pixels
    int clientHeight = 0;
    std::wstring fontName;
    int fontPointSize = 0;
    std::vector<ControlInfo> controls;  // template order; the first is on top
};

struct MessageBoxInfo {
    HWND box = nullptr;    // the message box's own window
    HWND owner = nullptr;  // the owner passed to MessageBoxW (may be null)
    std::wstring text;
    std::wstring caption;
    UINT style = 0;
};

// What a static control was painted with: the results of the parent's
// WM_CTLCOLORSTATIC on the device context handed to it.
struct StaticColors {
    COLORREF textColor = 0;
    int backgroundMode = OPAQUE;
    COLORREF backgroundColor = 0xFFFFFF;
    HGDIOBJ brush = nullptr;    // what the parent answered (null: default handling)
    int stockBrush = -1;        // GetStockObject index of that brush, -1 when it is no stock object
};

class Backend {
public:
    virtual ~Backend() = default;

    // A dialog was created from its template; not yet visible.
    virtual void DialogCreated(const DialogInfo& dialog) = 0;
    // The dialog became visible (after WM_INITDIALOG) or was hidden.
    virtual void DialogVisibilityChanged(HWND dialog, bool visible) = 0;
    // The modal loop ended with EndDialog's result; the dialog's windows are gone.
    virtual void DialogEnded(HWND dialog, INT_PTR result) = 0;
    // A control was shown or hidden (ShowWindow).
    virtual void ControlVisibilityChanged(HWND dialog, int controlId, bool visible) = 0;
    // A progress bar's position changed (range given for drawing).
    virtual void ProgressChanged(HWND dialog, int controlId, int position, int low, int high) = 0;
    // The dialog was enabled or disabled (disabled while a message box it owns is up).
    virtual void DialogEnabledChanged(HWND dialog, bool enabled) = 0;
    // The icon of the dialog class changed (SetClassLongW with GCL_HICON).
    virtual void ClassIconChanged(HWND dialog, int iconResourceId) = 0;
    // A static control was painted (see input::RequestPaint).
    virtual void ControlPainted(HWND dialog, int controlId, const StaticColors& colors) = 0;
    // Part of a dialog should be drawn again; controlId 0 means all of it.
    virtual void RepaintNeeded(HWND dialog, int controlId) = 0;
    // A message box came up; it stays until answered with input::AnswerMessageBox.
    virtual void MessageBoxOpened(const MessageBoxInfo& box) = 0;
    virtual void MessageBoxClosed(HWND box, int answer) = 0;
    // SetCursor changed the current cursor; cursorId is the IDC_ number (0: none).
    virtual void CursorChanged(int cursorId) = 0;
};

// The backend the model reports to. Chosen once, at the first use of the
// window system, from ZANQ_UI ("headless" or "x11"; without it, "x11" when
// DISPLAY is set) unless one was installed before. If no usable backend
// exists, one line goes to stderr and the process exits with status 3.
Backend& CurrentBackend();
// Makes `backend` the current one (tests, the headless driver). The previous
// one is returned; the model keeps using a backend only while it is current.
std::shared_ptr<Backend> InstallBackend(std::shared_ptr<Backend> backend);
// Chooses the backend from the environment now (the process entry does this
// first thing, so a missing display is reported before the program runs).
void SelectBackendFromEnvironment();

// Backends register a factory under a name, e.g. from a static object in
// their own library; the X11 backend registers "x11". A library that only
// registers must be linked whole (an OBJECT library, or WHOLE_ARCHIVE).
using BackendFactory = std::function<std::shared_ptr<Backend>()>;
void RegisterBackendFactory(const std::string& name, BackendFactory factory);

struct BackendRegistration {
    BackendRegistration(const std::string& name, BackendFactory factory) {
        RegisterBackendFactory(name, std::move(factory));
    }
};

// The person's actions, fed into the model by a backend. Each answers false
// when the window does not exist (any more); the action is queued otherwise.
// Input to a disabled dialog (a message box it owns is up) is dropped by the
// dialog's thread, as the system does.
namespace input {
// Mouse at client coordinates of the dialog; routed to the control under it
// (or to the one that holds the mouse since a press). `time` is the event's
// time in milliseconds (0: now); two presses within 500 ms and 4 pixels on a
// window whose class has CS_DBLCLKS (the dialog's does) make the second one
// a WM_LBUTTONDBLCLK.
bool MouseMove(HWND dialog, int x, int y, DWORD time = 0);
bool MouseButtonDown(HWND dialog, int x, int y, DWORD time = 0);
bool MouseButtonUp(HWND dialog, int x, int y, DWORD time = 0);
// A complete click of a push button (by keyboard or mouse): WM_COMMAND BN_CLICKED.
bool ClickButton(HWND dialog, int controlId);
// The close box, Alt+F4 or Close on the system menu: WM_CLOSE.
bool RequestClose(HWND dialog);
// The Escape key: WM_COMMAND IDCANCEL, as the dialog manager turns it.
bool PressEscape(HWND dialog);
// Paint a static control: its parent is asked for colours with
// WM_CTLCOLORSTATIC on the dialog's thread; Backend::ControlPainted follows.
bool RequestPaint(HWND dialog, int controlId);
// Answer an open message box; false when the box is gone or the answer is
// not one of its buttons (IDOK for MB_OK; IDYES or IDNO for MB_YESNO; ...).
bool AnswerMessageBox(HWND box, int answer);
// Runs `done` on the window's thread once everything queued before it for
// that thread has been handled (a nested modal loop handles it too).
bool Flush(HWND window, std::function<void()> done);
}  // namespace input

// Read-only look at the model, for backends that draw.
std::vector<HWND> OpenDialogs();
bool DescribeDialog(HWND dialog, DialogInfo& info);
// Embedded resources by numeric id (the whole .bmp / .ico file bytes).
bool FindBitmapResource(int id, const unsigned char*& data, std::size_t& size);
bool FindIconResource(int id, const unsigned char*& data, std::size_t& size);

}  // namespace zanq::ui
