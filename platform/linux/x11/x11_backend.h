// The window model shown on an X11 display through FLTK 1.3.
//
// One thread of its own, the UI thread, owns the X connection and every FLTK
// object and runs FLTK's event loop; the program's threads never touch FLTK.
// The model's notifications (from any thread) are queued for the UI thread,
// which is woken with Fl::awake and otherwise sleeps in the event loop, so an
// idle dialog uses no CPU. The person's mouse and keys go back to the model
// through zanq::ui::input.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "window/backend.h"

namespace zanq::x11 {

class DialogWindow;
class MessageBoxWindow;

class X11Backend final : public ui::Backend {
public:
    // Connects to the display named by DISPLAY; nothing when there is none.
    static std::shared_ptr<X11Backend> Start();
    ~X11Backend() override;
    // Closes every window and ends the UI thread; later notifications are
    // dropped. Also runs at process exit, before static objects go away.
    void Stop();

    void DialogCreated(const ui::DialogInfo& dialog) override;
    void DialogVisibilityChanged(HWND dialog, bool visible) override;
    void DialogEnded(HWND dialog, INT_PTR result) override;
    void ControlVisibilityChanged(HWND dialog, int controlId, bool visible) override;
    void ProgressChanged(HWND dialog, int controlId, int position, int low, int high) override;
    void DialogEnabledChanged(HWND dialog, bool enabled) override;
    void ClassIconChanged(HWND dialog, int iconResourceId) override;
    void ControlPainted(HWND dialog, int controlId, const ui::StaticColors& colors) override;
    void RepaintNeeded(HWND dialog, int controlId) override;
    void MessageBoxOpened(const ui::MessageBoxInfo& box) override;
    void MessageBoxClosed(HWND box, int answer) override;
    void CursorChanged(int cursorId) override;

    X11Backend() = default;  // use Start()
    X11Backend(const X11Backend&) = delete;
    X11Backend& operator=(const X11Backend&) = delete;

private:
    // Queues `task` for the UI thread and wakes it.
    void Post(std::function<void()> task);
    void RunUiThread();
    bool RunQueuedTasks();  // false once asked to stop
    DialogWindow* FindDialog(HWND dialog);
    void ApplyCursor();

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable started_;
    enum class StartState { starting, running, failed } startState_ = StartState::starting;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;

    // UI thread only.
    std::map<HWND, std::unique_ptr<DialogWindow>> dialogs_;
    std::map<HWND, std::unique_ptr<MessageBoxWindow>> boxes_;
    int cursorId_ = 0;
};

}  // namespace zanq::x11
