// Test hook of the URL stream service: shortens its time limits so that
// timeout cases run in about a second. Applies to transfers started after
// the call; not part of the Win32 surface.
#pragma once

#include <chrono>

// connect: how long finding the host and making the connection may take.
// noByte: how long a connected transfer may go without receiving a byte.
// Time spent inside the caller's notifications does not count.
void SetUrlServiceTimeoutsForTesting(std::chrono::milliseconds connect, std::chrono::milliseconds noByte);
// Back to the service's own limits (30 s to connect, 60 s without a byte).
void ResetUrlServiceTimeoutsForTesting();
