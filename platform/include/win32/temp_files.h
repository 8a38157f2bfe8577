// The user's temporary directory and unique temporary files in it.
#pragma once

#include "win32/types.h"

// The user's private temporary directory as a Windows-style path: every '/'
// reported as '\', ending in '\' (for instance "\tmp\zanq-1000\"). It is
// $TMPDIR when that is a real directory owned by the user that neither group
// nor others may write; otherwise the directory zanq-<uid> under /tmp, made
// with mode 0700 when missing and refused when it is not such a directory.
// Answers the length without the NUL; when nBufferLength is too small, the
// length needed including the NUL, with nothing written; 0 on failure.
DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);

// With uUnique 0: creates a new, empty file named lpPrefixString (its first
// three characters) + hexadecimal digits + ".tmp" in lpPathName, never
// reusing or following an existing entry, writes its full path (at most
// MAX_PATH characters with the NUL) into lpTempFileName and answers the
// number used. With another uUnique the name is only composed, from the low
// 16 bits of uUnique, and nothing is created. 0 on failure, with nothing
// created.
UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName);
