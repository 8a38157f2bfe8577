#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zanq-e2e-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

std::vector<std::string> MergedEnvironment(const EnvChanges& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (changes.count(name) == 0) result.push_back(std::move(text));
    }
    for (const auto& [name, value] : changes) {
        if (value) result.push_back(name + "=" + *value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const EnvChanges& env,
                           const std::filesystem::path& outputFile,
                           const std::vector<std::pair<int, int>>& passFds) {
    std::vector<std::string> args = argv;
    std::vector<std::string> envStrings = MergedEnvironment(env);
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(envStrings);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    for (const auto& [ours, theirs] : passFds) posix_spawn_file_actions_adddup2(&actions, ours, theirs);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A process group of its own, so that a kill also reaches what it started.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    const int error = posix_spawnp(&pid_, args[0].c_str(), &actions, &attributes, argPointers.data(),
                                   envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(error));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exitCode_) {
        Kill(SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exitCode_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exitCode_;
}

bool ChildProcess::Running() { return !WaitExit(std::chrono::milliseconds(0)); }

void ChildProcess::Kill(int signal) {
    if (pid_ > 0 && !exitCode_) {
        kill(-pid_, signal);
        kill(pid_, signal);
    }
}
