#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "worker_thread.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Records what its thread sees; optionally keeps running until asked to stop.
class Probe final : public Runnable {
public:
    explicit Probe(bool keepRunning) : untilStopped(keepRunning) {}

    void Run(WorkerThread* thread) override {
        param.store(thread->GetParam("value"));
        started.store(true);
        if (!untilStopped) return;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!thread->StopRequested() && Clock::now() < deadline) std::this_thread::sleep_for(milliseconds(1));
        sawStop.store(thread->StopRequested());
    }

    const bool untilStopped;
    std::atomic<bool> started{false};
    std::atomic<bool> sawStop{false};
    std::atomic<void*> param{nullptr};
};

TEST(WorkerThreadTest, StopOnANeverStartedThreadReturnsAtOnce) {
    Probe probe(true);
    WorkerThread thread(&probe);
    const auto begin = Clock::now();
    thread.Stop();
    EXPECT_LT(Clock::now() - begin, milliseconds(40));
    EXPECT_FALSE(thread.StopRequested());
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_FALSE(probe.started.load());
}

TEST(WorkerThreadTest, StopOnAnEndedThreadDoesNotSleep) {
    Probe probe(false);
    WorkerThread thread(&probe);
    int value = 0;
    thread.SetParam("value", &value);
    thread.Start();
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (thread.IsRunning() && Clock::now() < deadline) std::this_thread::sleep_for(milliseconds(1));
    ASSERT_FALSE(thread.IsRunning());
    EXPECT_EQ(probe.param.load(), &value);

    const auto begin = Clock::now();
    thread.Stop();
    EXPECT_LT(Clock::now() - begin, milliseconds(WorkerThread::kStopPollMilliseconds));
    EXPECT_FALSE(thread.IsRunning());
    // Without a handle, further stops and kills do nothing.
    thread.Stop();
    thread.Terminate();
    EXPECT_FALSE(thread.IsRunning());
}

TEST(WorkerThreadTest, StopRaisesTheFlagWhileItWaits) {
    Probe probe(true);
    WorkerThread thread(&probe);
    thread.Start();
    while (!probe.started.load()) std::this_thread::sleep_for(milliseconds(1));
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.StopRequested());

    const auto begin = Clock::now();
    thread.Stop();
    EXPECT_TRUE(probe.sawStop.load());
    EXPECT_LT(Clock::now() - begin, milliseconds(2 * WorkerThread::kStopPollMilliseconds + 100));
    EXPECT_FALSE(thread.StopRequested());
    EXPECT_FALSE(thread.IsRunning());
}

TEST(WorkerThreadTest, Params) {
    Probe probe(false);
    WorkerThread thread(&probe);
    int first = 1;
    int second = 2;
    thread.SetParam("", &first);
    EXPECT_EQ(thread.GetParam(""), nullptr);
    EXPECT_EQ(thread.GetParam("value"), nullptr);
    thread.SetParam("value", &first);
    thread.SetParam("value", &second);
    thread.SetParam("other", &first);
    EXPECT_EQ(thread.GetParam("value"), &second);
    EXPECT_EQ(thread.GetParam("other"), &first);
    EXPECT_EQ(thread.GetParam("Value"), nullptr);
}

}  // namespace
