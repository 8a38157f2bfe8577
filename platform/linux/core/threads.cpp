// Threads run as detached system threads. Their state is shared between the
// handle and the running thread, so closing the handle of a running thread
// is safe: the state lives until both are done with it.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/fault_points.h"
#include "core/handles.h"

namespace zanq::os {
namespace {

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

struct ThreadState {
    std::mutex mutex;
    std::condition_variable ended;
    DWORD exitCode = STILL_ACTIVE;
    bool finished = false;
};

class ThreadObject : public HandleObject {
public:
    static constexpr Kind kKind = Kind::Thread;
    explicit ThreadObject(std::shared_ptr<ThreadState> state) : HandleObject(kKind), state_(std::move(state)) {}
    ThreadState& state() { return *state_; }

private:
    std::shared_ptr<ThreadState> state_;
};

void RunThread(const std::shared_ptr<ThreadState>& state, DWORD id, LPTHREAD_START_ROUTINE routine,
               LPVOID parameter) {
    currentThreadId = id;
    const DWORD exitCode = routine(parameter);
    std::lock_guard lock(state->mutex);
    state->exitCode = exitCode;
    state->finished = true;
    state->ended.notify_all();
}

}  // namespace
}  // namespace zanq::os

using namespace zanq::os;

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (InjectedFailure(zanq::testing::OsCall::CreateThread)) return nullptr;
    if (lpStartAddress == nullptr || (dwCreationFlags & CREATE_SUSPENDED) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto state = std::make_shared<ThreadState>();
    const DWORD id = nextThreadId.fetch_add(1);
    const HANDLE handle = RegisterHandle(std::make_shared<ThreadObject>(state));
    try {
        std::thread(RunThread, state, id, lpStartAddress, lpParameter).detach();
    } catch (const std::system_error&) {
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpThreadId != nullptr) *lpThreadId = id;
    return handle;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    const auto thread = LookUp<ThreadObject>(hThread);
    if (!thread) return FALSE;
    if (lpExitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(thread->state().mutex);
    *lpExitCode = thread->state().exitCode;
    return TRUE;
}

BOOL WINAPI TerminateThread(HANDLE hThread, DWORD) {
    const auto thread = LookUp<ThreadObject>(hThread);
    if (!thread) return FALSE;
    std::lock_guard lock(thread->state().mutex);
    if (thread->state().finished) return TRUE;
    // Killing it could leave locks held and memory half-written; it goes on
    // to its end by itself, and its state outlives the handle.
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    const auto thread = LookUp<ThreadObject>(hHandle);
    if (!thread) return WAIT_FAILED;
    auto& state = thread->state();
    std::unique_lock lock(state.mutex);
    const auto hasEnded = [&state] { return state.finished; };
    if (dwMilliseconds == INFINITE) {
        state.ended.wait(lock, hasEnded);
        return WAIT_OBJECT_0;
    }
    return state.ended.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), hasEnded) ? WAIT_OBJECT_0
                                                                                            : WAIT_TIMEOUT;
}

void WINAPI Sleep(DWORD dwMilliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds)); }

DWORD WINAPI GetCurrentThreadId() {
    if (currentThreadId == 0) currentThreadId = nextThreadId.fetch_add(1);
    return currentThreadId;
}
