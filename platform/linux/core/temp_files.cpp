// The user's private temporary directory and unique files in it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <random>
#include <string>

#include "core/errors.h"
#include "core/fault_points.h"
#include "core/paths.h"
#include "testing/system_paths.h"

namespace zanq::os {
namespace {

using zanq::testing::OsCall;

struct TempRoot {
    std::mutex mutex;
    std::string path = "/tmp";
};

TempRoot& FallbackRoot() {
    static auto* root = new TempRoot;
    return *root;
}

// A directory that only its owner, the current user, may change: a real
// directory (not a symbolic link) that the user may enter and write, and
// that neither group nor others may write.
bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           (info.st_mode & (S_IWUSR | S_IXUSR)) == (S_IWUSR | S_IXUSR);
}

// "/a//b/" becomes "/a/b"; the root stays "/".
std::string Tidy(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::optional<std::string> UsableTmpdir() {
    const char* value = std::getenv("TMPDIR");
    if (value == nullptr || value[0] != '/') return std::nullopt;
    std::string path = Tidy(value);
    if (!ToWindowsPath(path) || !IsPrivateDirectory(path)) return std::nullopt;
    return path;
}

// zanq-<uid> under the fallback root, made private when missing; refused
// (with the last error set) when it exists and is not private.
std::optional<std::string> FallbackDirectory() {
    std::string root;
    {
        std::lock_guard lock(FallbackRoot().mutex);
        root = FallbackRoot().path;
    }
    const std::string path = Tidy(root + "/zanq-" + std::to_string(geteuid()));
    if (mkdir(path.c_str(), 0700) == 0) {
        chmod(path.c_str(), 0700);  // whatever the umask took away
    } else if (errno != EEXIST) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return std::nullopt;
    }
    if (!IsPrivateDirectory(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    return path;
}

DWORD RandomNumber() {
    thread_local std::mt19937 generator{std::random_device{}()};
    DWORD number = 0;
    while (number == 0) number = static_cast<DWORD>(generator());
    return number;
}

std::wstring Hex(DWORD number, int digits) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%0*X", digits, static_cast<unsigned>(number));
    return text;
}

}  // namespace
}  // namespace zanq::os

using namespace zanq::os;

DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
    if (InjectedFailure(OsCall::GetTempPathW)) return 0;
    auto directory = UsableTmpdir();
    if (!directory) directory = FallbackDirectory();
    if (!directory) return 0;
    const auto windowsPath = ToWindowsPath(*directory == "/" ? *directory : *directory + "/");
    if (!windowsPath) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    const auto length = static_cast<DWORD>(windowsPath->size());
    if (lpBuffer == nullptr || nBufferLength <= length) return length + 1;
    windowsPath->copy(lpBuffer, length);
    lpBuffer[length] = L'\0';
    return length;
}

UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
    if (InjectedFailure(OsCall::GetTempFileNameW)) return 0;
    if (lpPathName == nullptr || lpTempFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // An empty directory would mean the current one; this never guesses.
    std::wstring directory(lpPathName);
    if (directory.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (directory.back() != L'\\' && directory.back() != L'/') directory += L'\\';
    const std::wstring prefix = std::wstring(lpPrefixString != nullptr ? lpPrefixString : L"").substr(0, 3);

    const auto compose = [&](DWORD number, int digits) -> std::optional<std::wstring> {
        std::wstring name = directory + prefix + Hex(number, digits) + L".tmp";
        if (name.size() >= MAX_PATH) {
            SetLastError(ERROR_BUFFER_OVERFLOW);
            return std::nullopt;
        }
        return name;
    };

    if (uUnique != 0) {
        const auto name = compose(uUnique & 0xFFFFu, 4);
        if (!name) return 0;
        name->copy(lpTempFileName, name->size());
        lpTempFileName[name->size()] = L'\0';
        return uUnique;
    }

    for (int attempt = 0; attempt < 100; ++attempt) {
        const DWORD number = RandomNumber();
        const auto name = compose(number, 8);
        if (!name) return 0;
        const auto path = ToSystemPath(*name);
        if (!path) {
            SetLastError(ERROR_INVALID_NAME);
            return 0;
        }
        const int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd == -1) {
            if (errno == EEXIST || errno == EINTR) continue;
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
            return 0;
        }
        close(fd);
        name->copy(lpTempFileName, name->size());
        lpTempFileName[name->size()] = L'\0';
        return number;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

zanq::testing::ScopedTempRoot::ScopedTempRoot(const std::string& root) {
    std::lock_guard lock(FallbackRoot().mutex);
    previous_ = FallbackRoot().path;
    FallbackRoot().path = root;
}

zanq::testing::ScopedTempRoot::~ScopedTempRoot() {
    std::lock_guard lock(FallbackRoot().mutex);
    FallbackRoot().path = previous_;
}
