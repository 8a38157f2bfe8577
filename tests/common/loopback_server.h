// A real HTTP server on 127.0.0.1, on a port the system picks, run on a
// thread of its own for the lifetime of the object: constructed ready to
// answer, stopped and joined when it goes out of scope.
#pragma once

#include <httplib.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

class LoopbackServer {
public:
    // Register handlers on server() before calling Start().
    LoopbackServer() = default;
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer() { Stop(); }

    httplib::Server& server() { return server_; }

    void Start() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // The socket already listens; wait until the accept loop runs so
        // that Stop() cannot slip in before it and miss it.
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void Stop() {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + hostPort() + path; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};
