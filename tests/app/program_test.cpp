// The built program, run as a process of its own with the headless window
// backend, which reports on standard output and takes the user's actions on
// standard input: the arguments reach WinMain as its command line, and a
// close during a download ends the process promptly with 0.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fake_vendor_server.h"

extern char** environ;

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() : vendor("#!/bin/sh\nexit 0\n" + std::string(4000, '#') + "\n") {
        char pattern[] = "/tmp/zanq-program-test-XXXXXX";
        tempDirectory_ = mkdtemp(pattern);
        setenv("TMPDIR", tempDirectory_.c_str(), 1);
        setenv("ZANQ_UI", "headless", 1);
        vendor.RouteProcessTrafficHere();
        vendor.SetInstaller(FakeVendorServer::Installer::Hold);
    }

    ~ProgramTest() override {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (toChild_ >= 0) close(toChild_);
        if (fromChild_ >= 0) close(fromChild_);
        vendor.ReleaseInstaller();
        std::error_code ignored;
        std::filesystem::remove_all(tempDirectory_, ignored);
    }

    void Run(std::vector<std::string> arguments) {
        int input[2];
        int output[2];
        ASSERT_EQ(pipe(input), 0);
        ASSERT_EQ(pipe(output), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, input[1]);
        posix_spawn_file_actions_addclose(&actions, output[0]);

        arguments.insert(arguments.begin(), ZANQ_DOWNLOADER_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&child_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        toChild_ = input[1];
        fromChild_ = output[0];
        ASSERT_EQ(spawned, 0);
    }

    // Reads the program's event lines until one equals `event`.
    bool WaitForEvent(const std::string& event, milliseconds timeout = milliseconds(5000)) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            for (size_t end; (end = buffered_.find('\n')) != std::string::npos;) {
                const std::string line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                if (line == event) return true;
            }
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            pollfd readable{fromChild_, POLLIN, 0};
            if (poll(&readable, 1, static_cast<int>(left)) <= 0) return false;
            char chunk[512];
            const ssize_t got = read(fromChild_, chunk, sizeof chunk);
            if (got <= 0) return false;
            buffered_.append(chunk, static_cast<size_t>(got));
        }
    }

    void Command(const std::string& command) {
        const std::string line = command + "\n";
        ASSERT_EQ(write(toChild_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }

    // The exit code, once the program has ended within `timeout`.
    std::optional<int> WaitExit(milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(child_, &status, WNOHANG) == child_) {
                child_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
        return std::nullopt;
    }

    FakeVendorServer vendor;

private:
    std::string tempDirectory_;
    pid_t child_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffered_;
};

TEST_F(ProgramTest, SwitchAmongArgumentsStartsDownloadBeforeDialogIsShown) {
    Run({"--quiet", "x/downloady"});
    ASSERT_TRUE(WaitForEvent("shown"));
    EXPECT_TRUE(vendor.WaitForInstallerRequests(1));
    EXPECT_TRUE(vendor.WaitForHints(1));
}

TEST_F(ProgramTest, OtherSpellingsAndSplitSwitchStartNothing) {
    Run({"/DOWNLOAD", "-download", "/down", "load"});
    ASSERT_TRUE(WaitForEvent("shown"));
    EXPECT_FALSE(vendor.WaitForInstallerRequests(1, milliseconds(1000)));
}

TEST_F(ProgramTest, CloseDuringDownloadExitsPromptlyWithZero) {
    Run({"/download"});
    ASSERT_TRUE(WaitForEvent("shown"));
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());
    const auto closed = Clock::now();
    Command("close");
    ASSERT_TRUE(WaitForEvent("ended 0"));
    EXPECT_EQ(WaitExit(milliseconds(5000)), 0);
    EXPECT_LT(Clock::now() - closed, std::chrono::seconds(3));
}

}  // namespace
