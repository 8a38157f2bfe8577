// The program's one download listener. The engine calls it on worker threads
// for every download, hints included; each report is handed to the dialog's
// thread and examined there, and the worker waits until it has been handled.
#pragma once

#include <windows.h>

#include "download_listener.h"

class DialogListener final : public DownloadListener {
public:
    bool OnDownloadProgress(int id, ULONG current, ULONG maximum) override;
    void OnDownloadComplete(int id) override;
    void OnDownloadError(int id) override;
};
