// Runs the program's WinMain on a thread of its own against the headless
// window backend, with the vendor's servers faked on loopback, a private
// temporary directory and an installer that records how it was started.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fake_vendor_server.h"
#include "headless_ui.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

class AppTest : public ::testing::Test {
protected:
    AppTest();
    ~AppTest() override;

    // Starts WinMain with this ANSI command line and waits for the dialog.
    void StartProgram(const std::string& commandLine = "");
    // Closes the dialog (if it still runs) and waits for WinMain's result.
    int FinishProgram();

    // Presses the painted download button.
    void PressDownload();
    // Waits for the next message box and checks its text and title.
    zanq::testing::SeenMessageBox ExpectMessageBox(const std::wstring& text, const std::wstring& title);
    zanq::testing::SeenMessageBox ExpectQuestion();
    zanq::testing::SeenMessageBox ExpectFailureMessage();
    void Answer(const zanq::testing::SeenMessageBox& box, int answer);

    // Whether the status text, the progress bar and the Cancel button are
    // all shown (true) or all hidden (false).
    bool ProgressControlsShown(bool shown) const;
    bool WaitForProgressControls(bool shown) const;
    int Progress() const;

    // The argument lines of every start of the installer so far.
    std::vector<std::string> InstallerStarts() const;
    bool WaitForInstallerStarts(size_t count) const;
    std::string TempDirectory() const { return tempDirectory_; }

    FakeVendorServer vendor;
    std::unique_ptr<zanq::testing::HeadlessUi> ui;

private:
    std::string tempDirectory_;
    std::string launchRecord_;
    std::thread program_;
    int exitCode_ = -1;
};
