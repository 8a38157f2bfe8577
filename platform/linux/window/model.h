// The window model: the windows that exist, the thread that owns each, and
// every thread's queue of sent messages, posted messages and input.
//
// One mutex guards the window table and every window's fields. A queue has
// a mutex of its own; the lock order is the model's, then a queue's. No lock
// is held while a window procedure or a backend notification runs.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "window/backend.h"

namespace zanq::ui::model {

struct ThreadQueue;

struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;  // guarded by the sender's queue mutex
    std::shared_ptr<ThreadQueue> sender;
};

struct PostedMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Input and other work for the thread that owns `window`. A flush marker
// also runs when its window goes away before its turn.
struct InputTask {
    HWND window = nullptr;
    std::function<void()> run;
    bool isFlush = false;
};

struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable wakeup;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<PostedMessage> posted;
    std::deque<InputTask> input;
    bool woken = false;  // a condition that a loop waits for may have changed
};

enum class WindowKind { Dialog, Static, Button, Progress, MessageBox, Unknown };

struct Window {
    HWND handle = nullptr;
    WindowKind kind = WindowKind::Unknown;
    std::shared_ptr<ThreadQueue> thread;
    HWND parent = nullptr;  // controls: their dialog; message boxes: the owner
    int id = 0;
    std::wstring className;
    RECT rect{};  // controls: in the parent's client area; dialogs: client size
    DWORD style = 0;
    DWORD exStyle = 0;
    std::wstring text;
    int imageResourceId = 0;
    bool visible = false;

    // Progress bars.
    int position = 0;
    int rangeLow = 0;
    int rangeHigh = 100;

    // Buttons: pressed by the mouse and not yet released.
    bool pressed = false;

    // Dialogs.
    DLGPROC dialogProc = nullptr;
    int templateId = 0;
    std::wstring fontName;
    int fontPointSize = 0;
    std::vector<HWND> children;  // template order
    bool ended = false;
    INT_PTR result = 0;
    int disabledCount = 0;  // message boxes and modal children it owns
    bool enabledByCaller = true;
    int defaultId = 0;
    HWND mouseCapture = nullptr;
    bool leftButtonDown = false;
    HWND lastPressWindow = nullptr;
    DWORD lastPressTime = 0;
    int lastPressX = 0;
    int lastPressY = 0;
    bool lastPressWasDouble = false;

    // Message boxes.
    HWND owner = nullptr;
    UINT boxStyle = 0;
    int answer = 0;  // 0 until answered
};

std::mutex& Mutex();
// The window behind a handle, or null; call with Mutex() held.
Window* Find(HWND handle);
// Adds a window; its handle is assigned here. Call with Mutex() held.
Window& Add(std::unique_ptr<Window> window);
// Windows of a kind in the order of their creation; call with Mutex() held.
std::vector<HWND> WindowsOfKind(WindowKind kind);
// Removes windows; call with Mutex() held.
void Remove(HWND handle);
// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentThread();

// Sets `woken` and wakes the loop of the queue's thread.
void Wake(ThreadQueue& queue);
// Runs the calling thread's message loop until `finished` answers true:
// sent messages first, then posted messages, then input.
void RunLoopUntil(const std::function<bool()>& finished);
// After windows of this thread were removed: answers messages sent to them
// with 0, drops posted messages and input for them, runs their flush markers.
void DropQueuedFor(const std::vector<HWND>& removed);

// Calls the window's procedure on the calling thread (its owner).
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues an input task for the thread that owns `window`; false if it is gone.
bool QueueInput(HWND window, std::function<void()> run, bool isFlush = false);

// The backend, for notifications (never called with a lock held).
void Notify(const std::function<void(Backend&)>& notification);

// A modal child (dialog or message box) disables its owner while it is up.
void ChangeModalDisable(HWND window, int delta);

// Window procedures of the built-in classes (dialogs.cpp, controls.cpp).
LRESULT DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handle encodings of the objects that are no windows. All fit in 32 bits,
// so a handle survives a trip through a LONG.
inline constexpr ULONG_PTR kSystemCursorTag = 0x10010000u;
inline constexpr ULONG_PTR kSystemIconTag = 0x10020000u;
inline constexpr ULONG_PTR kResourceIconTag = 0x10030000u;
inline constexpr ULONG_PTR kStockObjectTag = 0x30000000u;
inline constexpr ULONG_PTR kTagMask = 0xFFFF0000u;

bool ProgressClassRegistered();
// The number of a MAKEINTRESOURCE name.
inline WORD ResourceNumber(LPCWSTR name) { return static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)); }
// Device contexts handed out while a static control is painted.
HDC CreatePaintContext();
StaticColors ReleasePaintContext(HDC dc, HGDIOBJ brush);

}  // namespace zanq::ui::model
