// A DownloadListener that records what it hears, from any thread, and can
// be told to answer progress with a cancel.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "download_listener.h"

class RecordingListener final : public DownloadListener {
public:
    // "complete 3" or "error 3": the final reports, in order.
    using Reports = std::vector<std::string>;

    // Called on every progress report; its answer is the listener's answer.
    std::function<bool(int id, ULONG current, ULONG maximum)> onProgress;

    bool OnDownloadProgress(int id, ULONG current, ULONG maximum) override {
        progressCount.fetch_add(1);
        return onProgress ? onProgress(id, current, maximum) : false;
    }
    void OnDownloadComplete(int id) override { Record("complete " + std::to_string(id)); }
    void OnDownloadError(int id) override { Record("error " + std::to_string(id)); }

    Reports Heard() const {
        std::lock_guard lock(mutex);
        return reports;
    }
    // Waits until `count` final reports have come; answers what was heard.
    Reports WaitFor(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, timeout, [&] { return reports.size() >= count; });
        return reports;
    }

    std::atomic<int> progressCount{0};

private:
    void Record(std::string report) {
        std::lock_guard lock(mutex);
        reports.push_back(std::move(report));
        changed.notify_all();
    }

    mutable std::mutex mutex;
    std::condition_variable changed;
    Reports reports;
};
