// How the URL stream service ends transfers that do not bring a complete,
// successful answer: a failure code in OnStopBinding, never the error page
// as data, never ENDDOWNLOADDATA.
#include <gtest/gtest.h>
#include <urlmon.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loopback_server.h"
#include "raw_socket_server.h"
#include "recording_bind_callback.h"
#include "url_service_testing.h"
#include "url_stream_test_support.h"

namespace {

using namespace std::chrono_literals;
using Kind = BindNotification::Kind;
using Script = RawSocketServer::Script;

Script Answer(std::string bytes, bool resetAfter = false) {
    return [bytes, resetAfter](int connection, const std::atomic<bool>&) {
        RawSocketServer::ReadRequest(connection);
        RawSocketServer::Send(connection, bytes);
        if (resetAfter) RawSocketServer::ResetOnClose(connection);
    };
}

Script AnswerThenStall(std::string bytes) {
    return [bytes](int connection, const std::atomic<bool>& stopping) {
        RawSocketServer::ReadRequest(connection);
        RawSocketServer::Send(connection, bytes);
        RawSocketServer::WaitUntilStopping(stopping);
    };
}

// A loopback port on which nothing listens.
int ClosedPort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

struct FailureCase {
    const char* name;
    HRESULT expected;
    // Either a path on the HTTP server, a raw server's script, or a full URL.
    std::string path;
    Script script;
    std::string url;
};

TEST_F(UrlStreamTest, FailedTransfersEndWithAnInternetError) {
    LoopbackServer loopback;
    auto& http = loopback.server();
    http.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
        response.set_content("error page", "text/html");
    });
    http.Get("/broken", [](const httplib::Request&, httplib::Response& response) {
        response.status = 500;
        response.set_content("error page", "text/html");
    });
    http.Get("/loop", [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/loop"); });
    http.Get("/to-ftp", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("ftp://127.0.0.1/file");
    });
    http.Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("file:///etc/hostname");
    });
    loopback.Start();
    SetUrlServiceTimeoutsForTesting(2s, 400ms);

    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
    const std::vector<FailureCase> cases = {
        {"404 answer", INET_E_RESOURCE_NOT_FOUND, "/missing", {}, {}},
        {"500 answer", INET_E_DOWNLOAD_FAILURE, "/broken", {}, {}},
        {"more than 10 redirects", INET_E_REDIRECT_FAILED, "/loop", {}, {}},
        {"redirect to ftp", INET_E_REDIRECT_FAILED, "/to-ftp", {}, {}},
        {"redirect to file", INET_E_REDIRECT_FAILED, "/to-file", {}, {}},
        {"connection refused", INET_E_CANNOT_CONNECT, {}, {}, "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x"},
        {"unresolvable host", INET_E_RESOURCE_NOT_FOUND, {}, {}, "http://no-such-host.invalid/x"},
        {"body shorter than its length", INET_E_DOWNLOAD_FAILURE, {}, Answer(head + std::string(500, 'a')), {}},
        {"broken chunked framing", INET_E_DOWNLOAD_FAILURE, {},
         Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\n"), {}},
        {"chunked body cut short", INET_E_DOWNLOAD_FAILURE, {},
         Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n400\r\nhello"), {}},
        {"connection reset", INET_E_DOWNLOAD_FAILURE, {}, Answer(head + std::string(500, 'a'), true), {}},
        {"closed without an answer", INET_E_DOWNLOAD_FAILURE, {}, Answer(""), {}},
        {"not HTTP", INET_E_DOWNLOAD_FAILURE, {}, Answer("hello there\r\n\r\n"), {}},
        {"no answer in time", INET_E_CONNECTION_TIMEOUT, {}, AnswerThenStall(""), {}},
        {"stall in the body", INET_E_CONNECTION_TIMEOUT, {}, AnswerThenStall(head + std::string(500, 'a')), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<RawSocketServer> raw;
        std::string url = c.url;
        if (c.script) {
            raw = std::make_unique<RawSocketServer>(c.script);
            url = raw->Url("/file");
        } else if (url.empty()) {
            url = loopback.Url(c.path);
        }
        RecordingBindCallback callback;
        const auto start = std::chrono::steady_clock::now();
        const HRESULT result = Fetch(url, callback);
        EXPECT_EQ(result, c.expected);
        ExpectWellFormed(callback, result);
        const auto statuses = callback.Statuses();
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), BINDSTATUS_ENDDOWNLOADDATA), 0);
        EXPECT_EQ(callback.body.find("error page"), std::string::npos);
        EXPECT_LE(std::chrono::steady_clock::now() - start, 2s);
        if (std::string(c.name) == "more than 10 redirects") {
            EXPECT_GE(std::count(statuses.begin(), statuses.end(), BINDSTATUS_REDIRECTING), 10);
        }
    }
}

// Every call with a callback is bracketed by OnStartBinding and
// OnStopBinding, even when there is nothing to fetch.
TEST_F(UrlStreamTest, UnusableUrlsFailBeforeAnyNetworkActivity) {
    const struct {
        const char* url;
        HRESULT expected;
    } cases[] = {
        {nullptr, INET_E_INVALID_URL},
        {"", INET_E_INVALID_URL},
        {"not a url", INET_E_INVALID_URL},
        {"http://", INET_E_INVALID_URL},
        {"ftp://127.0.0.1/file", INET_E_UNKNOWN_PROTOCOL},
        {"file:///etc/hostname", INET_E_UNKNOWN_PROTOCOL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url != nullptr ? c.url : "(null)");
        RecordingBindCallback callback;
        const HRESULT result = URLOpenStreamA(nullptr, c.url, 0, &callback);
        EXPECT_EQ(result, c.expected);
        ExpectWellFormed(callback, result);
        EXPECT_EQ(callback.notifications.size(), 3u);  // start, bind info, stop
    }
}

// A listener whose accept queue is full drops further connection attempts,
// which then hang as towards a host that does not answer.
TEST_F(UrlStreamTest, GivesUpWhenNoConnectionIsMadeInTime) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::vector<int> sockets{listener};
    struct Closer {
        std::vector<int>& fds;
        ~Closer() {
            for (int fd : fds) close(fd);
        }
    } closer{sockets};

    bool hangs = false;
    for (int i = 0; i < 4 && !hangs; ++i) {
        const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockets.push_back(filler);
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd connecting{filler, POLLOUT, 0};
        hangs = poll(&connecting, 1, 200) == 0;
    }
    if (!hangs) GTEST_SKIP() << "connections to a full accept queue do not hang on this system";

    SetUrlServiceTimeoutsForTesting(500ms, 5s);
    RecordingBindCallback callback;
    const auto start = std::chrono::steady_clock::now();
    const HRESULT result = Fetch("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x", callback);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, INET_E_CONNECTION_TIMEOUT);
    ExpectWellFormed(callback, result);
    EXPECT_GE(elapsed, 450ms);
    EXPECT_LE(elapsed, 2s);
    const auto statuses = callback.Statuses();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), BINDSTATUS_SENDINGREQUEST), 0);
}

}  // namespace
