#include "dialog_thread_calls.h"

#include <algorithm>
#include <utility>

bool DialogThreadCalls::Run(HWND dialog, std::function<void()> work) {
    auto call = std::make_shared<Call>();
    call->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        if (dialogEnded_ || dialog == nullptr) return false;
        pending_.push_back(call);
    }
    bool posted = PostMessageW(dialog, WM_RUN_DIALOG_CALLS, 0, 0) != FALSE;

    // A call that has begun always runs to its end; one that has not yet
    // begun is given up when the dialog ends or could not be woken.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return call->done || (!call->started && (dialogEnded_ || !posted)); });
    if (call->done) return true;
    pending_.erase(std::remove(pending_.begin(), pending_.end(), call), pending_.end());
    return false;
}

std::shared_ptr<DialogThreadCalls::Call> DialogThreadCalls::TakeNext() {
    std::lock_guard lock(mutex_);
    if (dialogEnded_ || pending_.empty()) return nullptr;
    auto call = pending_.front();
    pending_.pop_front();
    call->started = true;
    return call;
}

void DialogThreadCalls::RunPending() {
    while (auto call = TakeNext()) {
        call->work();
        std::lock_guard lock(mutex_);
        call->done = true;
        changed_.notify_all();
    }
}

void DialogThreadCalls::MarkDialogStarted() {
    std::lock_guard lock(mutex_);
    dialogEnded_ = false;
}

void DialogThreadCalls::MarkDialogEnded() {
    std::lock_guard lock(mutex_);
    dialogEnded_ = true;
    pending_.clear();
    changed_.notify_all();
}

bool DialogThreadCalls::DialogEnded() const {
    std::lock_guard lock(mutex_);
    return dialogEnded_;
}
