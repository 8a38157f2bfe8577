// Translating the system's errno values into Win32 error codes.
#pragma once

#include <windows.h>

namespace zanq::os {

DWORD ErrorFromErrno(int error);

// Sets the last error from `error` and answers FALSE, for the common
// "fail with the system's reason" return.
BOOL FailWithErrno(int error);

// ENOENT means a missing file when the parent directory exists, a missing
// path otherwise, as Windows tells the two apart.
DWORD MissingEntryError(const char* path);

}  // namespace zanq::os
