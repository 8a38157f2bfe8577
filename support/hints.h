// Hints: one-way notices of an event to the hint service, each an ordinary
// download through the engine whose answer lands in a new scratch file that
// nobody reads.
#pragma once

#include <string>

#include "download_listener.h"
#include "download_manager.h"

// baseUrl, eventName and hostSuffix joined in this order, nothing between
// them and nothing escaped.
std::string BuildHintUrl(const std::string& baseUrl, const std::string& eventName, const std::string& hostSuffix);

// Downloads `url` through `manager` into a new scratch file in the temporary
// directory, reporting to `listener`, and answers the download's id. The hint
// is sent even when no scratch file can be made (the download then fails).
// Call on the thread that adds downloads.
int SendHint(DownloadManager& manager, DownloadListener* listener, const std::string& url);
