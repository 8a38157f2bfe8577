// The window table, the threads' queues and their message loops, and the
// sending and posting of messages.
#include "window/model.h"

#include <algorithm>

namespace zanq::ui::model {
namespace {

struct Table {
    std::mutex mutex;
    std::map<ULONG_PTR, std::unique_ptr<Window>> windows;
    ULONG_PTR nextHandle = 0x00010004u;
};

// Never destroyed: worker threads may still call in while the process exits.
Table& TheTable() {
    static Table* table = new Table;
    return *table;
}

thread_local std::shared_ptr<ThreadQueue> currentThread;

ULONG_PTR Key(HWND handle) { return reinterpret_cast<ULONG_PTR>(handle); }

void Complete(SentMessage& sent, LRESULT result) {
    ThreadQueue& sender = *sent.sender;
    {
        std::lock_guard lock(sender.mutex);
        sent.result = result;
        sent.done = true;
    }
    sender.wakeup.notify_all();
}

void Deliver(const std::shared_ptr<SentMessage>& sent) {
    LRESULT result = CallWindowProcedure(sent->window, sent->message, sent->wParam, sent->lParam);
    Complete(*sent, result);
}

}  // namespace

std::mutex& Mutex() { return TheTable().mutex; }

Window* Find(HWND handle) {
    if (!handle) return nullptr;
    auto& windows = TheTable().windows;
    auto found = windows.find(Key(handle));
    return found == windows.end() ? nullptr : found->second.get();
}

Window& Add(std::unique_ptr<Window> window) {
    Table& table = TheTable();
    window->handle = reinterpret_cast<HWND>(table.nextHandle);
    // Handles are never reused, so a stale one is simply not found.
    table.nextHandle += 4;
    Window& added = *window;
    table.windows.emplace(Key(added.handle), std::move(window));
    return added;
}

std::vector<HWND> WindowsOfKind(WindowKind kind) {
    std::vector<HWND> found;
    // The table is ordered by handle, that is by creation.
    for (auto& [key, window] : TheTable().windows) {
        if (window->kind == kind) found.push_back(window->handle);
    }
    return found;
}

void Remove(HWND handle) { TheTable().windows.erase(Key(handle)); }

std::shared_ptr<ThreadQueue> CurrentThread() {
    if (!currentThread) currentThread = std::make_shared<ThreadQueue>();
    return currentThread;
}

void Wake(ThreadQueue& queue) {
    {
        std::lock_guard lock(queue.mutex);
        queue.woken = true;
    }
    queue.wakeup.notify_all();
}

void RunLoopUntil(const std::function<bool()>& finished) {
    std::shared_ptr<ThreadQueue> queue = CurrentThread();
    for (;;) {
        if (finished()) return;
        std::unique_lock lock(queue->mutex);
        if (!queue->sent.empty()) {
            auto sent = std::move(queue->sent.front());
            queue->sent.pop_front();
            lock.unlock();
            Deliver(sent);
        } else if (!queue->posted.empty()) {
            PostedMessage posted = queue->posted.front();
            queue->posted.pop_front();
            lock.unlock();
            CallWindowProcedure(posted.window, posted.message, posted.wParam, posted.lParam);
        } else if (!queue->input.empty()) {
            InputTask task = std::move(queue->input.front());
            queue->input.pop_front();
            lock.unlock();
            task.run();
        } else if (queue->woken) {
            queue->woken = false;
        } else {
            queue->wakeup.wait(lock);
        }
    }
}

void DropQueuedFor(const std::vector<HWND>& removed) {
    auto isRemoved = [&](HWND window) { return std::find(removed.begin(), removed.end(), window) != removed.end(); };
    std::shared_ptr<ThreadQueue> queue = CurrentThread();
    std::vector<std::shared_ptr<SentMessage>> unanswered;
    std::vector<InputTask> flushes;
    {
        std::lock_guard lock(queue->mutex);
        for (auto it = queue->sent.begin(); it != queue->sent.end();) {
            if (isRemoved((*it)->window)) {
                unanswered.push_back(std::move(*it));
                it = queue->sent.erase(it);
            } else {
                ++it;
            }
        }
        std::erase_if(queue->posted, [&](const PostedMessage& posted) { return isRemoved(posted.window); });
        for (auto it = queue->input.begin(); it != queue->input.end();) {
            if (isRemoved(it->window)) {
                if (it->isFlush) flushes.push_back(std::move(*it));
                it = queue->input.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& sent : unanswered) Complete(*sent, 0);
    for (auto& flush : flushes) flush.run();
}

LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowKind kind;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(window);
        if (!found) return 0;
        kind = found->kind;
    }
    switch (kind) {
    case WindowKind::Dialog: return DialogProcedure(window, message, wParam, lParam);
    case WindowKind::MessageBox: return 0;
    default: return ControlProcedure(window, message, wParam, lParam);
    }
}

bool QueueInput(HWND window, std::function<void()> run, bool isFlush) {
    std::shared_ptr<ThreadQueue> owner;
    {
        std::lock_guard lock(Mutex());
        Window* found = Find(window);
        if (!found) return false;
        owner = found->thread;
        // Queued under the model's lock, so that a removal of the window
        // (also under it) is followed by a DropQueuedFor that sees the task.
        std::lock_guard queueLock(owner->mutex);
        owner->input.push_back(InputTask{window, std::move(run), isFlush});
    }
    owner->wakeup.notify_all();
    return true;
}

}  // namespace zanq::ui::model

using namespace zanq::ui::model;

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> self = CurrentThread();
    std::shared_ptr<SentMessage> sent;
    std::shared_ptr<ThreadQueue> owner;
    {
        std::lock_guard lock(Mutex());
        Window* window = Find(hWnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        owner = window->thread;
        if (owner != self) {
            sent = std::make_shared<SentMessage>(SentMessage{hWnd, Msg, wParam, lParam, 0, false, self});
            std::lock_guard queueLock(owner->mutex);
            owner->sent.push_back(sent);
        }
    }
    if (!sent) return CallWindowProcedure(hWnd, Msg, wParam, lParam);
    owner->wakeup.notify_all();

    // While waiting, serve what other threads send to this thread's windows,
    // so that two threads that send to each other do not deadlock.
    std::unique_lock lock(self->mutex);
    while (!sent->done) {
        if (!self->sent.empty()) {
            auto incoming = std::move(self->sent.front());
            self->sent.pop_front();
            lock.unlock();
            Deliver(incoming);
            lock.lock();
        } else {
            self->wakeup.wait(lock);
        }
    }
    return sent->result;
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> owner;
    {
        std::lock_guard lock(Mutex());
        if (hWnd) {
            Window* window = Find(hWnd);
            if (!window) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            owner = window->thread;
        } else {
            owner = CurrentThread();  // a thread message; no window handles it
        }
        std::lock_guard queueLock(owner->mutex);
        owner->posted.push_back(PostedMessage{hWnd, Msg, wParam, lParam});
    }
    owner->wakeup.notify_all();
    return TRUE;
}
