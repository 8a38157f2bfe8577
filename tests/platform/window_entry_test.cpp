// The process entry: WinMain gets the arguments joined by single spaces,
// without the program's name; without a usable window backend the program
// stops at once with one line on stderr.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
    std::string output;
    int status;
};

Outcome RunShell(const std::string& command) {
    Outcome outcome{{}, -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) outcome.output += buffer;
    int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(WindowEntryTest, ArgumentsBecomeTheCommandLine) {
    const std::string probe = WINDOW_ENTRY_PROBE;
    struct Case {
        std::string arguments;
        std::string commandLine;
    };
    const Case cases[] = {
        {"", "[] 1 0\n"},
        {"/download", "[/download] 1 0\n"},
        {"--quiet  x/downloady 'two  words'", "[--quiet x/downloady two  words] 1 0\n"},
    };
    for (const Case& test : cases) {
        Outcome outcome = RunShell("ZANQ_UI=headless '" + probe + "' " + test.arguments + " </dev/null");
        EXPECT_EQ(outcome.output, test.commandLine) << test.arguments;
        EXPECT_EQ(outcome.status, 5);
    }
}

TEST(WindowEntryTest, NoDisplayAndNoHeadlessChoiceStopsWithOneLine) {
    const std::string probe = WINDOW_ENTRY_PROBE;
    for (const std::string environment : {"env -u DISPLAY -u ZANQ_UI", "env DISPLAY=:99 ZANQ_UI=nonesuch"}) {
        Outcome outcome = RunShell(environment + " '" + probe + "' 2>&1 >/dev/null");
        EXPECT_NE(outcome.status, 0) << environment;
        EXPECT_NE(outcome.status, 5) << environment;
        ASSERT_FALSE(outcome.output.empty()) << environment;
        EXPECT_EQ(outcome.output.find('\n'), outcome.output.size() - 1) << outcome.output;
    }
}

}  // namespace
