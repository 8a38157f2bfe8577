// Where the stand-in's calls ask whether a test wants them to fail.
#pragma once

#include <windows.h>

#include "testing/os_faults.h"

namespace zanq::os {

// True when a test asked this call to fail; the last error is set then.
bool InjectedFailure(zanq::testing::OsCall call);

// How many of `count` bytes the next write may write: `count` unless a
// test asked for a short write.
DWORD InjectedWriteLimit(DWORD count);

}  // namespace zanq::os
