#include "x11_backend.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <atomic>
#include <cstdlib>

#include "dialog_window.h"
#include "images.h"
#include "input_focus.h"
#include "message_box_window.h"

namespace zanq::x11 {
namespace {

Fl_Cursor FltkCursorOf(int cursorId) {
    switch (cursorId) {
    case 32649: return FL_CURSOR_HAND;  // IDC_HAND
    case 32513: return FL_CURSOR_INSERT;  // IDC_IBEAM
    case 32514: return FL_CURSOR_WAIT;  // IDC_WAIT
    case 32515: return FL_CURSOR_CROSS;  // IDC_CROSS
    case 32646: return FL_CURSOR_MOVE;  // IDC_SIZEALL
    default: return FL_CURSOR_ARROW;  // IDC_ARROW and anything we have no shape for
    }
}

// The backend whose UI thread runs; stopped at process exit, so that the
// thread is not drawing while the process's static objects are destroyed.
std::atomic<X11Backend*> running{nullptr};

void StopAtExit() {
    if (X11Backend* backend = running.exchange(nullptr)) backend->Stop();
}

// Registered by name; the model asks for it when ZANQ_UI or DISPLAY says so.
const ui::BackendRegistration registration("x11", []() -> std::shared_ptr<ui::Backend> {
    return X11Backend::Start();
});

}  // namespace

std::shared_ptr<X11Backend> X11Backend::Start() {
    auto backend = std::make_shared<X11Backend>();
    X11Backend* self = backend.get();
    self->thread_ = std::thread([self] { self->RunUiThread(); });
    std::unique_lock lock(self->mutex_);
    self->started_.wait(lock, [self] { return self->startState_ != StartState::starting; });
    if (self->startState_ == StartState::failed) {
        lock.unlock();
        self->thread_.join();
        return nullptr;
    }
    lock.unlock();
    if (running.exchange(self) == nullptr) {
        static const bool registered = std::atexit(StopAtExit) == 0;
        (void)registered;
    }
    return backend;
}

X11Backend::~X11Backend() {
    X11Backend* self = this;
    running.compare_exchange_strong(self, nullptr);
    Stop();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

void X11Backend::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || startState_ != StartState::running) return;
        stopping_ = true;
    }
    Fl::awake();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void X11Backend::RunUiThread() {
    Display* display = XOpenDisplay(nullptr);
    if (display != nullptr) {
        // Makes Fl::awake usable from other threads; this thread holds the
        // lock except while it waits for events.
        Fl::lock();
        fl_open_display(display);
    }
    {
        std::lock_guard lock(mutex_);
        startState_ = display != nullptr ? StartState::running : StartState::failed;
    }
    started_.notify_all();
    if (display == nullptr) return;

    while (RunQueuedTasks()) Fl::wait();

    boxes_.clear();
    dialogs_.clear();
    Fl::flush();
    Fl::unlock();
}

void X11Backend::Post(std::function<void()> task) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        // One wake-up per batch: the UI thread takes the whole queue at once.
        wake = tasks_.empty();
        tasks_.push_back(std::move(task));
    }
    if (wake) Fl::awake();
}

bool X11Backend::RunQueuedTasks() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return false;
        batch.swap(tasks_);
    }
    for (auto& task : batch) task();
    return true;
}

DialogWindow* X11Backend::FindDialog(HWND dialog) {
    const auto found = dialogs_.find(dialog);
    return found == dialogs_.end() ? nullptr : found->second.get();
}

void X11Backend::ApplyCursor() {
    for (auto& [handle, window] : dialogs_) window->cursor(FltkCursorOf(cursorId_));
}

void X11Backend::DialogCreated(const ui::DialogInfo& info) {
    Post([this, info] {
        auto window = std::make_unique<DialogWindow>(info);
        dialogs_[info.window] = std::move(window);
    });
}

void X11Backend::DialogVisibilityChanged(HWND dialog, bool visible) {
    Post([this, dialog, visible] {
        DialogWindow* window = FindDialog(dialog);
        if (window == nullptr) return;
        if (visible) {
            window->RequestStaticColors();
            window->ShowCentred();
        } else {
            window->hide();
        }
    });
}

void X11Backend::DialogEnded(HWND dialog, INT_PTR) {
    Post([this, dialog] { dialogs_.erase(dialog); });
}

void X11Backend::ControlVisibilityChanged(HWND dialog, int controlId, bool visible) {
    Post([this, dialog, controlId, visible] {
        if (DialogWindow* window = FindDialog(dialog)) window->SetControlVisible(controlId, visible);
    });
}

void X11Backend::ProgressChanged(HWND dialog, int controlId, int position, int low, int high) {
    Post([this, dialog, controlId, position, low, high] {
        if (DialogWindow* window = FindDialog(dialog)) window->SetProgress(controlId, position, low, high);
    });
}

void X11Backend::DialogEnabledChanged(HWND, bool) {
    // The model drops input to a disabled dialog; the message box that
    // disables it is modal on screen as well.
}

void X11Backend::ClassIconChanged(HWND dialog, int iconResourceId) {
    Post([this, dialog, iconResourceId] {
        DialogWindow* window = FindDialog(dialog);
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        if (window == nullptr || !ui::FindIconResource(iconResourceId, data, size)) return;
        if (auto icon = DecodeLargestIcon(data, size)) window->SetIcon(*icon);
    });
}

void X11Backend::ControlPainted(HWND dialog, int controlId, const ui::StaticColors& colors) {
    Post([this, dialog, controlId, colors] {
        if (DialogWindow* window = FindDialog(dialog)) window->SetStaticColors(controlId, colors);
    });
}

void X11Backend::RepaintNeeded(HWND dialog, int) {
    Post([this, dialog] {
        if (DialogWindow* window = FindDialog(dialog)) window->redraw();
    });
}

void X11Backend::MessageBoxOpened(const ui::MessageBoxInfo& info) {
    Post([this, info] {
        DialogWindow* owner = FindDialog(info.owner);
        auto box = std::make_unique<MessageBoxWindow>(info, owner);
        box->ShowOver(owner);
        boxes_[info.box] = std::move(box);
    });
}

void X11Backend::MessageBoxClosed(HWND box, int) {
    Post([this, box] {
        const auto found = boxes_.find(box);
        if (found == boxes_.end()) return;
        DialogWindow* owner = FindDialog(found->second->owner());
        boxes_.erase(found);
        // As the system does, the owner gets the keyboard back.
        if (owner != nullptr && boxes_.empty()) TakeInputFocus(owner);
    });
}

void X11Backend::CursorChanged(int cursorId) {
    Post([this, cursorId] {
        cursorId_ = cursorId;
        ApplyCursor();
    });
}

}  // namespace zanq::x11
