// Files: descriptors behind handles, with Windows sharing (share_locks.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <optional>
#include <string>

#include "core/errors.h"
#include "core/fault_points.h"
#include "core/handles.h"
#include "core/paths.h"
#include "core/share_locks.h"

namespace zanq::os {
namespace {

using zanq::testing::OsCall;

class FileObject : public HandleObject {
public:
    static constexpr Kind kKind = Kind::File;
    FileObject(int fd, bool canRead, bool canWrite)
        : HandleObject(kKind), fd_(fd), canRead_(canRead), canWrite_(canWrite) {}
    ~FileObject() override {
        if (fd_ != -1) close(fd_);
    }

    BOOL OnClose() override {
        std::lock_guard lock(mutex_);
        const bool injected = InjectedFailure(OsCall::CloseHandle);
        const DWORD injectedError = GetLastError();
        // The descriptor is gone after close() whatever it answers, so the
        // handle is released in every case; a failure only changes the answer.
        const int result = close(fd_);
        const int error = errno;
        fd_ = -1;
        if (injected) {
            SetLastError(injectedError);
            return FALSE;
        }
        return result == 0 ? TRUE : FailWithErrno(error);
    }

    BOOL Write(const void* buffer, DWORD count, DWORD* written) {
        std::lock_guard lock(mutex_);
        if (!canWrite_) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (InjectedFailure(OsCall::WriteFile)) return FALSE;
        const DWORD limit = InjectedWriteLimit(count);
        const auto* bytes = static_cast<const char*>(buffer);
        while (*written < limit) {
            const ssize_t n = write(fd_, bytes + *written, limit - *written);
            if (n < 0) {
                if (errno == EINTR) continue;
                return FailWithErrno(errno);
            }
            *written += static_cast<DWORD>(n);
        }
        return TRUE;
    }

    BOOL Read(void* buffer, DWORD count, DWORD* read) {
        std::lock_guard lock(mutex_);
        if (!canRead_) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (InjectedFailure(OsCall::ReadFile)) return FALSE;
        auto* bytes = static_cast<char*>(buffer);
        while (*read < count) {
            const ssize_t n = ::read(fd_, bytes + *read, count - *read);
            if (n < 0) {
                if (errno == EINTR) continue;
                return FailWithErrno(errno);
            }
            if (n == 0) break;
            *read += static_cast<DWORD>(n);
        }
        return TRUE;
    }

private:
    std::mutex mutex_;
    int fd_;
    const bool canRead_;
    const bool canWrite_;
};

// The system path for a program's path, or nothing with the last error set.
std::optional<std::string> SystemPathOf(LPCWSTR path) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    auto converted = ToSystemPath(path);
    if (!converted) {
        SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    if (converted->empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return converted;
}

BOOL FailWithPathErrno(int error, const std::string& path) {
    SetLastError(error == ENOENT ? MissingEntryError(path.c_str()) : ErrorFromErrno(error));
    return FALSE;
}

int OpenNoFollow(const std::string& path, int flags, bool create) {
    flags |= O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;  // O_NONBLOCK: never hang on a FIFO
    int fd;
    do {
        fd = create ? open(path.c_str(), flags | O_CREAT | O_EXCL, 0666) : open(path.c_str(), flags);
    } while (fd == -1 && errno == EINTR);
    return fd;
}

// Opens `path` for a share check before deleting or renaming it. -1 when it
// cannot be opened (missing, a symbolic link, no permission): then no handle
// of ours has it open either, or we may not learn it.
int OpenForShareCheck(const std::string& path) { return OpenNoFollow(path, O_RDONLY, false); }

bool DeleteDeniedAt(const std::string& path) {
    const int fd = OpenForShareCheck(path);
    if (fd == -1) return false;
    bool denied;
    {
        ShareGate gate(fd);
        denied = DeleteDenied(fd);
    }
    close(fd);
    return denied;
}

}  // namespace
}  // namespace zanq::os

using namespace zanq::os;

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
    if (InjectedFailure(OsCall::CreateFileW)) return INVALID_HANDLE_VALUE;
    const bool read = (dwDesiredAccess & GENERIC_READ) != 0;
    const bool write = (dwDesiredAccess & GENERIC_WRITE) != 0;
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !write)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const auto path = SystemPathOf(lpFileName);
    if (!path) return INVALID_HANDLE_VALUE;

    const bool mayCreate = dwCreationDisposition == CREATE_NEW || dwCreationDisposition == CREATE_ALWAYS ||
                           dwCreationDisposition == OPEN_ALWAYS;
    const bool mustCreate = dwCreationDisposition == CREATE_NEW;
    const bool empties = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;

    // A writer opens for reading as well where it may, so its sharing marks
    // can be shared locks (share_locks.cpp).
    int accessFlags = write ? O_RDWR : O_RDONLY;
    const auto openOnce = [&](bool create) {
        int fd = OpenNoFollow(*path, accessFlags, create);
        if (fd == -1 && errno == EACCES && write && !read && accessFlags == O_RDWR) {
            accessFlags = O_WRONLY;
            fd = OpenNoFollow(*path, accessFlags, create);
        }
        return fd;
    };
    int fd = -1;
    bool created = false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (mayCreate) {
            fd = openOnce(true);
            if (fd != -1) {
                created = true;
                break;
            }
            if (errno != EEXIST || mustCreate) break;
        }
        fd = openOnce(false);
        // Removed between the two opens: try creating it again.
        if (fd != -1 || !(mayCreate && errno == ENOENT)) break;
    }
    if (fd == -1) {
        if (errno == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
        } else {
            FailWithPathErrno(errno, *path);
        }
        return INVALID_HANDLE_VALUE;
    }

    const auto fail = [fd](DWORD error) {
        close(fd);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    };
    struct stat info {};
    if (fstat(fd, &info) != 0) return fail(ErrorFromErrno(errno));
    if (!S_ISREG(info.st_mode)) return fail(ERROR_ACCESS_DENIED);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    ShareRequest request;
    request.read = read;
    request.write = write;
    request.shareRead = (dwShareMode & FILE_SHARE_READ) != 0;
    request.shareWrite = (dwShareMode & FILE_SHARE_WRITE) != 0;
    request.shareDelete = (dwShareMode & FILE_SHARE_DELETE) != 0;
    ShareResult share;
    {
        ShareGate gate(fd);
        share = AcquireShare(fd, accessFlags != O_WRONLY, request);
    }
    if (share == ShareResult::Violation) return fail(ERROR_SHARING_VIOLATION);
    if (share == ShareResult::Error) return fail(ErrorFromErrno(errno));

    // Only now, with our marks in place, may an existing file be emptied.
    if (empties && !created && ftruncate(fd, 0) != 0) return fail(ErrorFromErrno(errno));

    const HANDLE handle = RegisterHandle(std::make_shared<FileObject>(fd, read, write));
    SetLastError(mayCreate && !created && !mustCreate ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
    DWORD written = 0;
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
    const auto file = LookUp<FileObject>(hFile);
    if (!file) return FALSE;
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToWrite > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const BOOL result = file->Write(lpBuffer, nNumberOfBytesToWrite, &written);
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = written;
    return result;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    DWORD read = 0;
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    const auto file = LookUp<FileObject>(hFile);
    if (!file) return FALSE;
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const BOOL result = file->Read(lpBuffer, nNumberOfBytesToRead, &read);
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = read;
    return result;
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    if (InjectedFailure(OsCall::DeleteFileW)) return FALSE;
    const auto path = SystemPathOf(lpFileName);
    if (!path) return FALSE;
    struct stat info {};
    if (lstat(path->c_str(), &info) != 0) return FailWithPathErrno(errno, *path);
    if (S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const int fd = S_ISREG(info.st_mode) ? OpenForShareCheck(*path) : -1;
    if (fd == -1) return unlink(path->c_str()) == 0 ? TRUE : FailWithPathErrno(errno, *path);
    BOOL result;
    {
        ShareGate gate(fd);
        if (DeleteDenied(fd)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            result = FALSE;
        } else {
            result = unlink(path->c_str()) == 0 ? TRUE : FailWithPathErrno(errno, *path);
        }
    }
    close(fd);
    return result;
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    if (InjectedFailure(OsCall::MoveFileExW)) return FALSE;
    constexpr DWORD kSupported = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if ((dwFlags & ~kSupported) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto from = SystemPathOf(lpExistingFileName);
    if (!from) return FALSE;
    const auto to = SystemPathOf(lpNewFileName);
    if (!to) return FALSE;

    struct stat info {};
    if (lstat(from->c_str(), &info) != 0) return FailWithPathErrno(errno, *from);
    if (S_ISREG(info.st_mode) && DeleteDeniedAt(*from)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }

    if ((dwFlags & MOVEFILE_REPLACE_EXISTING) == 0) {
        if (renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(), RENAME_NOREPLACE) == 0) return TRUE;
        if (errno == EEXIST) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        return FailWithPathErrno(errno, errno == ENOENT ? *to : *from);
    }

    struct stat target {};
    if (lstat(to->c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const int targetFd = lstat(to->c_str(), &target) == 0 && S_ISREG(target.st_mode) ? OpenForShareCheck(*to) : -1;
    std::optional<ShareGate> gate;
    if (targetFd != -1) {
        gate.emplace(targetFd);
        if (DeleteDenied(targetFd)) {
            gate.reset();
            close(targetFd);
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    const BOOL result = rename(from->c_str(), to->c_str()) == 0 ? TRUE : FailWithPathErrno(errno, *to);
    gate.reset();
    if (targetFd != -1) close(targetFd);
    return result;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
    const auto path = SystemPathOf(lpFileName);
    if (!path) return INVALID_FILE_ATTRIBUTES;
    struct stat info {};
    if (lstat(path->c_str(), &info) != 0) {
        FailWithPathErrno(errno, *path);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISLNK(info.st_mode)) return FILE_ATTRIBUTE_REPARSE_POINT;
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return (info.st_mode & S_IWUSR) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}
