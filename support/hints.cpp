#include "hints.h"

#include "temp_paths.h"

std::string BuildHintUrl(const std::string& baseUrl, const std::string& eventName, const std::string& hostSuffix) {
    std::string url = baseUrl + eventName;
    return url + hostSuffix;
}

int SendHint(DownloadManager& manager, DownloadListener* listener, const std::string& url) {
    const std::wstring path = MakeScratchFileName(GetTempDirectory());
    return manager.AddDownload(url, path, listener);
}
