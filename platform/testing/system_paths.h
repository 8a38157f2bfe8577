// How the stand-in maps Windows-style paths onto this system, for tests that
// check files with the system's own tools.
#pragma once

#include <string>

namespace zanq::testing {

// The UTF-8 system path a Windows-style wide path names ('\' and '/'
// separate, runs of separators count once); empty for text that is not
// valid Unicode.
std::string SystemPath(const std::wstring& windowsPath);

// While alive, GetTempPathW makes and checks its fallback directory
// zanq-<uid> under `root` instead of /tmp.
class ScopedTempRoot {
public:
    explicit ScopedTempRoot(const std::string& root);
    ~ScopedTempRoot();
    ScopedTempRoot(const ScopedTempRoot&) = delete;
    ScopedTempRoot& operator=(const ScopedTempRoot&) = delete;

private:
    std::string previous_;
};

}  // namespace zanq::testing
