// The download workflow: what a press on the download button, Cancel and the
// launch message set in motion, and how the engine's reports are answered.
// Every function here runs on the dialog's thread.
#pragma once

#include <windows.h>

#include <cstdint>

// Asks the dialog to start the installer (sent on Yes to the question).
inline constexpr UINT WM_LAUNCH_INSTALLER = WM_USER + 1;

inline constexpr char kDownloadStartedHint[] = "vkozanqappdl10";
inline constexpr char kInstallerLaunchedHint[] = "vkozanqappinstplay10";

inline constexpr wchar_t kInstallerVerb[] = L"open";
inline constexpr wchar_t kInstallerArguments[] = L"/VKOAD";

inline constexpr wchar_t kCompletionQuestion[] = L"Would you like to install the Zanq Play Bundle now?";
inline constexpr wchar_t kCompletionTitle[] = L"The download is complete:";
inline constexpr wchar_t kFailureText[] =
    L"The download of the Zanq Play Bundle failed. Please check your internet connection and try again.";
inline constexpr wchar_t kFailureTitle[] = L"Download failed:";

// Operations of the dialog procedure.
void OnDownloadClicked(HWND dialog);
void OnCancelClicked(HWND dialog);
void OnLaunchInstaller();

// Ends the dialog with result 0; from then on no report changes anything.
void EndDownloadDialog(HWND dialog);

// The engine's reports, examined on the dialog's thread. Ids are recorded on
// this thread right after AddDownload returns, before it handles any further
// message, so every report finds the id of its own download already known.
bool HandleProgressReport(int id, ULONG current, ULONG maximum);
void HandleCompleteReport(int id);
void HandleErrorReport(int id);

// current * 100 / maximum in 64 bits, truncated, at most 100; maximum > 0.
int ProgressPercent(ULONG current, ULONG maximum);
