// At most one open OS file, opened by path in one of three fixed modes and
// written in blocks without buffering of its own.
#pragma once

#include <windows.h>

#include <string>

class OutputFile {
public:
    // Modes of Open.
    static constexpr int ModeRead = 0;       // read; must exist; others may read and write
    static constexpr int ModeWrite = 1;      // write; created or emptied; others may only read
    static constexpr int ModeReadWrite = 2;  // read and write; created or emptied; no sharing

    // Results of Open.
    static constexpr LONG Opened = 0;       // the file is open
    static constexpr LONG AlreadyOpen = 1;  // the object was open already; nothing was done
    static constexpr LONG OpenFailed = 2;   // the OS refused; the object stays closed
    static constexpr LONG BadMode = 3;      // unknown mode; nothing was done

    OutputFile() = default;
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    LONG Open(std::wstring path, int mode);
    // One OS write of `count` bytes at the current position; answers the
    // number of bytes the OS wrote, 0 on failure or when closed.
    DWORD Write(const void* buffer, DWORD count);
    // Closes the file if open; always answers 0.
    int Close();
    // Closes the file if open and answers whether the OS closed it cleanly
    // (true for an object that was closed already).
    bool CloseChecked();
    bool IsOpen() const { return handle != nullptr; }

private:
    HANDLE handle = nullptr;
};
