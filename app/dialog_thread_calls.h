// Runs work handed over by worker threads on the dialog's thread, in the
// order in which it arrives. A worker posts a wake-up message to the dialog
// and waits until its work has run there, so window calls, message boxes and
// the end of the dialog all happen on the dialog's own thread while the
// reporting worker is held. Once the dialog has ended, nothing more runs and
// waiting workers are let go: a worker never waits for a thread that no
// longer handles messages.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Posted to the dialog to have it run the pending work.
inline constexpr UINT WM_RUN_DIALOG_CALLS = WM_APP + 1;

class DialogThreadCalls {
public:
    DialogThreadCalls() = default;
    DialogThreadCalls(const DialogThreadCalls&) = delete;
    DialogThreadCalls& operator=(const DialogThreadCalls&) = delete;

    // On a worker thread: runs `work` on the thread of `dialog` and returns
    // true once it has run, or false at once if the dialog has ended (or
    // cannot be reached) before the work began.
    bool Run(HWND dialog, std::function<void()> work);

    // On the dialog's thread, for WM_RUN_DIALOG_CALLS: runs every pending
    // call, oldest first. Work may run message loops of its own (message
    // boxes); calls that arrive meanwhile run inside them.
    void RunPending();

    // On the dialog's thread, when the dialog initialises.
    void MarkDialogStarted();

    // On the dialog's thread, when the dialog ends: drops what is pending and
    // releases the workers waiting for it.
    void MarkDialogEnded();

    bool DialogEnded() const;

private:
    struct Call {
        std::function<void()> work;
        bool started = false;
        bool done = false;
    };

    std::shared_ptr<Call> TakeNext();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Call>> pending_;
    bool dialogEnded_ = false;
};
