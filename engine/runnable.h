// Something a WorkerThread runs once, on the thread it starts.
#pragma once

class WorkerThread;

class Runnable {
public:
    virtual ~Runnable() = default;

    // Runs on the worker thread; `thread` is the WorkerThread executing it.
    virtual void Run(WorkerThread* thread) = 0;
};
