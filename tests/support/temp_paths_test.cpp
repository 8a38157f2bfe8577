#include "temp_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "os_faults.h"
#include "private_tmpdir.h"
#include "system_paths.h"

namespace {

namespace fs = std::filesystem;
using zanq::testing::SystemPath;

class TempPaths : public ::testing::Test {
protected:
    PrivateTmpdir tmpdir;
};

TEST_F(TempPaths, InstallerPathIsTheTempDirectoryTwoBackslashesAndTheInstallerName) {
    const std::wstring directory = GetTempDirectory();
    EXPECT_EQ(directory, tmpdir.WindowsForm());
    const std::wstring path = MakeInstallerPath();
    EXPECT_EQ(path, directory + L"\\ZanqPlayBundleInstaller.exe");
    EXPECT_TRUE(path.ends_with(L"\\\\ZanqPlayBundleInstaller.exe"));
    EXPECT_EQ(MakeInstallerPath(), path);

    // The file functions take the path as it is.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(fs::is_regular_file(tmpdir.root() / "ZanqPlayBundleInstaller.exe"));
}

TEST_F(TempPaths, ScratchFilesAreNewEmptyAndNamedModInTheGivenDirectory) {
    const std::wstring directory = GetTempDirectory();
    const std::wstring first = MakeScratchFileName(directory);
    const std::wstring second = MakeScratchFileName(directory);
    EXPECT_NE(first, second);
    for (const auto& name : {first, second}) {
        SCOPED_TRACE(SystemPath(name));
        ASSERT_TRUE(name.starts_with(directory));
        EXPECT_TRUE(name.substr(directory.size()).starts_with(L"mod"));
        EXPECT_EQ(name.find_first_of(L"\\/", directory.size()), std::wstring::npos);
        ASSERT_TRUE(fs::is_regular_file(SystemPath(name)));
        EXPECT_EQ(fs::file_size(SystemPath(name)), 0u);
    }
    EXPECT_EQ(tmpdir.Names().size(), 2u);
}

TEST_F(TempPaths, ScratchNameIsEmptyAndNothingIsMadeWhereNoFileCanBe) {
    fs::create_directory(tmpdir.root() / "sub");
    std::ofstream(tmpdir.root() / "plain") << "x";
    zanq::testing::OsFaultScope faults;
    const struct {
        const char* what;
        std::wstring directory;
        bool refuseCall;
    } cases[] = {
        {"missing directory", tmpdir.WindowsForm() + L"missing\\", false},
        {"a file, not a directory", tmpdir.WindowsForm() + L"plain\\", false},
        {"empty directory", L"", false},
        {"the system refuses", tmpdir.WindowsForm() + L"sub\\", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.refuseCall) zanq::testing::FailNext(zanq::testing::OsCall::GetTempFileNameW);
        EXPECT_EQ(MakeScratchFileName(c.directory), L"");
    }
    EXPECT_TRUE(fs::is_empty(tmpdir.root() / "sub"));
    EXPECT_EQ(tmpdir.Names().size(), 2u);
}

TEST_F(TempPaths, UnknownTempDirectoryGivesEmptyPathsNotOnesInTheRoot) {
    const auto expectEmpty = [] {
        EXPECT_EQ(GetTempDirectory(), L"");
        EXPECT_EQ(MakeInstallerPath(), L"");
        EXPECT_EQ(MakeScratchFileName(GetTempDirectory()), L"");
    };
    {
        SCOPED_TRACE("the system cannot name it");
        zanq::testing::OsFaultScope faults;
        zanq::testing::FailNext(zanq::testing::OsCall::GetTempPathW, 4);
        expectEmpty();
    }
    {
        SCOPED_TRACE("longer than the buffer");
        fs::path deep = tmpdir.root();
        while (deep.native().size() < MAX_PATH + 20) deep /= std::string(40, 'd');
        fs::create_directories(deep);
        fs::permissions(deep, fs::perms::owner_all);
        setenv("TMPDIR", deep.c_str(), 1);
        expectEmpty();
    }
}

}  // namespace
