#include "app_fixture.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "resource.h"
#include "workflow_state.h"

namespace {

// The installer: appends the line of arguments it was started with to the
// file that ZANQ_TEST_LAUNCH_RECORD names, padded to 8 KiB.
std::string TestInstallerScript() {
    std::string script = "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$ZANQ_TEST_LAUNCH_RECORD\"\nexit 0\n# ";
    script.resize(8191, 'x');  // an even size: half of it is 50 %
    return script + "\n";
}

constexpr int kHotSpotX = 300;
constexpr int kHotSpotY = 210;

}  // namespace

AppTest::AppTest() : vendor(TestInstallerScript()) {
    char pattern[] = "/tmp/zanq-app-test-XXXXXX";
    tempDirectory_ = mkdtemp(pattern);
    setenv("TMPDIR", tempDirectory_.c_str(), 1);
    launchRecord_ = tempDirectory_ + "/installer-starts.txt";
    setenv("ZANQ_TEST_LAUNCH_RECORD", launchRecord_.c_str(), 1);
    vendor.RouteProcessTrafficHere();

    // The workflow's state as at start-up, for runs of several tests in one
    // process (ctest runs each in a process of its own).
    downloading = false;
    downloadComplete = false;
    cancelRequested = false;
    autoStart = false;
    downloadId = kNoDownload;
    launchHintId = kNoDownload;

    ui = std::make_unique<zanq::testing::HeadlessUi>();
}

AppTest::~AppTest() {
    vendor.ReleaseInstaller();
    vendor.ReleaseHints();
    if (program_.joinable()) FinishProgram();
    ui.reset();
    std::error_code ignored;
    std::filesystem::remove_all(tempDirectory_, ignored);
}

void AppTest::StartProgram(const std::string& commandLine) {
    program_ = std::thread([this, commandLine] {
        std::string line = commandLine;
        exitCode_ = WinMain(GetModuleHandleW(nullptr), nullptr, line.data(), SW_SHOWDEFAULT);
    });
    ASSERT_TRUE(ui->WaitForDialogShown());
}

int AppTest::FinishProgram() {
    if (!ui->DialogEnded()) {
        while (ui->OpenMessageBoxes() > 0) {
            if (auto box = ui->WaitForMessageBox()) ui->AnswerMessageBox(*box, (box->style & MB_YESNO) ? IDNO : IDOK);
        }
        ui->Close();
    }
    EXPECT_TRUE(ui->WaitForDialogEnded());
    program_.join();
    return exitCode_;
}

void AppTest::PressDownload() { ASSERT_TRUE(ui->MouseDown(kHotSpotX, kHotSpotY)); }

zanq::testing::SeenMessageBox AppTest::ExpectMessageBox(const std::wstring& text, const std::wstring& title) {
    auto box = ui->WaitForMessageBox();
    if (!box) {
        ADD_FAILURE() << "no message box came up";
        return {};
    }
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->title, title);
    EXPECT_EQ(box->owner, ui->Dialog());
    return *box;
}

zanq::testing::SeenMessageBox AppTest::ExpectQuestion() {
    auto box = ExpectMessageBox(L"Would you like to install the Zanq Play Bundle now?", L"The download is complete:");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_YESNO));
    return box;
}

zanq::testing::SeenMessageBox AppTest::ExpectFailureMessage() {
    auto box = ExpectMessageBox(
        L"The download of the Zanq Play Bundle failed. Please check your internet connection and try again.",
        L"Download failed:");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK));
    return box;
}

void AppTest::Answer(const zanq::testing::SeenMessageBox& box, int answer) {
    ASSERT_TRUE(ui->AnswerMessageBox(box, answer));
}

bool AppTest::ProgressControlsShown(bool shown) const {
    return ui->ControlVisible(IDC_STATUS) == shown && ui->ControlVisible(IDC_PROGRESS) == shown &&
           ui->ControlVisible(IDC_CANCEL) == shown;
}

bool AppTest::WaitForProgressControls(bool shown) const {
    return ui->WaitUntil([&] { return ProgressControlsShown(shown); });
}

int AppTest::Progress() const { return ui->ProgressPosition(IDC_PROGRESS); }

std::vector<std::string> AppTest::InstallerStarts() const {
    std::vector<std::string> starts;
    std::ifstream record(launchRecord_);
    for (std::string line; std::getline(record, line);) starts.push_back(line);
    return starts;
}

bool AppTest::WaitForInstallerStarts(size_t count) const {
    return ui->WaitUntil([&] { return InstallerStarts().size() >= count; });
}
