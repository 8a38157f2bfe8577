// The vendor's side of the program's HTTP traffic, on loopback: the installer
// download and the hint service. The program reaches it as its HTTP proxy, so
// requests arrive in absolute form ("GET http://host/path") and are matched on
// the end of the path.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loopback_server.h"

class VendorServer {
public:
    // The installer is a shell script that appends its arguments to
    // `installerLog`, padded to `installerSize` bytes; it is sent in 16 KiB
    // pieces at `bytesPerSecond` (0: as fast as possible).
    VendorServer(const std::filesystem::path& installerLog, std::size_t installerSize,
                 std::size_t bytesPerSecond)
        : installer_(MakeInstaller(installerLog, installerSize)), bytesPerSecond_(bytesPerSecond) {
        auto& http = loopback_.server();
        http.Get(R"(.*/zanq/ZanqPlay\.exe)", [this](const httplib::Request&, httplib::Response& response) {
            ++installerRequests_;
            response.set_content_provider(
                installer_.size(), "application/octet-stream",
                [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    const std::size_t piece = std::min<std::size_t>(length, 16 * 1024);
                    if (!sink.write(installer_.data() + offset, piece)) {
                        installerAborted_ = true;
                        return false;
                    }
                    bytesSent_ += piece;
                    if (bytesPerSecond_ > 0) {
                        std::this_thread::sleep_for(std::chrono::microseconds(piece * 1000000 / bytesPerSecond_));
                    }
                    return true;
                },
                [this](bool success) {
                    if (!success) installerAborted_ = true;
                });
        });
        http.Get(R"(.*/service/hint)", [this](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(mutex_);
                hints_.push_back(request.get_param_value("fceid"));
            }
            response.set_content("ok\n", "text/plain");
        });
        loopback_.Start();
    }

    int port() const { return loopback_.port(); }
    std::size_t installerSize() const { return installer_.size(); }
    int installerRequests() const { return installerRequests_; }
    std::size_t bytesSent() const { return bytesSent_; }
    bool installerAborted() const { return installerAborted_; }
    std::vector<std::string> hints() const {
        std::lock_guard lock(mutex_);
        return hints_;
    }

private:
    static std::string MakeInstaller(const std::filesystem::path& log, std::size_t size) {
        std::string script = "#!/bin/sh\necho \"$*\" >> '" + log.string() + "'\nexit 0\n";
        while (script.size() < size) script += "# padding that the shell never reads\n";
        return script;
    }

    const std::string installer_;
    const std::size_t bytesPerSecond_;
    std::atomic<int> installerRequests_{0};
    std::atomic<std::size_t> bytesSent_{0};
    std::atomic<bool> installerAborted_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> hints_;
    LoopbackServer loopback_;  // last: stopped first, before what its handlers use
};
