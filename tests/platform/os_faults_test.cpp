// The hooks through which tests make the stand-in's calls fail.
#include <windows.h>

#include <gtest/gtest.h>

#include "os_faults.h"
#include "scratch_dir.h"

namespace {

using zanq::testing::FailNext;
using zanq::testing::OsCall;
using zanq::testing::OsFaultScope;
using zanq::testing::ShortWriteNext;

HANDLE OpenForWriting(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

class OsFaults : public ::testing::Test {
protected:
    OsFaultScope faults;
    ScratchDir dir;
};

TEST_F(OsFaults, FailedAndShortWritesWriteOnlyWhatTheyReport) {
    const HANDLE file = OpenForWriting(dir.WinPath("f"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 99;
    FailNext(OsCall::WriteFile);
    EXPECT_FALSE(WriteFile(file, "abcdef", 6, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, 0u);

    ShortWriteNext(2);
    EXPECT_TRUE(WriteFile(file, "abcdef", 6, &written, nullptr));
    EXPECT_EQ(written, 2u);
    EXPECT_TRUE(WriteFile(file, "XYZ", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    CloseHandle(file);
    EXPECT_EQ(dir.Read("f"), "abXYZ");
}

TEST_F(OsFaults, FailedCloseStillReleasesTheHandleAndTheFile) {
    const HANDLE file = OpenForWriting(dir.WinPath("f"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FailNext(OsCall::CloseHandle, 1, ERROR_HANDLE_DISK_FULL);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_DISK_FULL);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    const HANDLE again = OpenForWriting(dir.WinPath("f"));
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(again));
}

TEST_F(OsFaults, FailedCallsChangeNothingAndCountDown) {
    dir.Write("part", "body");
    FailNext(OsCall::CreateFileW, 2);
    EXPECT_EQ(OpenForWriting(dir.WinPath("f")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenForWriting(dir.WinPath("f")), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(dir.Exists("f"));

    FailNext(OsCall::MoveFileExW);
    EXPECT_FALSE(MoveFileExW(dir.WinPath("part").c_str(), dir.WinPath("f").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(dir.Exists("part"));
    EXPECT_FALSE(dir.Exists("f"));

    FailNext(OsCall::GetTempPathW);
    wchar_t buffer[MAX_PATH];
    EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), 0u);
    FailNext(OsCall::GetTempFileNameW);
    EXPECT_EQ(GetTempFileNameW(dir.WinPath("").c_str(), L"mod", 0, buffer), 0u);

    // Each fault was used up.
    const HANDLE file = OpenForWriting(dir.WinPath("f"));
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(MoveFileExW(dir.WinPath("part").c_str(), dir.WinPath("f").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_NE(GetTempFileNameW(dir.WinPath("").c_str(), L"mod", 0, buffer), 0u);
}

TEST_F(OsFaults, ScopeClearsPendingFaults) {
    {
        OsFaultScope inner;
        FailNext(OsCall::CreateFileW, 100);
        ShortWriteNext(0);
    }
    const HANDLE file = OpenForWriting(dir.WinPath("f"));
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    CloseHandle(file);
}

}  // namespace
