// The dialog itself: its start state, the hot spot and its cursors, the
// colours of its static texts, the command-line switch, and how the
// listener's progress reports reach the bar.
#include <string>
#include <tuple>
#include <vector>

#include "app_fixture.h"
#include "command_line.h"
#include "download_dialog.h"
#include "resource.h"
#include "workflow.h"
#include "workflow_state.h"

namespace {

constexpr int kHandCursor = 32649;
constexpr int kArrowCursor = 32512;

struct Position {
    int x;
    int y;
    bool inside;
};

const std::vector<Position> kHotSpotBoundary = {
    {280, 202, true}, {395, 202, true}, {280, 224, true}, {395, 224, true},
    {279, 210, false}, {396, 210, false}, {300, 201, false}, {300, 225, false},
};

TEST(HotSpot, BoundsAreIncluded) {
    for (const auto& p : kHotSpotBoundary) {
        EXPECT_EQ(IsInsideHotSpot(MAKELPARAM(p.x, p.y)), p.inside) << p.x << "," << p.y;
    }
    // Coordinates are taken as unsigned 16-bit numbers: negative ones are far out.
    EXPECT_FALSE(IsInsideHotSpot(MAKELPARAM(-1, 210)));
    EXPECT_FALSE(IsInsideHotSpot(MAKELPARAM(300, -1)));
}

TEST(CommandLine, SlashDownloadAnywhereCaseSensitive) {
    const std::vector<std::tuple<const char*, bool>> cases = {
        {"/download", true},      {"-x /download -y", true}, {"foo/downloadbar", true},
        {"/DOWNLOAD", false},     {"-download", false},      {"/Download", false},
        {"", false},              {"/downloa d", false},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(CommandLineRequestsDownload(line), expected) << line;
    EXPECT_FALSE(CommandLineRequestsDownload(nullptr));
}

TEST(ProgressPercent, ComputedInSixtyFourBits) {
    EXPECT_EQ(ProgressPercent(0, 100), 0);
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(2, 3), 66);
    EXPECT_EQ(ProgressPercent(30'000'000, 60'000'000), 50);  // 32 bits would overflow
    EXPECT_EQ(ProgressPercent(4'294'967'295u, 4'294'967'295u), 100);
    EXPECT_EQ(ProgressPercent(200, 100), 100);
}

TEST_F(AppTest, StartsWithPictureAloneAndItsIcon) {
    StartProgram();
    EXPECT_TRUE(ProgressControlsShown(false));
    EXPECT_EQ(ui->ClassIconId(), IDI_APPICON);
    EXPECT_EQ(ui->Caption(), L"Download the Zanq Play Bundle");
    EXPECT_FALSE(downloading);
    EXPECT_EQ(vendor.InstallerRequests(), 0);
}

TEST_F(AppTest, CursorFollowsHotSpotOnMoveAndRelease) {
    StartProgram();
    for (const auto& p : kHotSpotBoundary) {
        const int expected = p.inside ? kHandCursor : kArrowCursor;
        ASSERT_TRUE(ui->MouseMove(p.x, p.y));
        EXPECT_EQ(ui->CursorId(), expected) << "move " << p.x << "," << p.y;
        ASSERT_TRUE(ui->MouseMove(p.inside ? 10 : 300, p.inside ? 10 : 210));
        ASSERT_TRUE(ui->MouseUp(p.x, p.y));
        EXPECT_EQ(ui->CursorId(), expected) << "release " << p.x << "," << p.y;
    }
    // Neither moving nor releasing starts anything.
    EXPECT_TRUE(ProgressControlsShown(false));
    EXPECT_EQ(vendor.InstallerRequests(), 0);
}

TEST_F(AppTest, PressOutsideSetsArrowOnly) {
    StartProgram();
    for (const auto& p : kHotSpotBoundary) {
        if (p.inside) continue;
        ASSERT_TRUE(ui->MouseMove(300, 210));
        ASSERT_TRUE(ui->MouseDown(p.x, p.y));
        EXPECT_EQ(ui->CursorId(), kArrowCursor);
    }
    EXPECT_TRUE(ProgressControlsShown(false));
    EXPECT_FALSE(downloading);
    EXPECT_FALSE(vendor.WaitForInstallerRequests(1, std::chrono::milliseconds(200)));
}

TEST_F(AppTest, PressOnHotSpotCornerStartsDownloadWithHand) {
    vendor.SetInstaller(FakeVendorServer::Installer::Hold);
    StartProgram();
    ASSERT_TRUE(ui->MouseDown(395, 224));
    EXPECT_EQ(ui->CursorId(), kHandCursor);
    EXPECT_TRUE(ProgressControlsShown(true));
    EXPECT_TRUE(downloading);
    EXPECT_TRUE(vendor.WaitForInstallerRequests(1));
}

TEST_F(AppTest, StaticTextsAreWhiteOverThePicture) {
    StartProgram();
    auto colours = ui->PaintStatic(IDC_STATUS);
    ASSERT_TRUE(colours);
    EXPECT_EQ(colours->textColor, RGB(255, 255, 255));
    EXPECT_EQ(colours->backgroundMode, TRANSPARENT);
    EXPECT_EQ(colours->stockBrush, NULL_BRUSH);
}

TEST_F(AppTest, SwitchStartsDownloadBeforeDialogIsShown) {
    vendor.SetInstaller(FakeVendorServer::Installer::Hold);
    StartProgram("-quiet x/downloady");
    // Shown already with the progress controls: the press came during initialisation.
    EXPECT_TRUE(ProgressControlsShown(true));
    EXPECT_EQ(ui->CursorId(), kHandCursor);
    EXPECT_TRUE(vendor.WaitForInstallerRequests(1));
    EXPECT_TRUE(vendor.WaitForHints(1));
}

TEST_F(AppTest, OtherSpellingsOfTheSwitchStartNothing) {
    StartProgram("/DOWNLOAD -download");
    ASSERT_TRUE(ui->Sync());
    EXPECT_TRUE(ProgressControlsShown(false));
    EXPECT_FALSE(autoStart);
    EXPECT_FALSE(vendor.WaitForInstallerRequests(1, std::chrono::milliseconds(200)));
}

// Progress reports as the engine makes them, from a thread other than the
// dialog's, while the installer download is held half way.
TEST_F(AppTest, ProgressReportsMoveTheBarForTheInstallerOnly) {
    vendor.SetInstaller(FakeVendorServer::Installer::Hold);
    StartProgram();
    PressDownload();
    ASSERT_TRUE(vendor.WaitForInstallerHalfSent());
    ASSERT_TRUE(ui->WaitUntil([&] { return Progress() == 50; }));
    const int installer = downloadId;

    // The held transfer still sends a progress heartbeat about once a second
    // (at 50%); should one land between the calls and the check, try again.
    EXPECT_TRUE(ui->WaitUntil([&] {
        bool cancel = dialogListener.OnDownloadProgress(installer, 3'000'000'000u, 4'000'000'000u);
        // A maximum of 0 leaves the bar alone.
        cancel |= dialogListener.OnDownloadProgress(installer, 10, 0);
        // Other downloads (hints) never move the bar and are never cancelled.
        cancel |= dialogListener.OnDownloadProgress(installer + 1, 1, 100);
        return !cancel && Progress() == 75;
    }));

    ASSERT_TRUE(ui->ClickButton(IDC_CANCEL));
    EXPECT_TRUE(dialogListener.OnDownloadProgress(installer, 10, 0));
    EXPECT_FALSE(dialogListener.OnDownloadProgress(installer + 1, 1, 100));
}

}  // namespace
