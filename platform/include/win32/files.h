// Files: creating and opening with Windows access and sharing rules, reading,
// writing, deleting, renaming. Paths are Windows-style: '\' and '/' both
// separate components, and a run of separators counts as one. The last
// component of a path is never followed when it is a symbolic link.
#pragma once

#include "win32/types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_COPY_ALLOWED 0x00000002u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_NOT_SAME_DEVICE 17u
#define ERROR_GEN_FAILURE 31u
#define ERROR_BUFFER_OVERFLOW 111u
#define ERROR_INVALID_NAME 123u

struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    union {
        struct {
            DWORD Offset;
            DWORD OffsetHigh;
        } s;
        PVOID Pointer;
    } u;
    HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

// Supported: GENERIC_READ and/or GENERIC_WRITE, any FILE_SHARE_* mix, every
// disposition. Sharing is enforced between all handles of all processes that
// use these functions. CREATE_ALWAYS and TRUNCATE_EXISTING empty a file only
// once the sharing check has passed. Security attributes and the template
// are ignored; lpOverlapped must be null in ReadFile and WriteFile.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped);

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped);

// Fails with ERROR_SHARING_VIOLATION while a handle without FILE_SHARE_DELETE
// has the file open.
BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);

// A rename within one file system. An existing target is replaced only with
// MOVEFILE_REPLACE_EXISTING, and not while a handle without FILE_SHARE_DELETE
// has it (or the source) open.
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
