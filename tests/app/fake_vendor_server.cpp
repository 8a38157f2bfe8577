#include "fake_vendor_server.h"

#include <cstdlib>

FakeVendorServer::FakeVendorServer(std::string installerBody) : installerBody_(std::move(installerBody)) {
    server_.server().Get(R"(.*/zanq/ZanqPlay\.exe)", [this](const httplib::Request& request, httplib::Response& response) {
        HandleInstaller(request, response);
    });
    server_.server().Get(R"(.*/service/hint)", [this](const httplib::Request& request, httplib::Response& response) {
        HandleHint(request, response);
    });
    // The server calls its logger once an answer has been written in full.
    server_.server().set_logger([this](const httplib::Request& request, const httplib::Response&) {
        if (!request.path.ends_with("/service/hint")) return;
        std::lock_guard lock(mutex_);
        ++hintsAnswered_;
        changed_.notify_all();
    });
    server_.Start();
}

FakeVendorServer::~FakeVendorServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    server_.Stop();
}

void FakeVendorServer::RouteProcessTrafficHere() const {
    const std::string proxy = "http://" + server_.hostPort();
    setenv("http_proxy", proxy.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
}

void FakeVendorServer::SetInstaller(Installer behaviour) {
    std::lock_guard lock(mutex_);
    installer_ = behaviour;
}

void FakeVendorServer::SetHints(Hints behaviour) {
    std::lock_guard lock(mutex_);
    hints_ = behaviour;
}

void FakeVendorServer::ReleaseInstaller() {
    std::lock_guard lock(mutex_);
    installerReleased_ = true;
    changed_.notify_all();
}

void FakeVendorServer::ReleaseHints() {
    std::lock_guard lock(mutex_);
    hintsReleased_ = true;
    changed_.notify_all();
}

std::vector<std::string> FakeVendorServer::HintEvents() const {
    std::lock_guard lock(mutex_);
    return hintEvents_;
}

std::vector<std::string> FakeVendorServer::HintHosts() const {
    std::lock_guard lock(mutex_);
    return hintHosts_;
}

int FakeVendorServer::InstallerRequests() const {
    std::lock_guard lock(mutex_);
    return installerRequests_;
}

bool FakeVendorServer::WaitForHints(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return hintEvents_.size() >= count; });
}

bool FakeVendorServer::WaitForInstallerRequests(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return installerRequests_ >= count; });
}

bool FakeVendorServer::WaitForInstallerHalfSent(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return installerHalfSent_; });
}

bool FakeVendorServer::WaitForHintsAnswered(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return hintsAnswered_ >= count; });
}

bool FakeVendorServer::WaitForRelease(const bool& released) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return released || stopping_; });
    return released;
}

void FakeVendorServer::HandleInstaller(const httplib::Request&, httplib::Response& response) {
    Installer behaviour;
    {
        std::lock_guard lock(mutex_);
        ++installerRequests_;
        behaviour = installer_;
        changed_.notify_all();
    }
    if (behaviour == Installer::Fail) {
        response.status = 404;
        response.set_content("no such file", "text/plain");
        return;
    }
    if (behaviour == Installer::Serve) {
        response.set_content(installerBody_, "application/octet-stream");
        return;
    }
    response.set_content_provider(
        installerBody_.size(), "application/octet-stream",
        [this](size_t offset, size_t, httplib::DataSink& sink) {
            const size_t half = installerBody_.size() / 2;
            if (offset < half) {
                sink.write(installerBody_.data(), half);
                std::lock_guard lock(mutex_);
                installerHalfSent_ = true;
                changed_.notify_all();
                return true;
            }
            if (!WaitForRelease(installerReleased_)) return false;
            sink.write(installerBody_.data() + offset, installerBody_.size() - offset);
            return true;
        });
}

void FakeVendorServer::HandleHint(const httplib::Request& request, httplib::Response& response) {
    Hints behaviour;
    {
        std::lock_guard lock(mutex_);
        hintEvents_.push_back(request.get_param_value("fceid"));
        hintHosts_.push_back(request.get_param_value("host"));
        behaviour = hints_;
        changed_.notify_all();
    }
    if (behaviour == Hints::Fail) {
        response.status = 500;
        return;
    }
    if (behaviour == Hints::Hold && !WaitForRelease(hintsReleased_)) return;
    response.set_content("ok", "text/plain");
}
