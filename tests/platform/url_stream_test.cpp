// The URL stream service against real servers on loopback: notification
// order, exact bodies, abandoning a transfer, how data is batched, and
// several transfers at once.
#include <gtest/gtest.h>
#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "loopback_server.h"
#include "raw_socket_server.h"
#include "recording_bind_callback.h"
#include "url_service_testing.h"
#include "url_stream_test_support.h"

namespace {

using namespace std::chrono_literals;
using Kind = BindNotification::Kind;

void ServeChunked(httplib::Server& server, const std::string& path, std::string body) {
    server.Get(path, [body](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("application/octet-stream",
                                              [body](std::size_t offset, httplib::DataSink& sink) {
                                                  if (offset >= body.size()) {
                                                      sink.done();
                                                      return true;
                                                  }
                                                  const std::size_t n = std::min<std::size_t>(64 * 1024, body.size() - offset);
                                                  return sink.write(body.data() + offset, n);
                                              });
    });
}

void Serve(httplib::Server& server, const std::string& path, std::string body) {
    server.Get(path, [body](const httplib::Request&, httplib::Response& response) {
        response.set_content(body, "application/octet-stream");
    });
}

// Never ends: 64 KiB chunks until the client goes away.
void ServeEndless(httplib::Server& server, const std::string& path) {
    server.Get(path, [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("application/octet-stream", [](std::size_t, httplib::DataSink& sink) {
            static const std::string block(64 * 1024, 'x');
            return sink.write(block.data(), block.size());
        });
    });
}

struct BodyCase {
    const char* name;
    std::string path;
    std::size_t size;
    bool chunked;
};

TEST_F(UrlStreamTest, DeliversBodiesExactlyWithTheStagesInOrder) {
    LoopbackServer loopback;
    const std::vector<BodyCase> cases = {
        {"empty", "/empty", 0, false},
        {"small", "/small", 5, false},
        {"3 MiB with length", "/large", 3 * 1024 * 1024 + 17, false},
        {"3 MiB chunked", "/chunked", 3 * 1024 * 1024 + 17, true},
        {"empty chunked", "/empty-chunked", 0, true},
    };
    for (const auto& c : cases) {
        if (c.chunked) {
            ServeChunked(loopback.server(), c.path, PatternBody(c.size));
        } else {
            Serve(loopback.server(), c.path, PatternBody(c.size));
        }
    }
    loopback.Start();

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBindCallback callback;
        const HRESULT result = Fetch(loopback.Url(c.path), callback);
        EXPECT_EQ(result, S_OK);
        ExpectWellFormed(callback, result);
        EXPECT_TRUE(callback.body == PatternBody(c.size)) << "body of " << callback.body.size() << " bytes";

        const auto statuses = callback.Statuses();
        const std::vector<ULONG> opening = {BINDSTATUS_FINDINGRESOURCE, BINDSTATUS_CONNECTING,
                                            BINDSTATUS_SENDINGREQUEST, BINDSTATUS_MIMETYPEAVAILABLE,
                                            BINDSTATUS_BEGINDOWNLOADDATA};
        ASSERT_GE(statuses.size(), opening.size() + 1);
        EXPECT_TRUE(std::equal(opening.begin(), opening.end(), statuses.begin()));
        EXPECT_EQ(statuses.back(), static_cast<ULONG>(BINDSTATUS_ENDDOWNLOADDATA));

        const auto progress = callback.Of(Kind::Progress);
        EXPECT_EQ(progress.back().progress, c.size);
        EXPECT_EQ(progress.back().maximum, c.chunked ? 0u : c.size);
        const auto data = callback.Of(Kind::Data);
        ASSERT_FALSE(data.empty());
        EXPECT_NE(data.front().flags & BSCF_FIRSTDATANOTIFICATION, 0u);
        EXPECT_EQ(data.back().size, c.size);
        if (c.size == 0) {
            EXPECT_EQ(data.size(), 1u);
            EXPECT_EQ(data[0].flags & (BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION),
                      static_cast<DWORD>(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION));
        }
    }
}

TEST_F(UrlStreamTest, FollowsRedirectsAndReportsThem) {
    LoopbackServer loopback;
    Serve(loopback.server(), "/target", "arrived");
    loopback.server().Get("/hop", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/target");
        response.set_content("a redirect page never delivered", "text/plain");
    });
    loopback.Start();

    RecordingBindCallback callback;
    const HRESULT result = Fetch(loopback.Url("/hop"), callback);
    EXPECT_EQ(result, S_OK);
    ExpectWellFormed(callback, result);
    EXPECT_EQ(callback.body, "arrived");
    const auto statuses = callback.Statuses();
    const auto redirect = std::find(statuses.begin(), statuses.end(), BINDSTATUS_REDIRECTING);
    ASSERT_NE(redirect, statuses.end());
    EXPECT_NE(std::find(redirect, statuses.end(), BINDSTATUS_SENDINGREQUEST), statuses.end());
}

// E_ABORT ends the transfer at the notification that answered it: the next
// and last notification is OnStopBinding(E_ABORT).
TEST_F(UrlStreamTest, AbortFromAnyNotificationEndsTheTransferAtOnce) {
    LoopbackServer loopback;
    ServeEndless(loopback.server(), "/endless");
    Serve(loopback.server(), "/finite", PatternBody(100000));
    loopback.Start();

    struct AbortCase {
        const char* name;
        const char* path;
        std::function<bool(const BindNotification&)> abortAt;
    };
    const std::vector<AbortCase> cases = {
        {"sending the request", "/endless", [](const BindNotification& n) {
             return n.kind == Kind::Progress && n.status == BINDSTATUS_SENDINGREQUEST;
         }},
        {"first data", "/endless", [](const BindNotification& n) {
             return n.kind == Kind::Progress && n.status == BINDSTATUS_BEGINDOWNLOADDATA;
         }},
        {"third data notification", "/endless", [count = std::make_shared<int>(0)](const BindNotification& n) {
             return n.kind == Kind::Data && ++*count == 3;
         }},
        {"end of the data", "/finite", [](const BindNotification& n) {
             return n.kind == Kind::Progress && n.status == BINDSTATUS_ENDDOWNLOADDATA;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBindCallback callback;
        std::size_t abortedAt = 0;
        auto answer = [&](const BindNotification& n) {
            if (!c.abortAt(n)) return S_OK;
            abortedAt = callback.notifications.size() - 1;
            return E_ABORT;
        };
        callback.onProgress = answer;
        callback.onData = answer;
        const HRESULT result = Fetch(loopback.Url(c.path), callback);
        EXPECT_EQ(result, E_ABORT);
        ExpectWellFormed(callback, result);
        EXPECT_EQ(abortedAt, callback.notifications.size() - 2);
    }
}

TEST_F(UrlStreamTest, WithoutACallbackTheBodyIsFetchedAndDropped) {
    LoopbackServer loopback;
    Serve(loopback.server(), "/body", PatternBody(600 * 1024));
    loopback.Start();
    EXPECT_EQ(URLOpenStreamA(nullptr, loopback.Url("/body").c_str(), 0, nullptr), S_OK);
    EXPECT_EQ(URLOpenStreamA(nullptr, loopback.Url("/missing").c_str(), 0, nullptr), INET_E_RESOURCE_NOT_FOUND);
}

// A fast body comes in large blocks, not one notification per socket read;
// the stream keeps only what has not been read.
TEST_F(UrlStreamTest, FastBodyArrivesInLargeBlocks) {
    constexpr std::size_t kSize = 8 * 1024 * 1024;
    LoopbackServer loopback;
    Serve(loopback.server(), "/big", PatternBody(kSize, 7));
    loopback.Start();

    RecordingBindCallback callback;
    std::uint64_t largestUnreadBefore = 0;
    callback.onStream = [&](IStream* stream, DWORD size) {
        ULARGE_INTEGER position{};
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
        largestUnreadBefore = std::max<std::uint64_t>(largestUnreadBefore, size - position.QuadPart);
        STATSTG stat{};
        EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
        EXPECT_EQ(stat.cbSize.QuadPart, size);
    };
    const HRESULT result = Fetch(loopback.Url("/big"), callback);
    EXPECT_EQ(result, S_OK);
    ExpectWellFormed(callback, result);
    EXPECT_TRUE(callback.body == PatternBody(kSize, 7));
    const auto data = callback.Of(Kind::Data);
    std::printf("8 MiB fast body: %zu data notifications, %zu bytes on average, at most %llu unread\n",
                data.size(), kSize / data.size(), static_cast<unsigned long long>(largestUnreadBefore));
    EXPECT_LE(data.size(), 64u);  // 16 KiB reads would make 512
    EXPECT_LE(largestUnreadBefore, 2u * 1024 * 1024);
}

TEST_F(UrlStreamTest, StreamReportsItsPositionAndForgetsWhatWasRead) {
    LoopbackServer loopback;
    Serve(loopback.server(), "/body", "0123456789");
    loopback.Start();

    RecordingBindCallback callback;
    callback.readEveryTime = false;
    callback.onStream = [](IStream* stream, DWORD size) {
        ASSERT_EQ(size, 10u);
        char buffer[16] = {};
        ULONG got = 0;
        EXPECT_EQ(stream->Read(buffer, 4, &got), S_OK);
        EXPECT_EQ(std::string(buffer, got), "0123");
        ULARGE_INTEGER position{};
        EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position), S_OK);
        EXPECT_EQ(position.QuadPart, 4u);
        LARGE_INTEGER back{};
        back.QuadPart = -1;
        EXPECT_NE(stream->Seek(back, STREAM_SEEK_CUR, &position), S_OK);  // read bytes are gone
        // The callback's own read below takes the rest.
    };
    const HRESULT result = Fetch(loopback.Url("/body"), callback);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(callback.body, "456789");
}

// A callback that reads nothing until the last notification still gets
// every byte: unread data is kept, the transfer does not wait for it.
TEST_F(UrlStreamTest, CallbackMayLeaveDataUnreadUntilTheEnd) {
    constexpr std::size_t kSize = 3 * 1024 * 1024;
    LoopbackServer loopback;
    Serve(loopback.server(), "/body", PatternBody(kSize, 3));
    loopback.Start();

    RecordingBindCallback callback;
    callback.readEveryTime = false;
    const HRESULT result = Fetch(loopback.Url("/body"), callback);
    EXPECT_EQ(result, S_OK);
    ExpectWellFormed(callback, result);
    EXPECT_TRUE(callback.body == PatternBody(kSize, 3));
}

// A trickle still reaches the callback every 100 ms or so.
TEST_F(UrlStreamTest, SlowBodyIsReportedAsItArrives) {
    RawSocketServer server([](int connection, const std::atomic<bool>& stopping) {
        RawSocketServer::ReadRequest(connection);
        RawSocketServer::Send(connection, "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\nConnection: close\r\n\r\n");
        for (int i = 0; i < 40 && !stopping.load(); ++i) {
            RawSocketServer::Send(connection, std::string(100, static_cast<char>('a' + i % 26)));
            std::this_thread::sleep_for(25ms);
        }
    });
    RecordingBindCallback callback;
    const HRESULT result = Fetch(server.Url("/trickle"), callback);
    EXPECT_EQ(result, S_OK);
    ExpectWellFormed(callback, result);
    EXPECT_EQ(callback.body.size(), 4000u);
    const auto data = callback.Of(Kind::Data);
    EXPECT_GE(data.size(), 5u);
    for (std::size_t i = 1; i < data.size(); ++i) EXPECT_LE(data[i].when - data[i - 1].when, 350ms);
}

// While nothing arrives, progress keeps coming about once a second, so a
// callback can give up on a stalled transfer.
TEST_F(UrlStreamTest, ProgressKeepsComingWhileTheServerStalls) {
    RawSocketServer server([](int connection, const std::atomic<bool>& stopping) {
        RawSocketServer::ReadRequest(connection);
        RawSocketServer::Send(connection, "HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + std::string(100, 'z'));
        RawSocketServer::WaitUntilStopping(stopping);
    });
    RecordingBindCallback callback;
    std::vector<std::chrono::steady_clock::time_point> stalled;
    callback.onProgress = [&](const BindNotification& n) {
        if (callback.Of(Kind::Data).empty()) return S_OK;
        stalled.push_back(n.when);
        return stalled.size() == 2 ? E_ABORT : S_OK;
    };
    const auto start = std::chrono::steady_clock::now();
    const HRESULT result = Fetch(server.Url("/stall"), callback);
    EXPECT_EQ(result, E_ABORT);
    ExpectWellFormed(callback, result);
    ASSERT_EQ(stalled.size(), 2u);
    EXPECT_LE(stalled[1] - stalled[0], 1300ms);
    EXPECT_LE(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(callback.body, std::string(100, 'z'));
}

// The binding's Abort works from another thread, also while nothing arrives,
// and does nothing once the transfer has ended.
TEST_F(UrlStreamTest, BindingAbortFromAnotherThreadEndsAStalledTransfer) {
    RawSocketServer server([](int connection, const std::atomic<bool>& stopping) {
        RawSocketServer::ReadRequest(connection);
        RawSocketServer::WaitUntilStopping(stopping);
    });
    RecordingBindCallback callback;
    std::atomic<IBinding*> offered{nullptr};
    callback.onProgress = [&](const BindNotification&) {
        offered.store(callback.binding);
        return S_OK;
    };
    std::thread aborter([&] {
        while (offered.load() == nullptr) std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(200ms);
        offered.load()->Abort();
    });
    const auto start = std::chrono::steady_clock::now();
    const HRESULT result = Fetch(server.Url("/silent"), callback);
    aborter.join();
    EXPECT_EQ(result, E_ABORT);
    ExpectWellFormed(callback, result);
    EXPECT_LE(std::chrono::steady_clock::now() - start, 1s);
    ASSERT_NE(callback.binding, nullptr);
    EXPECT_EQ(callback.binding->Abort(), S_OK);
}

// Time the callback spends inside a notification (a message box) does not
// count against the no-data limit.
TEST_F(UrlStreamTest, SlowCallbackDoesNotTimeOutTheTransfer) {
    constexpr std::size_t kSize = 2 * 1024 * 1024;
    LoopbackServer loopback;
    Serve(loopback.server(), "/body", PatternBody(kSize, 5));
    loopback.Start();
    SetUrlServiceTimeoutsForTesting(300ms, 300ms);

    RecordingBindCallback callback;
    callback.onData = [](const BindNotification& n) {
        if ((n.flags & BSCF_FIRSTDATANOTIFICATION) != 0) std::this_thread::sleep_for(800ms);
        return S_OK;
    };
    const HRESULT result = Fetch(loopback.Url("/body"), callback);
    EXPECT_EQ(result, S_OK);
    EXPECT_TRUE(callback.body == PatternBody(kSize, 5));
}

TEST_F(UrlStreamTest, TransfersOnSeveralThreadsRunIndependently) {
    constexpr int kThreads = 4;
    constexpr std::size_t kSize = 1024 * 1024;
    LoopbackServer loopback;
    for (int i = 0; i < kThreads; ++i) Serve(loopback.server(), "/body" + std::to_string(i), PatternBody(kSize, i + 10u));
    loopback.Start();

    std::vector<HRESULT> results(kThreads, E_FAIL);
    std::vector<std::string> bodies(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            RecordingBindCallback callback;
            results[i] = Fetch(loopback.Url("/body" + std::to_string(i)), callback);
            bodies[i] = std::move(callback.body);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(results[i], S_OK) << i;
        EXPECT_TRUE(bodies[i] == PatternBody(kSize, i + 10u)) << i;
    }
}

}  // namespace
