// The record of one download, owned by the DownloadManager from AddDownload
// until the manager is destroyed. Once its thread has started, only that
// worker thread changes it.
#pragma once

#include <memory>
#include <string>

#include "download_listener.h"
#include "output_file.h"
#include "transfer_callback.h"
#include "worker_thread.h"

struct DownloadEntry {
    int id = -1;
    std::unique_ptr<WorkerThread> thread;  // parameter "download" is this entry
    std::string url;
    std::wstring path;  // the target: only ever holds a complete download
    OutputFile file;    // open on partPath while data arrives
    bool finished = false;  // the URL service announced the last data
    DownloadListener* listener = nullptr;
    std::unique_ptr<TransferCallback> callback;

    // The uniquely named file beside `path` that receives the data until the
    // download is complete; empty when there is none.
    std::wstring partPath;
    // The transfer was given up (a file or stream failure): the partial file
    // is gone and the service has been told to abort.
    bool abandoned = false;
    // The listener has had its one final report (complete or error).
    bool reported = false;
};
