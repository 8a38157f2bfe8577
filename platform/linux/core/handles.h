// The process's handle table. A HANDLE is a key into it, never reused, so a
// stale or closed handle is reported as invalid instead of reaching freed
// memory. Objects are shared: a call that looked one up keeps it alive even
// if another thread closes the handle meanwhile.
#pragma once

#include <windows.h>

#include <memory>

namespace zanq::os {

class HandleObject {
public:
    enum class Kind { Thread, File };

    explicit HandleObject(Kind kind) : kind_(kind) {}
    virtual ~HandleObject() = default;
    HandleObject(const HandleObject&) = delete;
    HandleObject& operator=(const HandleObject&) = delete;

    Kind kind() const { return kind_; }

    // Runs once, when CloseHandle removes the handle; answers its result
    // (and sets the last error when FALSE).
    virtual BOOL OnClose() { return TRUE; }

private:
    Kind kind_;
};

HANDLE RegisterHandle(std::shared_ptr<HandleObject> object);

// The object behind `handle` if it is open and of `kind`; otherwise null,
// with ERROR_INVALID_HANDLE as the last error.
std::shared_ptr<HandleObject> LookUpHandle(HANDLE handle, HandleObject::Kind kind);

template <class T>
std::shared_ptr<T> LookUp(HANDLE handle) {
    return std::static_pointer_cast<T>(LookUpHandle(handle, T::kKind));
}

}  // namespace zanq::os
