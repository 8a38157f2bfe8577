// Lets a test make chosen operating-system calls of the stand-in fail, to
// show how the code above them copes. Faults are process-wide and consumed
// by whichever thread makes the call next; OsFaultScope clears them all when
// it goes out of scope.
#pragma once

#include <windows.h>

namespace zanq::testing {

enum class OsCall {
    CreateFileW,
    ReadFile,
    WriteFile,
    CloseHandle,  // file handles only; the handle is released all the same
    DeleteFileW,
    MoveFileExW,
    CreateThread,
    GetTempPathW,
    GetTempFileNameW,
};

// The next `times` calls of `call` fail without touching anything and set
// `error` as the last error (0: the call's usual error, e.g. ERROR_DISK_FULL
// for WriteFile, ERROR_ACCESS_DENIED for CreateFileW). A failing CloseHandle
// still closes the handle.
void FailNext(OsCall call, unsigned times = 1, DWORD error = 0);

// The next WriteFile writes at most `bytes` bytes and reports success with
// that count.
void ShortWriteNext(DWORD bytes);

// Clears every pending fault.
void ResetOsFaults();

class OsFaultScope {
public:
    OsFaultScope() { ResetOsFaults(); }
    ~OsFaultScope() { ResetOsFaults(); }
    OsFaultScope(const OsFaultScope&) = delete;
    OsFaultScope& operator=(const OsFaultScope&) = delete;
};

}  // namespace zanq::testing
