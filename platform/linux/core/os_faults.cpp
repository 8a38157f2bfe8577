#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>

#include "core/fault_points.h"

namespace zanq::os {
namespace {

using zanq::testing::OsCall;

constexpr std::size_t kCallCount = static_cast<std::size_t>(OsCall::GetTempFileNameW) + 1;

struct PendingFault {
    unsigned remaining = 0;
    DWORD error = 0;
};

struct FaultState {
    std::atomic<bool> armed{false};  // lets the calls skip the lock when no test set a fault
    std::mutex mutex;
    std::array<PendingFault, kCallCount> faults{};
    std::optional<DWORD> shortWrite;

    void UpdateArmed() {
        const bool any = shortWrite.has_value() ||
                         std::any_of(faults.begin(), faults.end(), [](const auto& f) { return f.remaining > 0; });
        armed.store(any);
    }
};

FaultState& State() {
    static auto* state = new FaultState;
    return *state;
}

DWORD UsualError(OsCall call) {
    switch (call) {
    case OsCall::WriteFile: return ERROR_DISK_FULL;
    case OsCall::ReadFile: return ERROR_GEN_FAILURE;
    case OsCall::CloseHandle: return ERROR_WRITE_FAULT;
    case OsCall::CreateThread: return ERROR_NOT_ENOUGH_MEMORY;
    case OsCall::GetTempPathW: return ERROR_PATH_NOT_FOUND;
    default: return ERROR_ACCESS_DENIED;
    }
}

}  // namespace

bool InjectedFailure(OsCall call) {
    auto& state = State();
    if (!state.armed.load()) return false;
    std::lock_guard lock(state.mutex);
    auto& fault = state.faults[static_cast<std::size_t>(call)];
    if (fault.remaining == 0) return false;
    --fault.remaining;
    const DWORD error = fault.error != 0 ? fault.error : UsualError(call);
    state.UpdateArmed();
    SetLastError(error);
    return true;
}

DWORD InjectedWriteLimit(DWORD count) {
    auto& state = State();
    if (!state.armed.load()) return count;
    std::lock_guard lock(state.mutex);
    if (!state.shortWrite) return count;
    const DWORD limit = std::min(count, *state.shortWrite);
    state.shortWrite.reset();
    state.UpdateArmed();
    return limit;
}

}  // namespace zanq::os

namespace zanq::testing {

void FailNext(OsCall call, unsigned times, DWORD error) {
    auto& state = zanq::os::State();
    std::lock_guard lock(state.mutex);
    state.faults[static_cast<std::size_t>(call)] = {times, error};
    state.UpdateArmed();
}

void ShortWriteNext(DWORD bytes) {
    auto& state = zanq::os::State();
    std::lock_guard lock(state.mutex);
    state.shortWrite = bytes;
    state.UpdateArmed();
}

void ResetOsFaults() {
    auto& state = zanq::os::State();
    std::lock_guard lock(state.mutex);
    state.faults = {};
    state.shortWrite.reset();
    state.UpdateArmed();
}

}  // namespace zanq::testing
