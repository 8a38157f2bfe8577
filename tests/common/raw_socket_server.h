// A bare TCP server on 127.0.0.1 for answers a real HTTP server never gives:
// bodies cut short, broken framing, resets, silence. Each accepted
// connection is handed to the script on the server's thread, one after the
// other; the object stops and joins that thread when it goes out of scope.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

class RawSocketServer {
public:
    // Runs for one connection; `stopping` rises when the server is closing,
    // and a script that waits must give up then.
    using Script = std::function<void(int connection, const std::atomic<bool>& stopping)>;

    explicit RawSocketServer(Script script) : script_(std::move(script)) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            if (listener_ >= 0) close(listener_);
            throw std::runtime_error("cannot listen on loopback");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    RawSocketServer(const RawSocketServer&) = delete;
    RawSocketServer& operator=(const RawSocketServer&) = delete;
    ~RawSocketServer() {
        stopping_.store(true);
        thread_.join();
        close(listener_);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    // Script helpers.
    static std::string ReadRequest(int connection) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        return request;
    }
    static void Send(int connection, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }
    static void WaitUntilStopping(const std::atomic<bool>& stopping) {
        while (!stopping.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Makes the coming close reset the connection instead of ending it.
    static void ResetOnClose(int connection) {
        linger abortive{1, 0};
        setsockopt(connection, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }

private:
    void Serve() {
        while (!stopping_.load()) {
            pollfd waiting{listener_, POLLIN, 0};
            if (poll(&waiting, 1, 20) <= 0) continue;
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            script_(connection, stopping_);
            close(connection);
        }
    }

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
