#include "url/url_service_timeouts.h"

#include <atomic>
#include <cstdint>

#include "testing/url_service_testing.h"

namespace {

constexpr std::int64_t kDefaultConnectMs = 30'000;
constexpr std::int64_t kDefaultNoByteMs = 60'000;

std::atomic<std::int64_t> connectMs{kDefaultConnectMs};
std::atomic<std::int64_t> noByteMs{kDefaultNoByteMs};

}  // namespace

UrlServiceTimeouts CurrentUrlServiceTimeouts() {
    return {std::chrono::milliseconds(connectMs.load()), std::chrono::milliseconds(noByteMs.load())};
}

void SetUrlServiceTimeoutsForTesting(std::chrono::milliseconds connect, std::chrono::milliseconds noByte) {
    connectMs.store(connect.count());
    noByteMs.store(noByte.count());
}

void ResetUrlServiceTimeoutsForTesting() {
    connectMs.store(kDefaultConnectMs);
    noByteMs.store(kDefaultNoByteMs);
}
