// The download workflow driven through the dialog as a user would: real
// transfers from a loopback server, the real engine, a real installer script.
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "app_fixture.h"
#include "host_settings.h"
#include "resource.h"
#include "workflow_state.h"

namespace {

const std::string kStartedHint = "vkozanqappdl10";
const std::string kLaunchedHint = "vkozanqappinstplay10";

using Installer = FakeVendorServer::Installer;
using Hints = FakeVendorServer::Hints;
using std::chrono::milliseconds;

TEST_F(AppTest, DownloadQuestionYesLaunchesInstallerAndLaunchHintEndsDialog) {
    StartProgram();
    EXPECT_TRUE(ProgressControlsShown(false));
    PressDownload();

    auto question = ExpectQuestion();
    EXPECT_EQ(Progress(), 100);
    EXPECT_TRUE(ProgressControlsShown(true));
    EXPECT_FALSE(downloading);
    EXPECT_TRUE(downloadComplete);
    Answer(question, IDYES);

    ASSERT_TRUE(ui->WaitForDialogEnded());
    EXPECT_EQ(ui->DialogResult(), 0);
    EXPECT_EQ(FinishProgram(), 0);
    ASSERT_TRUE(WaitForInstallerStarts(1));
    EXPECT_EQ(InstallerStarts(), std::vector<std::string>{"/VKOAD"});
    ASSERT_TRUE(vendor.WaitForHints(2));
    EXPECT_EQ(vendor.HintEvents(), (std::vector<std::string>{kStartedHint, kLaunchedHint}));
    const std::string siteHost = std::string(kHintHostSuffix).substr(std::string("&host=").size());
    EXPECT_EQ(vendor.HintHosts(), (std::vector<std::string>{siteHost, siteHost}));
    EXPECT_EQ(vendor.InstallerRequests(), 1);
    EXPECT_TRUE(std::filesystem::exists(TempDirectory() + "/ZanqPlayBundleInstaller.exe"));
}

TEST_F(AppTest, LaunchHintFailureEndsDialogToo) {
    vendor.SetHints(Hints::Fail);
    StartProgram();
    PressDownload();
    Answer(ExpectQuestion(), IDYES);
    ASSERT_TRUE(ui->WaitForDialogEnded());
    EXPECT_EQ(ui->DialogResult(), 0);
    EXPECT_TRUE(WaitForInstallerStarts(1));
}

TEST_F(AppTest, DialogStaysOpenWhileLaunchHintIsPending) {
    StartProgram();
    PressDownload();
    vendor.SetHints(Hints::Hold);
    Answer(ExpectQuestion(), IDYES);
    ASSERT_TRUE(vendor.WaitForHints(2));
    EXPECT_TRUE(WaitForProgressControls(false));
    EXPECT_FALSE(ui->WaitForDialogEnded(milliseconds(300)));

    // A press asks again; a second Yes starts the installer again and sends a
    // second launch hint, whose end (with the first) ends the dialog.
    PressDownload();
    Answer(ExpectQuestion(), IDYES);
    ASSERT_TRUE(vendor.WaitForHints(3));
    EXPECT_FALSE(ui->DialogEnded());
    vendor.ReleaseHints();
    ASSERT_TRUE(ui->WaitForDialogEnded());
    ASSERT_TRUE(WaitForInstallerStarts(2));
    EXPECT_EQ(vendor.HintEvents(), (std::vector<std::string>{kStartedHint, kLaunchedHint, kLaunchedHint}));
}

TEST_F(AppTest, NoThenPressAsksAgainWithoutTransfer) {
    StartProgram();
    PressDownload();
    Answer(ExpectQuestion(), IDNO);
    EXPECT_TRUE(WaitForProgressControls(false));
    ASSERT_TRUE(vendor.WaitForHints(1));

    PressDownload();
    auto again = ExpectQuestion();
    EXPECT_TRUE(ProgressControlsShown(true));
    EXPECT_EQ(Progress(), 100);
    Answer(again, IDNO);
    EXPECT_TRUE(WaitForProgressControls(false));
    EXPECT_FALSE(ui->DialogEnded());
    EXPECT_EQ(vendor.InstallerRequests(), 1);
    EXPECT_EQ(vendor.HintEvents(), std::vector<std::string>{kStartedHint});
    EXPECT_TRUE(InstallerStarts().empty());
}

TEST_F(AppTest, PressDuringDownloadChangesNothing) {
    vendor.SetInstaller(Installer::Hold);
    StartProgram();
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());
    EXPECT_TRUE(ProgressControlsShown(true));
    EXPECT_TRUE(ui->WaitUntil([&] { return Progress() == 50; }));

    PressDownload();
    ASSERT_TRUE(ui->Sync());
    EXPECT_EQ(Progress(), 50);
    EXPECT_EQ(vendor.InstallerRequests(), 1);
    EXPECT_TRUE(downloading);

    vendor.ReleaseInstaller();
    Answer(ExpectQuestion(), IDNO);
    ASSERT_TRUE(vendor.WaitForHints(1));
    EXPECT_EQ(vendor.HintEvents(), std::vector<std::string>{kStartedHint});
}

TEST_F(AppTest, FailureShowsMessageThenReturnsToIdle) {
    vendor.SetInstaller(Installer::Fail);
    StartProgram();
    PressDownload();

    auto failure = ExpectFailureMessage();
    // The flags change and the controls go only once the message is closed.
    EXPECT_TRUE(downloading);
    EXPECT_TRUE(ProgressControlsShown(true));
    Answer(failure, IDOK);
    EXPECT_TRUE(WaitForProgressControls(false));
    EXPECT_FALSE(downloading);
    EXPECT_FALSE(downloadComplete);

    // The next press starts anew, with a new id and a new hint.
    const int firstId = downloadId;
    vendor.SetInstaller(Installer::Serve);
    PressDownload();
    Answer(ExpectQuestion(), IDNO);
    EXPECT_GT(downloadId, firstId);
    EXPECT_EQ(vendor.InstallerRequests(), 2);
    ASSERT_TRUE(vendor.WaitForHints(2));
    EXPECT_EQ(vendor.HintEvents(), (std::vector<std::string>{kStartedHint, kStartedHint}));
    EXPECT_EQ(FinishProgram(), 0);
}

TEST_F(AppTest, CancelledTransferEndsSilently) {
    vendor.SetInstaller(Installer::Hold);
    StartProgram();
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());

    ASSERT_TRUE(ui->ClickButton(IDC_CANCEL));
    EXPECT_TRUE(ProgressControlsShown(false));
    EXPECT_FALSE(downloading);
    EXPECT_TRUE(cancelRequested);

    // The transfer's next progress report is answered with a cancel; its
    // failure report clears the request and shows nothing.
    vendor.ReleaseInstaller();
    ASSERT_TRUE(ui->WaitUntil([] { return !cancelRequested; }));
    ASSERT_TRUE(ui->Sync());
    EXPECT_EQ(ui->OpenMessageBoxes(), 0);

    PressDownload();
    Answer(ExpectQuestion(), IDNO);
    EXPECT_EQ(vendor.InstallerRequests(), 2);
    ASSERT_TRUE(vendor.WaitForHints(2));
    EXPECT_EQ(vendor.HintEvents(), (std::vector<std::string>{kStartedHint, kStartedHint}));
}

// A second transfer into the installer's file waits until the cancelled one
// has ended: a press before that changes nothing.
TEST_F(AppTest, PressBeforeCancelledTransferEndsStartsNothing) {
    vendor.SetInstaller(Installer::Hold);
    StartProgram();
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());
    ASSERT_TRUE(ui->ClickButton(IDC_CANCEL));

    PressDownload();
    ASSERT_TRUE(ui->Sync());
    EXPECT_TRUE(ProgressControlsShown(false));
    EXPECT_FALSE(downloading);
    EXPECT_FALSE(vendor.WaitForInstallerRequests(2, milliseconds(200)));

    vendor.ReleaseInstaller();
    ASSERT_TRUE(ui->WaitUntil([] { return !cancelRequested; }));
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerRequests(2));
    Answer(ExpectQuestion(), IDNO);
}

// The transfer's last data came before it heard of the cancel: its
// completion still asks the question, and a later press asks again.
TEST_F(AppTest, CompletionAfterCancelStillAsks) {
    vendor.SetInstaller(Installer::Hold);
    StartProgram();
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());
    ASSERT_TRUE(ui->ClickButton(IDC_CANCEL));

    auto report = std::async(std::launch::async, [] { dialogListener.OnDownloadComplete(downloadId); });
    auto question = ExpectQuestion();
    EXPECT_EQ(report.wait_for(milliseconds(100)), std::future_status::timeout);  // held until answered
    Answer(question, IDNO);
    report.get();
    EXPECT_TRUE(downloadComplete);
    EXPECT_TRUE(WaitForProgressControls(false));

    PressDownload();
    Answer(ExpectQuestion(), IDNO);
    EXPECT_EQ(vendor.InstallerRequests(), 1);
}

TEST_F(AppTest, CloseDuringDownloadEndsDialogWithZero) {
    vendor.SetInstaller(Installer::Hold);
    StartProgram();
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());
    ASSERT_TRUE(ui->Close());
    ASSERT_TRUE(ui->WaitForDialogEnded());
    EXPECT_EQ(ui->DialogResult(), 0);
    EXPECT_EQ(FinishProgram(), 0);

    // Reports that arrive after the end change nothing and return at once.
    vendor.ReleaseInstaller();
    dialogListener.OnDownloadComplete(downloadId);
    dialogListener.OnDownloadError(downloadId);
    EXPECT_EQ(ui->OpenMessageBoxes(), 0);
}

TEST_F(AppTest, EscapeDoesNotCloseTheDialog) {
    StartProgram();
    ASSERT_TRUE(ui->PressEscape());
    ASSERT_TRUE(ui->Sync());
    EXPECT_FALSE(ui->DialogEnded());
}

}  // namespace
