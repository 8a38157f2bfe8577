#include "output_file.h"

OutputFile::~OutputFile() { Close(); }

LONG OutputFile::Open(std::wstring path, int mode) {
    if (IsOpen()) return AlreadyOpen;

    DWORD access = 0;
    DWORD sharing = 0;
    DWORD disposition = 0;
    switch (mode) {
    case ModeRead:
        access = GENERIC_READ;
        sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
        disposition = OPEN_EXISTING;
        break;
    case ModeWrite:
        access = GENERIC_WRITE;
        sharing = FILE_SHARE_READ;
        disposition = CREATE_ALWAYS;
        break;
    case ModeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        sharing = 0;
        disposition = CREATE_ALWAYS;
        break;
    default:
        return BadMode;
    }

    HANDLE opened = CreateFileW(path.c_str(), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return OpenFailed;
    handle = opened;
    return Opened;
}

DWORD OutputFile::Write(const void* buffer, DWORD count) {
    if (!IsOpen()) return 0;
    DWORD written = 0;
    if (!WriteFile(handle, buffer, count, &written, nullptr)) return 0;
    return written;
}

int OutputFile::Close() {
    CloseChecked();
    return 0;
}

bool OutputFile::CloseChecked() {
    if (!IsOpen()) return true;
    const BOOL closed = CloseHandle(handle);
    handle = nullptr;
    return closed != FALSE;
}
