// The state the download workflow shares between the dialog's thread and the
// engine's worker threads, and the program's process-wide objects.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "dialog_listener.h"
#include "dialog_thread_calls.h"
#include "download_manager.h"

// The program's instance, recorded by WinMain before the dialog exists.
extern HINSTANCE appInstance;

// The download dialog, set when it initialises.
extern std::atomic<HWND> dialogWindow;

// An installer download runs: a press on the download button does nothing.
extern std::atomic<bool> downloading;
// The installer download has completed: a press asks the question again.
extern std::atomic<bool> downloadComplete;
// Cancel was pressed and the cancelled transfer has not yet reported its end.
extern std::atomic<bool> cancelRequested;
// The command line asked for the download to start without a press.
extern std::atomic<bool> autoStart;

inline constexpr int kNoDownload = -1;
// The most recent installer download, or kNoDownload.
extern std::atomic<int> downloadId;
// The most recent installer-launched hint, or kNoDownload.
extern std::atomic<int> launchHintId;

// Process-wide objects, constructed in this order before WinMain runs and
// destroyed in the reverse order at exit (see process_objects.cpp).
extern DialogThreadCalls dialogThreadCalls;
extern std::wstring installerPath;  // touched on the dialog's thread only
extern DownloadManager downloadManager;
extern std::string hintBaseUrl;
extern std::string hintHostSuffix;
extern DialogListener dialogListener;
