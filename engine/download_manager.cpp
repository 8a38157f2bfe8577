#include "download_manager.h"

#include <urlmon.h>

namespace {
constexpr const char* kEntryParam = "download";
}

int DownloadManager::AddDownload(const std::string& url, const std::wstring& path, DownloadListener* listener) {
    auto entry = std::make_unique<DownloadEntry>();
    entry->id = nextId++;
    entry->url = url;
    entry->path = path;
    entry->thread = std::make_unique<WorkerThread>(this);
    entry->finished = false;
    entry->listener = listener;
    entry->callback = std::make_unique<TransferCallback>(entry.get());

    DownloadEntry* registered = entry.get();
    entries.push_back(std::move(entry));
    registered->thread->SetParam(kEntryParam, registered);
    registered->thread->Start();
    return registered->id;
}

void DownloadManager::Run(WorkerThread* thread) {
    auto* entry = static_cast<DownloadEntry*>(thread->GetParam(kEntryParam));
    if (entry == nullptr) return;
    // The call's result is not needed: whatever happened, the callback has
    // given the final report or gives it now.
    URLOpenStreamA(nullptr, entry->url.c_str(), 0, entry->callback.get());
    entry->callback->TransferEnded();
}

DownloadManager::~DownloadManager() {
    for (int i = 0; i < nextId; ++i) {
        DownloadEntry& entry = *entries[static_cast<size_t>(i)];
        if (entry.thread->IsRunning()) entry.thread->Stop();
        entry.thread.reset();
        entry.callback.reset();
        entry.file.Close();
        entries[static_cast<size_t>(i)].reset();
    }
}
