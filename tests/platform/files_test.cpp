#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "scratch_dir.h"

namespace {

HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

std::string ReadAll(HANDLE file) {
    char buffer[256];
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    return std::string(buffer, read);
}

class Files : public ::testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(Files, BackslashPathsWithDoubledSeparatorsNameTheSameFile) {
    std::wstring doubled = dir.WinPath("sub");
    std::filesystem::create_directory(dir.Path("sub"));
    doubled += L"\\\\data.bin";
    const HANDLE file = Open(doubled, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteAll(file, "hello"));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(dir.Read("sub/data.bin"), "hello");

    // Forward slashes, mixed, work as well.
    std::wstring mixed = dir.root().wstring() + L"/sub\\/data.bin";
    const HANDLE again = Open(mixed, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(again), "hello");
    CloseHandle(again);
}

TEST_F(Files, DispositionsCreateReplaceOrRefuseAsWindowsDoes) {
    const std::wstring path = dir.WinPath("f");
    SetLastError(1234);
    HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(WriteAll(file, "old content"));
    CloseHandle(file);

    file = Open(path, GENERIC_WRITE, 0, CREATE_NEW);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    file = Open(path, GENERIC_READ, 0, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadAll(file), "old content");
    CloseHandle(file);

    file = Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(WriteAll(file, "new"));
    CloseHandle(file);
    EXPECT_EQ(dir.Read("f"), "new");
}

TEST_F(Files, RefusedOpensNameTheReason) {
    dir.Write("file", "x");
    std::filesystem::create_directory(dir.Path("folder"));
    const struct {
        std::wstring path;
        DWORD access;
        DWORD disposition;
        DWORD error;
    } cases[] = {
        {dir.WinPath("missing"), GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {dir.WinPath("no\\such\\dir"), GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {dir.WinPath("file\\below"), GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {dir.WinPath("folder"), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {L"", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {dir.WinPath("bad") + wchar_t(0xD800), GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
        {dir.WinPath("file"), GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {dir.WinPath("file"), GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        SetLastError(0);
        EXPECT_EQ(Open(c.path, c.access, FILE_SHARE_READ, c.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(dir.Read("file"), "x");
}

TEST_F(Files, HandlesOnlyDoWhatTheirAccessAllows) {
    dir.Write("f", "data");
    const HANDLE reader = Open(dir.WinPath("f"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(written, 0u);
    CloseHandle(reader);

    const HANDLE writer = Open(dir.WinPath("g"), GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD read = 0;
    EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(WriteFile(writer, "", 0, &written, nullptr));
    EXPECT_EQ(written, 0u);
    CloseHandle(writer);

    // A file handle is no thread handle, and a closed one is nothing.
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread(writer, &code));
    EXPECT_FALSE(WriteFile(writer, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Files, SymbolicLinksAreNeverFollowed) {
    dir.Write("target", "secret");
    std::filesystem::create_symlink(dir.Path("target"), dir.Path("link"));
    std::filesystem::create_symlink(dir.Path("nowhere"), dir.Path("dangling"));

    for (const DWORD disposition : {CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS, TRUNCATE_EXISTING}) {
        SCOPED_TRACE(disposition);
        EXPECT_EQ(Open(dir.WinPath("link"), GENERIC_WRITE, FILE_SHARE_READ, disposition), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(Open(dir.WinPath("dangling"), GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(dir.Exists("nowhere"));
    EXPECT_EQ(dir.Read("target"), "secret");
    EXPECT_EQ(GetFileAttributesW(dir.WinPath("link").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));

    // Replacing or deleting a link acts on the link alone.
    dir.Write("new", "fresh");
    EXPECT_TRUE(MoveFileExW(dir.WinPath("new").c_str(), dir.WinPath("link").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(dir.Read("link"), "fresh");
    EXPECT_TRUE(DeleteFileW(dir.WinPath("dangling").c_str()));
    EXPECT_FALSE(dir.Exists("dangling"));
    EXPECT_EQ(dir.Read("target"), "secret");
}

TEST_F(Files, MoveReplacesOnlyWhenAskedAndDeleteRemoves) {
    dir.Write("part", "complete body");
    dir.Write("target", "previous");
    SetLastError(0);
    EXPECT_FALSE(MoveFileExW(dir.WinPath("part").c_str(), dir.WinPath("target").c_str(), 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(dir.Read("target"), "previous");

    EXPECT_TRUE(MoveFileExW(dir.WinPath("part").c_str(), dir.WinPath("target").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(dir.Read("target"), "complete body");
    EXPECT_FALSE(dir.Exists("part"));

    EXPECT_FALSE(MoveFileExW(dir.WinPath("part").c_str(), dir.WinPath("other").c_str(), 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(GetFileAttributesW(dir.WinPath("target").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(dir.WinPath("target").c_str()));
    EXPECT_EQ(GetFileAttributesW(dir.WinPath("target").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileW(dir.WinPath("target").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
