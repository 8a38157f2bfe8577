// A real program run headless from another process: events on its standard
// output, the user's commands on its standard input (sent ahead; each waits
// for its dialog or message box).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

TEST(WindowProtocolTest, ScriptedUserPressesAnswersAndCloses) {
    const std::string command = std::string("printf 'move 200 20\\nfrobnicate\\nclick 200 20\\nanswer yes\\nclose\\n' | "
                                            "ZANQ_UI=headless timeout 20 '") + WINDOW_PROTOCOL_PROBE + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 9);
    EXPECT_EQ(output,
              "created 101\n"
              "shown\n"
              "error frobnicate\n"
              "cursor 32649\n"
              "messagebox 4 Question:|Go on?\n"
              "answered 6\n"
              "visible 1004 0\n"
              "ended 9\n");
}

}  // namespace
