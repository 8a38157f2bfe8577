// The whole process: closing the dialog during a download ends WinMain with
// 0, and the process exits promptly although the transfer still runs (the
// download manager stops it at exit). Runs in a child process of its own.
//
// The fake vendor server runs in that child too and goes on running while
// std::exit destroys the static objects, the server library's own among them.
// A request it is still reading or answering then would touch those, so the
// child lets the hint that the press sends be answered in full first: at exit
// only the held installer is in flight, parked in the fake server's own code.
#include <chrono>
#include <cstdlib>

#include "app_fixture.h"

namespace {

TEST_F(AppTest, ProcessExitsPromptlyWithZeroAfterCloseDuringDownload) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    vendor.SetInstaller(FakeVendorServer::Installer::Hold);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            StartProgram();
            PressDownload();
            if (!vendor.WaitForInstallerHalfSent() || !vendor.WaitForHintsAnswered(1)) std::_Exit(10);
            if (!ui->Close() || !ui->WaitForDialogEnded()) std::_Exit(11);
            std::exit(FinishProgram());
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
