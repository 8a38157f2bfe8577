#include "core/handles.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace zanq::os {
namespace {

class HandleTable {
public:
    HANDLE Add(std::shared_ptr<HandleObject> object) {
        std::lock_guard lock(mutex_);
        const std::uintptr_t key = nextKey_;
        nextKey_ += 4;
        objects_.emplace(key, std::move(object));
        return reinterpret_cast<HANDLE>(key);
    }

    std::shared_ptr<HandleObject> Find(HANDLE handle) {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == objects_.end() ? nullptr : found->second;
    }

    std::shared_ptr<HandleObject> Remove(HANDLE handle) {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == objects_.end()) return nullptr;
        auto object = std::move(found->second);
        objects_.erase(found);
        return object;
    }

private:
    std::mutex mutex_;
    std::uintptr_t nextKey_ = 0x100;
    std::unordered_map<std::uintptr_t, std::shared_ptr<HandleObject>> objects_;
};

// Never destroyed: handles are closed from destructors of static objects and
// from threads still running at exit.
HandleTable& Table() {
    static auto* table = new HandleTable;
    return *table;
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<HandleObject> object) { return Table().Add(std::move(object)); }

std::shared_ptr<HandleObject> LookUpHandle(HANDLE handle, HandleObject::Kind kind) {
    auto object = Table().Find(handle);
    if (!object || object->kind() != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

}  // namespace zanq::os

BOOL WINAPI CloseHandle(HANDLE handle) {
    const auto object = zanq::os::Table().Remove(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return object->OnClose();
}
