#include "temp_paths.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>

namespace {

constexpr UINT kPathBufferLength = MAX_PATH;
constexpr wchar_t kInstallerFileName[] = L"ZanqPlayBundleInstaller.exe";
constexpr wchar_t kScratchPrefix[] = L"mod";

// A buffer's text up to its first NUL, at most `length` characters.
std::wstring TextOf(const wchar_t* buffer, std::size_t length) {
    return std::wstring(buffer, std::find(buffer, buffer + length, L'\0'));
}

}  // namespace

std::wstring GetTempDirectory() {
    BSTR buffer = SysAllocStringLen(nullptr, kPathBufferLength);
    if (buffer == nullptr) return {};
    // The answer is the length written, or the size needed when the buffer
    // is too small (then nothing is written), or 0 on failure: only a length
    // that fits means the buffer holds the directory.
    const DWORD length = GetTempPathW(kPathBufferLength, buffer);
    std::wstring directory;
    if (length > 0 && length < kPathBufferLength) directory = TextOf(buffer, kPathBufferLength);
    SysFreeString(buffer);
    return directory;
}

std::wstring PathSeparator() { return L"\\"; }

std::wstring MakeScratchFileName(const std::wstring& directory) {
    // An empty directory would put the file into the current directory.
    if (directory.empty()) return {};
    wchar_t buffer[kPathBufferLength] = {};
    if (GetTempFileNameW(directory.c_str(), kScratchPrefix, 0, buffer) == 0) return {};
    return TextOf(buffer, kPathBufferLength);
}

std::wstring MakeInstallerPath() {
    const std::wstring separator = PathSeparator();
    const std::wstring directory = GetTempDirectory();
    if (directory.empty()) return {};
    return directory + separator + kInstallerFileName;
}
