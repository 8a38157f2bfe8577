// The shell's "open": scripts and programs start detached with the
// parameter string split like a Windows command line.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/utf8.h"
#include "window/command_line_split.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ShellExecuteTest : public ::testing::Test {
protected:
    ShellExecuteTest() {
        char pattern[] = "/tmp/zanq-shell-test-XXXXXX";
        directory = mkdtemp(pattern);
    }
    ~ShellExecuteTest() override {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    // Waits for a file that the started process writes last.
    static std::string WaitForFile(const fs::path& path) {
        auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (fs::exists(path)) {
                std::ifstream in(path);
                std::stringstream text;
                text << in.rdbuf();
                return text.str();
            }
            std::this_thread::sleep_for(10ms);
        }
        return "(nothing written)";
    }

    static INT_PTR Open(const fs::path& file, const wchar_t* parameters) {
        return reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, L"open", file.wstring().c_str(), parameters, nullptr, SW_SHOWNORMAL));
    }

    fs::path directory;
};

TEST_F(ShellExecuteTest, ScriptWithoutExecuteBitRunsThroughItsInterpreterWithSplitParameters) {
    fs::path script = directory / "installer.exe";
    fs::path output = directory / "arguments.txt";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" << output.string() << ".part'\n"
            << "mv '" << output.string() << ".part' '" << output.string() << "'\n";
    }
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);

    EXPECT_GT(Open(script, L"/VKOAD \"two words\" a\\\"b"), 32);
    EXPECT_EQ(WaitForFile(output), "[/VKOAD][two words][a\"b]");
}

TEST_F(ShellExecuteTest, NativeProgramGetsItsExecuteBit) {
    fs::path program = directory / "tool";
    fs::copy_file("/usr/bin/touch", program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_write);
    fs::path created = directory / "made by tool";

    EXPECT_GT(Open(program, (L"\"" + created.wstring() + L"\"").c_str()), 32);
    EXPECT_EQ(WaitForFile(created), "");
    EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(ShellExecuteTest, MissingFileOrUnknownVerbFails) {
    EXPECT_EQ(Open(directory / "missing.exe", L"/VKOAD"), SE_ERR_FNF);
    EXPECT_EQ(Open(directory / "missing" / "deeper.exe", nullptr), SE_ERR_FNF);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"", nullptr, nullptr, SW_SHOWNORMAL)),
              SE_ERR_FNF);
    EXPECT_LE(reinterpret_cast<INT_PTR>(
                  ShellExecuteW(nullptr, L"print", L"/bin/true", nullptr, nullptr, SW_SHOWNORMAL)),
              32);
}

TEST(CommandLineSplitTest, FollowsTheWindowsRules) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> arguments;
    };
    const Case cases[] = {
        {L"", {}},
        {L"  /VKOAD  ", {L"/VKOAD"}},
        {L"a b\tc", {L"a", L"b", L"c"}},
        {L"\"two words\" x", {L"two words", L"x"}},
        {L"pre\"quoted part\"post", {L"prequoted partpost"}},
        {L"\"\"", {L""}},
        {L"a\\\\b", {L"a\\\\b"}},              // backslashes before no quote stay
        {L"a\\\"b", {L"a\"b"}},                 // odd count: a literal quote
        {L"\"a\\\\\" b", {L"a\\", L"b"}},       // even count: halved, the quote acts
        {L"\"say \"\"hi\"\"\"", {L"say \"hi\""}},  // "" inside quotes is one quote
        {L"\"open end", {L"open end"}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(zanq::ui::SplitCommandLine(test.line), test.arguments) << zanq::os::ToUtf8(test.line);
    }
}

}  // namespace
