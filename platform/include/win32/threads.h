// Threads: creation, exit codes, waiting, sleeping. Thread handles are closed
// with CloseHandle like every other handle.
#pragma once

#include "win32/types.h"

using PTHREAD_START_ROUTINE = DWORD(WINAPI*)(LPVOID lpThreadParameter);
using LPTHREAD_START_ROUTINE = PTHREAD_START_ROUTINE;

#define STILL_ACTIVE (static_cast<DWORD>(0x00000103L))
#define CREATE_SUSPENDED 0x00000004u

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// The thread runs at once; CREATE_SUSPENDED is not supported.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                           LPDWORD lpThreadId);

// STILL_ACTIVE while the thread runs, then the value its routine returned.
BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);

// A thread cannot be killed safely here. A thread that has ended is left as
// it is (TRUE). A running thread is left to run to its end on its own: the
// call answers FALSE with ERROR_ACCESS_DENIED and its exit code stays
// STILL_ACTIVE; closing its handle afterwards is safe.
BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode);

// Thread handles only: WAIT_OBJECT_0 once the thread has ended, WAIT_TIMEOUT
// after dwMilliseconds (INFINITE waits for ever), WAIT_FAILED otherwise.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

void WINAPI Sleep(DWORD dwMilliseconds);

DWORD WINAPI GetCurrentThreadId();
