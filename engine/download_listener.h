// How the download engine reports on one download. Every call comes on the
// download's own worker thread. The engine never owns or destroys a listener.
#pragma once

#include <windows.h>

class DownloadListener {
public:
    // Progress as the URL service reports it; answer true to cancel.
    virtual bool OnDownloadProgress(int id, ULONG current, ULONG maximum) = 0;
    // The whole body is at the target path.
    virtual void OnDownloadComplete(int id) = 0;
    // The download failed or was cancelled; the target path is as it was.
    virtual void OnDownloadError(int id) = 0;

protected:
    ~DownloadListener() = default;
};
