// Messages across threads: sent messages run on the window's thread while
// the sender waits and serves what is sent to its own windows; posted
// messages keep their order; message boxes from a worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>

#include "../../app/resource.h"
#include "headless_ui.h"
#include "window_test_dialog.h"

namespace {

using namespace std::chrono_literals;
using zanq::testing::HeadlessUi;

constexpr UINT kAskOther = WM_USER + 10;
constexpr UINT kAskBack = WM_USER + 11;
constexpr UINT kAnswerBack = WM_USER + 12;

// A deadlock would hang the suite; end the process with a message instead.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread([this, limit] {
              std::unique_lock lock(mutex);
              if (!done.wait_for(lock, limit, [this] { return finished; })) {
                  std::fprintf(stderr, "deadlock: the test did not finish in time\n");
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex);
            finished = true;
        }
        done.notify_all();
        thread.join();
    }

private:
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread thread;
};

TEST(WindowMessagesTest, SendsBetweenTwoWaitingThreadsDoNotDeadlock) {
    Watchdog watchdog(10s);
    HeadlessUi ui;
    std::atomic<HWND> second{nullptr};
    std::atomic<LRESULT> answer{0};
    // Thread A asks thread B, whose procedure asks A back while A waits.
    TestDialog first([&](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == kAskOther) answer = SendMessageW(second.load(), kAskBack, 0, 0) + 1;
        return 0;
    });
    ASSERT_TRUE(ui.WaitForDialogShown());
    HWND firstWindow = ui.Dialog();
    TestDialog other([&](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == kAskBack) SendMessageW(firstWindow, kAnswerBack, 0, 0);
        return 0;
    });
    ASSERT_TRUE(ui.WaitUntil([&] { return ui.Dialog() != firstWindow && ui.DialogVisible(); }));
    second = ui.Dialog();

    ASSERT_TRUE(PostMessageW(firstWindow, kAskOther, 0, 0));
    ASSERT_TRUE(ui.WaitUntil([&] { return answer.load() == 1; }));

    auto received = first.Received();
    ASSERT_EQ(first.ReceivedIds().back(), kAnswerBack);
    EXPECT_EQ(received.back().thread, first.Thread());  // served by A while it waited
    EXPECT_EQ(other.ReceivedIds().back(), kAskBack);
    EXPECT_EQ(other.Received().back().thread, other.Thread());
}

TEST(WindowMessagesTest, WorkerSendsRunOnTheDialogThreadAndPostsKeepTheirOrder) {
    HeadlessUi ui;
    TestDialog dialog;
    ASSERT_TRUE(ui.WaitForDialogShown());
    HWND window = ui.Dialog();
    HWND bar = GetDlgItem(window, IDC_PROGRESS);
    dialog.ClearReceived();

    std::thread worker([&] {
        for (UINT i = 0; i < 5; ++i) PostMessageW(window, WM_USER + 20 + i, i, 0);
        SendMessageW(window, WM_USER + 30, 0, 0);
        // The bar: the previous position comes back; 0 to 100 clamps.
        EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 40, 0), 0);
        EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 250, 0), 40);
        EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
    });
    worker.join();
    ASSERT_TRUE(ui.Sync());
    EXPECT_EQ(ui.ProgressPosition(IDC_PROGRESS), 100);

    std::vector<UINT> posted;
    for (const ReceivedMessage& message : dialog.Received()) {
        EXPECT_EQ(message.thread, dialog.Thread());
        if (message.message >= WM_USER + 20 && message.message < WM_USER + 25) posted.push_back(message.message);
    }
    EXPECT_EQ(posted, (std::vector<UINT>{WM_USER + 20, WM_USER + 21, WM_USER + 22, WM_USER + 23, WM_USER + 24}));
    std::vector<UINT> ids = dialog.ReceivedIds();
    EXPECT_NE(std::find(ids.begin(), ids.end(), WM_USER + 30), ids.end());
}

TEST(WindowMessagesTest, EndDialogFromAWorkerEndsTheModalLoop) {
    HeadlessUi ui;
    TestDialog dialog;
    ASSERT_TRUE(ui.WaitForDialogShown());
    HWND window = ui.Dialog();
    std::thread([window] { EXPECT_TRUE(EndDialog(window, 42)); }).join();
    INT_PTR result = 0;
    ASSERT_TRUE(dialog.WaitForResult(result, 3s));
    EXPECT_EQ(result, 42);
    ASSERT_TRUE(ui.WaitForDialogEnded());
    EXPECT_EQ(ui.DialogResult(), 42);
}

TEST(WindowMessagesTest, WorkerMessageBoxIsOwnedModalAndAnsweredByTheUser) {
    HeadlessUi ui;
    TestDialog dialog;
    ASSERT_TRUE(ui.WaitForDialogShown());
    HWND window = ui.Dialog();
    HWND bar = GetDlgItem(window, IDC_PROGRESS);

    std::atomic<int> answer{0};
    std::thread worker([&] { answer = MessageBoxW(window, L"Install now?", L"Done:", MB_YESNO); });
    auto box = ui.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->owner, window);
    EXPECT_EQ(box->text, L"Install now?");
    EXPECT_EQ(box->title, L"Done:");
    EXPECT_EQ(box->style, static_cast<UINT>(MB_YESNO));

    // While the box is up the dialog takes no input, but still serves
    // messages sent to it.
    EXPECT_FALSE(ui.DialogEnabled());
    EXPECT_FALSE(IsWindowEnabled(window));
    dialog.ClearReceived();
    ASSERT_TRUE(ui.Click(300, 210));
    ASSERT_TRUE(ui.Close());
    EXPECT_TRUE(dialog.ReceivedIds().empty());
    EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 70, 0), 0);

    EXPECT_FALSE(ui.AnswerMessageBox(*box, IDOK));  // not one of its buttons
    EXPECT_EQ(answer.load(), 0);
    ASSERT_TRUE(ui.AnswerMessageBox(*box, IDNO));
    worker.join();
    EXPECT_EQ(answer.load(), IDNO);
    EXPECT_TRUE(ui.DialogEnabled());
    EXPECT_EQ(ui.OpenMessageBoxes(), 0);
    EXPECT_FALSE(ui.WaitForMessageBox(50ms));
}

TEST(WindowMessagesTest, MessageBoxOnTheDialogThreadKeepsServingIt) {
    HeadlessUi ui;
    std::atomic<int> answer{0};
    TestDialog dialog([&](HWND window, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_USER + 40) answer = MessageBoxW(window, L"Failed.", L"Oops:", MB_OK);
        return 0;
    });
    ASSERT_TRUE(ui.WaitForDialogShown());
    HWND window = ui.Dialog();
    ASSERT_TRUE(PostMessageW(window, WM_USER + 40, 0, 0));
    auto box = ui.WaitForMessageBox();
    ASSERT_TRUE(box);
    // A worker's send reaches the dialog thread inside the box's loop.
    std::thread([&] { SendMessageW(GetDlgItem(window, IDC_PROGRESS), PBM_SETPOS, 30, 0); }).join();
    EXPECT_EQ(ui.ProgressPosition(IDC_PROGRESS), 30);
    ASSERT_TRUE(ui.AnswerMessageBox(*box, IDOK));
    ASSERT_TRUE(ui.WaitUntil([&] { return answer.load() == IDOK; }));
}

}  // namespace
