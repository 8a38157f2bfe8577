// Processes and folders that a test owns for its lifetime: a child process
// that is killed and reaped when it goes out of scope, and a scratch folder
// that is removed with everything in it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Variables to set (a value) or remove (no value) on top of this process's
// environment.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

class ChildProcess {
public:
    // Starts `argv` with the environment changed as given; stdout and stderr
    // go to `outputFile` (appended), or are inherited when it is empty. Each
    // pair of `passFds` hands our descriptor `first` to the child as `second`.
    ChildProcess(const std::vector<std::string>& argv, const EnvChanges& env,
                 const std::filesystem::path& outputFile = {},
                 const std::vector<std::pair<int, int>>& passFds = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }

    // The exit code once the process has ended within `timeout`; a death by
    // signal gives 128 + the signal's number.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);
    bool Running();
    void Kill(int signal);

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};
