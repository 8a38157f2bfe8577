// One OS thread that runs one Runnable once, with a cooperative stop flag
// and named parameters handed from the creator to the thread's body.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>

#include "runnable.h"

class WorkerThread {
public:
    // How long Stop sleeps between two looks at the thread.
    static constexpr DWORD kStopPollMilliseconds = 50;

    explicit WorkerThread(Runnable* body);
    virtual ~WorkerThread();

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Set before Start; an empty name is ignored, a second value replaces the first.
    void SetParam(std::string name, void* value);
    // The value stored under `name`, or null.
    void* GetParam(const std::string& name) const;

    // Creates the OS thread; it runs at once. Called once per object.
    void Start();
    // Raises the stop flag and waits, with no time limit, until the thread
    // has ended; then releases it. Does nothing without a thread.
    void Stop();
    // Kills the thread without waiting and releases it.
    void Terminate();

    bool IsRunning() const;
    // True while Stop waits for this thread: its body should wind up.
    bool StopRequested() const;

private:
    static DWORD WINAPI ThreadMain(LPVOID self);

    Runnable* runnable;
    std::atomic<bool> stopFlag{false};
    HANDLE handle = nullptr;
    std::map<std::string, void*> params;
};
