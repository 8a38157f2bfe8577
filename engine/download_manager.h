// The registry of downloads: each added download gets the next id, a worker
// thread of its own and a transfer callback, and reports to its listener.
// Everything of a download lives until the manager is destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "download_entry.h"
#include "download_listener.h"
#include "runnable.h"

class DownloadManager : public Runnable {
public:
    DownloadManager() = default;
    // Stops every worker that still runs (waiting for it), then frees everything.
    ~DownloadManager() override;

    DownloadManager(const DownloadManager&) = delete;
    DownloadManager& operator=(const DownloadManager&) = delete;

    // Starts downloading `url` into `path` on a new worker thread and returns
    // the download's id (0, 1, 2, ...) at once. `listener` must outlive the
    // manager's destruction or the download's final report, whichever is later.
    int AddDownload(const std::string& url, const std::wstring& path, DownloadListener* listener);

    // The body of every worker thread: one blocking URL stream call.
    void Run(WorkerThread* thread) override;

private:
    int nextId = 0;
    std::vector<std::unique_ptr<DownloadEntry>> entries;
};
