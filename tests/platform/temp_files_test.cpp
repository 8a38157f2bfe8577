#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "scratch_dir.h"
#include "system_paths.h"

namespace {

namespace fs = std::filesystem;

std::wstring WindowsForm(const std::string& systemPath) {
    std::wstring path(systemPath.begin(), systemPath.end());
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::wstring ReportedTempPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    EXPECT_EQ(length, std::wcslen(buffer));
    return buffer;
}

// Points TMPDIR where a test says and makes the fallback directory live in a
// scratch root of its own; restores both afterwards.
class TempPath : public ::testing::Test {
protected:
    TempPath() {
        if (const char* value = std::getenv("TMPDIR")) savedTmpdir = value;
    }
    ~TempPath() override {
        if (savedTmpdir) {
            setenv("TMPDIR", savedTmpdir->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    void UseTmpdir(const std::string& path) { setenv("TMPDIR", path.c_str(), 1); }
    std::string Fallback() const { return dir.Path("zanq-" + std::to_string(geteuid())); }

    ScratchDir dir;
    zanq::testing::ScopedTempRoot fallbackRoot{dir.root().string()};
    std::optional<std::string> savedTmpdir;
};

TEST_F(TempPath, PrivateTmpdirIsReportedWithBackslashesAndATrailingOne) {
    fs::create_directory(dir.Path("mine"));
    fs::permissions(dir.Path("mine"), fs::perms::owner_all);
    UseTmpdir(dir.Path("mine") + "//");
    EXPECT_EQ(ReportedTempPath(), WindowsForm(dir.Path("mine")) + L"\\");

    // Too small a buffer: the size needed, nothing written.
    const DWORD needed = static_cast<DWORD>(ReportedTempPath().size() + 1);
    wchar_t small[4] = {L'?', L'?', L'?', L'?'};
    EXPECT_EQ(GetTempPathW(4, small), needed);
    EXPECT_EQ(small[0], L'?');
}

TEST_F(TempPath, UnsafeTmpdirIsPassedOverForAPrivateDirectoryOfOurOwn) {
    const auto make = [&](const std::string& name, fs::perms perms) {
        fs::create_directory(dir.Path(name));
        fs::permissions(dir.Path(name), perms);
        return dir.Path(name);
    };
    fs::create_directory(dir.Path("real"));
    fs::create_directory_symlink(dir.Path("real"), dir.Path("link"));
    std::vector<std::pair<std::string, std::string>> unsafe = {
        {"world-writable", make("world", fs::perms::all)},
        {"sticky world-writable", make("sticky", fs::perms::all | fs::perms::sticky_bit)},
        {"group-writable", make("group", fs::perms::owner_all | fs::perms::group_all)},
        {"not writable by its owner", make("readonly", fs::perms::owner_read | fs::perms::owner_exec)},
        {"a symbolic link", dir.Path("link")},
        {"missing", dir.Path("missing")},
        {"relative", "relative/dir"},
        {"empty", ""},
    };
    if (geteuid() == 0) {
        const std::string foreign = make("foreign", fs::perms::owner_all);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
        unsafe.emplace_back("owned by someone else", foreign);
    }
    for (const auto& [what, path] : unsafe) {
        SCOPED_TRACE(what);
        UseTmpdir(path);
        EXPECT_EQ(ReportedTempPath(), WindowsForm(Fallback()) + L"\\");
    }
    struct stat info {};
    ASSERT_EQ(lstat(Fallback().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());
}

TEST_F(TempPath, UnsafeFallbackDirectoryIsRefused) {
    unsetenv("TMPDIR");
    const auto refused = [&](const char* what) {
        SCOPED_TRACE(what);
        wchar_t buffer[MAX_PATH] = {L'?'};
        SetLastError(0);
        EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), 0u);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(buffer[0], L'?');
    };
    fs::create_directory(Fallback());
    fs::permissions(Fallback(), fs::perms::all);
    refused("world-writable");
    fs::remove(Fallback());

    fs::create_directory(dir.Path("elsewhere"));
    fs::permissions(dir.Path("elsewhere"), fs::perms::owner_all);
    fs::create_directory_symlink(dir.Path("elsewhere"), Fallback());
    refused("a symbolic link");
    fs::remove(Fallback());

    fs::create_directory(Fallback());
    fs::permissions(Fallback(), fs::perms::owner_all);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(Fallback().c_str(), 65534, 65534), 0);
        refused("owned by someone else");
    }
}

TEST(TempFileName, MakesNewEmptyPrivateFilesWithThePrefixInTheDirectory) {
    ScratchDir dir;
    // Given with its trailing separator, and without one (then one is added).
    const std::wstring withSeparator = dir.WinPath("");
    const std::wstring withoutSeparator = dir.root().wstring();
    wchar_t first[MAX_PATH] = {}, second[MAX_PATH] = {};
    EXPECT_NE(GetTempFileNameW(withSeparator.c_str(), L"modify", 0, first), 0u);
    EXPECT_NE(GetTempFileNameW(withoutSeparator.c_str(), L"mod", 0, second), 0u);
    EXPECT_NE(zanq::testing::SystemPath(first), zanq::testing::SystemPath(second));
    const std::pair<std::wstring, std::wstring> made[] = {{first, withSeparator + L"mod"},
                                                          {second, withoutSeparator + L"\\mod"}};
    for (const auto& [name, start] : made) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        EXPECT_EQ(name.rfind(start, 0), 0u) << "in the directory, prefix cut to 3 characters";
        EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
        struct stat info {};
        ASSERT_EQ(lstat(zanq::testing::SystemPath(name).c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_size, 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
}

TEST(TempFileName, FailsWithoutCreatingAnything) {
    ScratchDir dir;
    dir.Write("plain", "");
    const struct {
        const char* what;
        std::wstring directory;
    } cases[] = {
        {"missing directory", dir.WinPath("missing")},
        {"a file, not a directory", dir.WinPath("plain")},
        {"empty directory name", L""},
        {"name too long", dir.WinPath(std::string(MAX_PATH, 'x'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        wchar_t buffer[MAX_PATH] = {L'?'};
        EXPECT_EQ(GetTempFileNameW(c.directory.c_str(), L"mod", 0, buffer), 0u);
        EXPECT_EQ(buffer[0], L'?');
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.root()), fs::directory_iterator()), 1);
}

TEST(SystemStrings, HoldTheirLengthAndEndInANul) {
    BSTR blank = SysAllocStringLen(nullptr, MAX_PATH);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(SysStringLen(blank), static_cast<UINT>(MAX_PATH));
    EXPECT_EQ(blank[0], L'\0');
    EXPECT_EQ(blank[MAX_PATH], L'\0');
    SysFreeString(blank);

    BSTR part = SysAllocStringLen(L"abcdef", 3);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(std::wstring(part), L"abc");
    EXPECT_EQ(SysStringLen(part), 3u);
    SysFreeString(part);

    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    SysFreeString(nullptr);
}

}  // namespace
