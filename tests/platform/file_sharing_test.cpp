// Windows sharing rules between handles, in one process and across processes.
#include <windows.h>

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "scratch_dir.h"

extern char** environ;

namespace {

struct OpenMode {
    const char* name;
    DWORD access;
    DWORD share;
    DWORD disposition;
};

// The three ways the program opens files, and a few more.
constexpr OpenMode kReadSharingAll{"read, others read+write", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   OPEN_EXISTING};
constexpr OpenMode kWriteSharingRead{"write, others read", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
constexpr OpenMode kExclusive{"read+write, no sharing", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS};
constexpr OpenMode kReadSharingRead{"read, others read", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
constexpr OpenMode kWriteSharingAll{"write, others read+write", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    OPEN_ALWAYS};

HANDLE Open(const std::wstring& path, const OpenMode& mode) {
    return CreateFileW(path.c_str(), mode.access, mode.share, nullptr, mode.disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

class FileSharing : public ::testing::Test {
protected:
    FileSharing() { dir.Write("f", "original"); }
    ScratchDir dir;
    std::wstring path = dir.WinPath("f");
};

TEST_F(FileSharing, SecondHandleIsRefusedWhenEitherSideDoesNotShare) {
    const struct {
        OpenMode first;
        OpenMode second;
        bool allowed;
    } cases[] = {
        {kWriteSharingRead, kWriteSharingRead, false},  // a second writer
        {kWriteSharingRead, kReadSharingAll, true},
        {kReadSharingAll, kWriteSharingRead, true},
        {kReadSharingRead, kWriteSharingAll, false},    // the first lets nobody write
        {kWriteSharingAll, kReadSharingRead, false},    // the second lets nobody write, the first does
        {kWriteSharingAll, kWriteSharingAll, true},
        {kReadSharingRead, kReadSharingRead, true},
        {kExclusive, kReadSharingAll, false},
        {kReadSharingAll, kExclusive, false},
        {kExclusive, kExclusive, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first.name) + " then " + c.second.name);
        dir.Write("f", "original");
        const HANDLE first = Open(path, c.first);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        const bool firstEmptied = c.first.disposition == CREATE_ALWAYS;
        SetLastError(0);
        const HANDLE second = Open(path, c.second);
        if (c.allowed) {
            EXPECT_NE(second, INVALID_HANDLE_VALUE);
            CloseHandle(second);
        } else {
            EXPECT_EQ(second, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
            // A refused CREATE_ALWAYS must not have emptied the file.
            EXPECT_EQ(dir.Read("f"), firstEmptied ? "" : "original");
        }
        EXPECT_TRUE(CloseHandle(first));
        // Closing released everything.
        const HANDLE after = Open(path, kExclusive);
        EXPECT_NE(after, INVALID_HANDLE_VALUE);
        CloseHandle(after);
    }
}

TEST_F(FileSharing, OpenFilesWithoutDeleteSharingCannotBeReplacedOrDeleted) {
    dir.Write("part", "new body");
    const HANDLE writer = Open(path, kWriteSharingRead);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(MoveFileExW(dir.WinPath("part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFileExW(path.c_str(), dir.WinPath("elsewhere").c_str(), 0));
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(dir.Exists("part"));
    CloseHandle(writer);

    EXPECT_TRUE(MoveFileExW(dir.WinPath("part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(dir.Read("f"), "new body");
}

TEST_F(FileSharing, CheckAndTakeIsAtomicUnderContention) {
    std::atomic<int> holders{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                const HANDLE file = Open(path, kExclusive);
                if (file == INVALID_HANDLE_VALUE) continue;
                if (holders.fetch_add(1) != 0) overlaps.fetch_add(1);
                opened.fetch_add(1);
                holders.fetch_sub(1);
                CloseHandle(file);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_GT(opened.load(), 0);
}

// zanq_share_holder, holding the file in a process of its own.
class Holder {
public:
    Holder(const std::string& path, const OpenMode& mode) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        const std::string access = std::to_string(mode.access), share = std::to_string(mode.share),
                          disposition = std::to_string(mode.disposition);
        const char* argv[] = {SHARE_HOLDER_PROGRAM, path.c_str(), access.c_str(), share.c_str(),
                              disposition.c_str(), nullptr};
        const int spawned =
            posix_spawn(&pid_, SHARE_HOLDER_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        input_ = toChild[1];
        if (spawned != 0) throw std::runtime_error("cannot start the share holder");
        FILE* output = fdopen(fromChild[0], "r");
        char line[64] = {};
        if (std::fgets(line, sizeof line, output) != nullptr) answer_ = line;
        std::fclose(output);
        while (!answer_.empty() && answer_.back() == '\n') answer_.pop_back();
    }
    ~Holder() { Release(); }

    // "ok" or "error <code>".
    const std::string& answer() const { return answer_; }

    void Release() {
        if (pid_ == 0) return;
        close(input_);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }

private:
    pid_t pid_ = 0;
    int input_ = -1;
    std::string answer_;
};

TEST_F(FileSharing, RulesHoldAcrossProcesses) {
    {
        Holder other(dir.Path("f"), kWriteSharingRead);
        ASSERT_EQ(other.answer(), "ok");
        EXPECT_EQ(Open(path, kWriteSharingRead), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        const HANDLE reader = Open(path, kReadSharingAll);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        CloseHandle(reader);
        other.Release();
        const HANDLE writer = Open(path, kWriteSharingRead);
        EXPECT_NE(writer, INVALID_HANDLE_VALUE);
        CloseHandle(writer);
    }
    dir.Write("f", "ours");
    const HANDLE ours = Open(path, kExclusive);
    ASSERT_NE(ours, INVALID_HANDLE_VALUE);
    Holder other(dir.Path("f"), kReadSharingAll);
    EXPECT_EQ(other.answer(), "error " + std::to_string(ERROR_SHARING_VIOLATION));
    CloseHandle(ours);
}

}  // namespace
