// The vendor's download server and hint service in one loopback server. The
// program keeps its compiled-in hosts: the test process routes every HTTP
// request through this server as a proxy, so requests arrive in absolute form
// and are matched by the end of their path.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "loopback_server.h"

class FakeVendorServer {
public:
    enum class Installer {
        Serve,  // the whole installer at once
        Hold,   // the first half, then the rest once released
        Fail,   // 404
    };
    enum class Hints {
        Answer,  // 200 at once
        Hold,    // 200 once released
        Fail,    // 500
    };

    // `installerBody` is what the download server sends as the installer.
    explicit FakeVendorServer(std::string installerBody);
    ~FakeVendorServer();

    // Points the process's HTTP traffic at this server (http_proxy).
    void RouteProcessTrafficHere() const;

    void SetInstaller(Installer behaviour);
    void SetHints(Hints behaviour);
    // Lets held answers go on (and every later one pass at once).
    void ReleaseInstaller();
    void ReleaseHints();

    // Events ("fceid") of the hints received so far, in order of arrival.
    std::vector<std::string> HintEvents() const;
    // Every "host" value sent with a hint.
    std::vector<std::string> HintHosts() const;
    int InstallerRequests() const;
    // Waits until at least `count` hints, or installer requests, have arrived.
    bool WaitForHints(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    bool WaitForInstallerRequests(int count, std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    // Waits until the held installer has sent its first half.
    bool WaitForInstallerHalfSent(std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;
    // Waits until at least `count` hints have been answered to the end (the
    // server has written the whole answer and is done with the request).
    bool WaitForHintsAnswered(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(3)) const;

private:
    void HandleInstaller(const httplib::Request& request, httplib::Response& response);
    void HandleHint(const httplib::Request& request, httplib::Response& response);
    bool WaitForRelease(const bool& released);

    const std::string installerBody_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Installer installer_ = Installer::Serve;
    Hints hints_ = Hints::Answer;
    bool installerReleased_ = false;
    bool hintsReleased_ = false;
    bool stopping_ = false;
    bool installerHalfSent_ = false;
    int installerRequests_ = 0;
    size_t hintsAnswered_ = 0;
    std::vector<std::string> hintEvents_;
    std::vector<std::string> hintHosts_;
    LoopbackServer server_;
};
