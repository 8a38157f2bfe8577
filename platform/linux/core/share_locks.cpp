#include "core/share_locks.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdint>

namespace zanq::os {
namespace {

enum Marker : off_t { HoldsRead, HoldsWrite, DeniesRead, DeniesWrite, DeniesDelete };

// Well inside the largest offset the system accepts, far beyond any file.
constexpr off_t kMarkerBase = INT64_MAX - 64;

struct flock MarkerLock(Marker marker, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkerBase + marker;
    lock.l_len = 1;
    return lock;
}

// Whether another open file holds `marker`: a write lock would conflict with
// any lock there, and our own descriptor's locks never conflict with it.
bool OthersHold(int fd, Marker marker) {
    auto probe = MarkerLock(marker, F_WRLCK);
    if (fcntl(fd, F_OFD_GETLK, &probe) == -1) return false;
    return probe.l_type != F_UNLCK;
}

bool Mark(int fd, bool readable, Marker marker) {
    // A shared lock needs read access. A descriptor without it marks with an
    // exclusive lock, which others see just the same; it only keeps a second
    // such descriptor from marking the same byte, erring on the strict side.
    auto lock = MarkerLock(marker, readable ? F_RDLCK : F_WRLCK);
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

void UnmarkAll(int fd) {
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkerBase;
    lock.l_len = DeniesDelete + 1;
    fcntl(fd, F_OFD_SETLK, &lock);
}

}  // namespace

ShareGate::ShareGate(int fd) : fd_(fd) {
    while (flock(fd_, LOCK_EX) == -1 && errno == EINTR) {
    }
}

ShareGate::~ShareGate() { flock(fd_, LOCK_UN); }

ShareResult AcquireShare(int fd, bool readable, const ShareRequest& request) {
    const bool violation = (request.read && OthersHold(fd, DeniesRead)) ||
                           (request.write && OthersHold(fd, DeniesWrite)) ||
                           (!request.shareRead && OthersHold(fd, HoldsRead)) ||
                           (!request.shareWrite && OthersHold(fd, HoldsWrite));
    if (violation) return ShareResult::Violation;

    const struct {
        bool wanted;
        Marker marker;
    } marks[] = {{request.read, HoldsRead},
                 {request.write, HoldsWrite},
                 {!request.shareRead, DeniesRead},
                 {!request.shareWrite, DeniesWrite},
                 {!request.shareDelete, DeniesDelete}};
    for (const auto& mark : marks) {
        if (mark.wanted && !Mark(fd, readable, mark.marker)) {
            const int error = errno;
            UnmarkAll(fd);
            // Only an exclusive mark can be refused by another handle's.
            if (error == EAGAIN || error == EACCES) return ShareResult::Violation;
            // A file system without such locks cannot keep the rules; the
            // file is opened as the system itself would open it.
            if (error == ENOLCK || error == EOPNOTSUPP || error == EINVAL) {
                return ShareResult::Granted;
            }
            errno = error;
            return ShareResult::Error;
        }
    }
    return ShareResult::Granted;
}

bool DeleteDenied(int fd) { return OthersHold(fd, DeniesDelete); }

}  // namespace zanq::os
