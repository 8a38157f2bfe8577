// The whole engine against a real HTTP server on loopback: every download
// ends in exactly one report, the right one, and its target holds either the
// complete body or what it held before.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <os_faults.h>
#include <string>
#include <thread>

#include "download_manager.h"
#include "loopback_server.h"
#include "recording_listener.h"
#include "scratch_dir.h"
#include "url_service_testing.h"

namespace {

using Clock = std::chrono::steady_clock;
using Names = std::set<std::string>;
using Reports = RecordingListener::Reports;

// Bytes that differ from one position to the next over a long cycle, made
// with few instrumented steps so that sanitizer builds stay quick.
std::string Pattern(size_t size) {
    std::string cycle(4093, 'x');
    for (size_t i = 0; i < cycle.size(); ++i) cycle[i] = static_cast<char>((i * 7) & 0xFF);
    std::string bytes;
    bytes.reserve(size + cycle.size());
    while (bytes.size() < size) bytes += cycle;
    bytes.resize(size);
    return bytes;
}

Reports Sorted(Reports reports) {
    std::sort(reports.begin(), reports.end());
    return reports;
}

class DownloadManagerTest : public testing::Test {
protected:
    DownloadManagerTest() {
        auto& http = server.server();
        http.Get("/body", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "application/octet-stream");
        });
        http.Get("/large", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(large, "application/octet-stream");
        });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        // Announces the whole body, sends half of it, then drops the connection.
        http.Get("/broken", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(body.size(), "application/octet-stream",
                                     [this](size_t, size_t, httplib::DataSink& sink) {
                                         sink.write(body.data(), body.size() / 2);
                                         return false;
                                     });
        });
        // Sends a few bytes, then nothing until the test ends.
        http.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(body.size(), "application/octet-stream",
                                     [this](size_t, size_t, httplib::DataSink& sink) {
                                         sink.write(body.data(), 1000);
                                         stalled.store(true);
                                         while (!released.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                         return false;
                                     });
        });
        server.Start();
    }
    ~DownloadManagerTest() override { released.store(true); }

    const std::string body = Pattern(300 * 1024 + 7);
    const std::string large = Pattern(1536 * 1024);
    std::atomic<bool> stalled{false};
    std::atomic<bool> released{false};
    LoopbackServer server;
    ScratchDir dir;
    RecordingListener listener;
};

TEST_F(DownloadManagerTest, EachDownloadEndsInItsOneReport) {
    {
        DownloadManager manager;
        EXPECT_EQ(manager.AddDownload(server.Url("/body"), dir.Path("a.bin"), &listener), 0);
        EXPECT_EQ(manager.AddDownload(server.Url("/large"), dir.Path("b.bin"), &listener), 1);
        EXPECT_EQ(manager.AddDownload(server.Url("/missing"), dir.Path("c.bin"), &listener), 2);
        EXPECT_EQ(manager.AddDownload(server.Url("/broken"), dir.Path("d.bin"), &listener), 3);
        EXPECT_EQ(Sorted(listener.WaitFor(4)), (Reports{"complete 0", "complete 1", "error 2", "error 3"}));
    }
    EXPECT_EQ(listener.Heard().size(), 4u);
    EXPECT_EQ(dir.Read("a.bin"), body);
    EXPECT_EQ(dir.Read("b.bin"), large);
    EXPECT_EQ(dir.Names(), (Names{"a.bin", "b.bin"}));
}

TEST_F(DownloadManagerTest, FailedRetryKeepsTheEarlierFile) {
    DownloadManager manager;
    manager.AddDownload(server.Url("/body"), dir.Path("t.bin"), &listener);
    ASSERT_EQ(listener.WaitFor(1), Reports{"complete 0"});
    manager.AddDownload(server.Url("/broken"), dir.Path("t.bin"), &listener);
    ASSERT_EQ(listener.WaitFor(2), (Reports{"complete 0", "error 1"}));
    manager.AddDownload(server.Url("/missing"), dir.Path("t.bin"), &listener);
    ASSERT_EQ(listener.WaitFor(3), (Reports{"complete 0", "error 1", "error 2"}));
    EXPECT_EQ(dir.Read("t.bin"), body);
    EXPECT_EQ(dir.Names(), Names{"t.bin"});
}

TEST_F(DownloadManagerTest, CancelByTheListenerRemovesThePartialFile) {
    dir.Write("t.bin", "old");
    listener.onProgress = [](int, ULONG current, ULONG) { return current >= 512 * 1024; };
    DownloadManager manager;
    manager.AddDownload(server.Url("/large"), dir.Path("t.bin"), &listener);
    EXPECT_EQ(listener.WaitFor(1), Reports{"error 0"});
    EXPECT_EQ(dir.Read("t.bin"), "old");
    EXPECT_EQ(dir.Names(), Names{"t.bin"});
}

TEST_F(DownloadManagerTest, WriteFailureEndsInErrorWithTheTargetUntouched) {
    dir.Write("t.bin", "old");
    zanq::testing::OsFaultScope faults;
    zanq::testing::FailNext(zanq::testing::OsCall::WriteFile);
    DownloadManager manager;
    manager.AddDownload(server.Url("/large"), dir.Path("t.bin"), &listener);
    EXPECT_EQ(listener.WaitFor(1), Reports{"error 0"});
    EXPECT_EQ(dir.Read("t.bin"), "old");
    EXPECT_EQ(dir.Names(), Names{"t.bin"});
}

TEST_F(DownloadManagerTest, UnusableUrlOrPathEndsInError) {
    DownloadManager manager;
    manager.AddDownload("", dir.Path("a.bin"), &listener);
    manager.AddDownload(server.Url("/body"), L"", &listener);
    manager.AddDownload(server.Url("/body"), dir.Path("missing/b.bin"), &listener);
    EXPECT_EQ(Sorted(listener.WaitFor(3)), (Reports{"error 0", "error 1", "error 2"}));
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(DownloadManagerTest, DestroyingTheManagerDuringAStallEndsPromptly) {
    // A broken stop would end only at the service's limit for a silent transfer.
    struct ShortTimeouts {
        ShortTimeouts() { SetUrlServiceTimeoutsForTesting(std::chrono::seconds(5), std::chrono::seconds(8)); }
        ~ShortTimeouts() { ResetUrlServiceTimeoutsForTesting(); }
    } timeouts;
    auto manager = std::make_unique<DownloadManager>();
    manager->AddDownload(server.Url("/stall"), dir.Path("t.bin"), &listener);
    // Wait until the first bytes are in the partial file: from then on only
    // progress notifications come.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (dir.Names().empty() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(stalled.load());
    ASSERT_EQ(dir.Names().size(), 1u);

    const auto begin = Clock::now();
    manager.reset();
    // The service reports progress at least once a second even while no byte
    // comes, and the callback answers it with an abort.
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(2500));
    EXPECT_EQ(listener.Heard(), Reports{"error 0"});
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(DownloadManagerTest, ManagerWithoutDownloadsEndsAtOnce) {
    const auto begin = Clock::now();
    { DownloadManager manager; }
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(40));
}

}  // namespace
