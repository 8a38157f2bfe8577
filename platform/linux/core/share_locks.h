// Windows file sharing between handles of every process that uses this
// stand-in. Each open handle marks what it holds and what it denies with
// open-file-description locks on single bytes far beyond any real file size:
// such locks belong to the open file, not to the process, vanish when it is
// closed (or its process dies), and are seen by every other process. A short
// exclusive flock() "gate" makes check-and-mark atomic.
#pragma once

namespace zanq::os {

struct ShareRequest {
    bool read = false;
    bool write = false;
    bool shareRead = false;
    bool shareWrite = false;
    bool shareDelete = false;
};

// Holds the gate of the file open as `fd` for its lifetime.
class ShareGate {
public:
    explicit ShareGate(int fd);
    ~ShareGate();
    ShareGate(const ShareGate&) = delete;
    ShareGate& operator=(const ShareGate&) = delete;

private:
    int fd_;
};

enum class ShareResult { Granted, Violation, Error };

// Call with the gate held. Checks `request` against every other open handle
// of the file and, if no rule is broken, marks it on `fd` (a new descriptor
// of that file, readable unless `readable` is false). On a violation nothing
// is marked; on Error, errno tells why. On a file system that has no such
// locks the rules cannot be kept: Granted, with nothing marked.
ShareResult AcquireShare(int fd, bool readable, const ShareRequest& request);

// Call with the gate held: whether some open handle of the file open as `fd`
// does not let others delete or rename it.
bool DeleteDenied(int fd);

}  // namespace zanq::os
