// Work handed from worker threads to the dialog's thread: it runs there in
// order while the worker waits, and a worker is let go as soon as the dialog
// has ended, even while the dialog's thread is busy elsewhere.
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "app_fixture.h"
#include "workflow_state.h"

namespace {

using std::chrono::milliseconds;

TEST_F(AppTest, HandedOverWorkRunsOnDialogThreadInOrder) {
    StartProgram();
    std::thread::id dialogThread;
    ASSERT_TRUE(dialogThreadCalls.Run(dialogWindow, [&] { dialogThread = std::this_thread::get_id(); }));
    EXPECT_NE(dialogThread, std::this_thread::get_id());

    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(dialogThreadCalls.Run(dialogWindow, [&, i] {
            EXPECT_EQ(std::this_thread::get_id(), dialogThread);
            order.push_back(i);
        }));
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(AppTest, WaitingWorkerIsReleasedWhenDialogEnds) {
    StartProgram();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> busy{false};

    // The dialog's thread is held inside one piece of work...
    auto holding = std::async(std::launch::async, [&] {
        return dialogThreadCalls.Run(dialogWindow, [&] {
            busy = true;
            released.wait();
        });
    });
    ASSERT_TRUE(ui->WaitUntil([&] { return busy.load(); }));
    // ...so the next one waits, until the dialog ends: then it never runs.
    std::atomic<bool> ran{false};
    auto waiting = std::async(std::launch::async, [&] { return dialogThreadCalls.Run(dialogWindow, [&] { ran = true; }); });
    EXPECT_EQ(waiting.wait_for(milliseconds(100)), std::future_status::timeout);

    dialogThreadCalls.MarkDialogEnded();
    ASSERT_EQ(waiting.wait_for(milliseconds(1000)), std::future_status::ready);
    EXPECT_FALSE(waiting.get());
    // Work that has begun still runs to its end.
    EXPECT_EQ(holding.wait_for(milliseconds(100)), std::future_status::timeout);
    release.set_value();
    EXPECT_TRUE(holding.get());
    EXPECT_FALSE(ran);
    // And nothing handed over later runs either.
    EXPECT_FALSE(dialogThreadCalls.Run(dialogWindow, [&] { ran = true; }));
    EXPECT_FALSE(ran);
}

}  // namespace
