#include "worker_thread.h"

#include <utility>

WorkerThread::WorkerThread(Runnable* body) : runnable(body) {}

WorkerThread::~WorkerThread() { Terminate(); }

void WorkerThread::SetParam(std::string name, void* value) {
    if (name.empty()) return;
    params[std::move(name)] = value;
}

void* WorkerThread::GetParam(const std::string& name) const {
    const auto found = params.find(name);
    return found == params.end() ? nullptr : found->second;
}

DWORD WINAPI WorkerThread::ThreadMain(LPVOID self) {
    auto* thread = static_cast<WorkerThread*>(self);
    thread->runnable->Run(thread);
    return 0;
}

void WorkerThread::Start() {
    handle = CreateThread(nullptr, 0, &WorkerThread::ThreadMain, this, 0, nullptr);
}

void WorkerThread::Stop() {
    if (handle == nullptr) return;
    stopFlag.store(true);
    while (IsRunning()) Sleep(kStopPollMilliseconds);
    stopFlag.store(false);
    CloseHandle(handle);
    handle = nullptr;
}

void WorkerThread::Terminate() {
    if (handle == nullptr) return;
    // A thread that has already ended needs no killing, only releasing.
    if (IsRunning()) TerminateThread(handle, 0);
    CloseHandle(handle);
    handle = nullptr;
}

bool WorkerThread::IsRunning() const {
    if (handle == nullptr) return false;
    DWORD exitCode = 0;
    if (!GetExitCodeThread(handle, &exitCode)) exitCode = 0;
    return exitCode == STILL_ACTIVE;
}

bool WorkerThread::StopRequested() const { return stopFlag.load(); }
