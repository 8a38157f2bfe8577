// The shell's start of a file with a verb.
#pragma once

#include <windows.h>

// Results of ShellExecuteW at or below 32 are errors.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_NOASSOC 31

// "open" (or no verb): runs a program or a script with the parameter string,
// or hands a document to the desktop's opener. Answers a value above 32 on
// success; the started process is not waited for.
HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                               LPCWSTR lpDirectory, INT nShowCmd);
