// The workflow's flags and ids. They are constant-initialised, so they hold
// their start values before any constructor of a process-wide object runs.
#include "workflow_state.h"

HINSTANCE appInstance = nullptr;
std::atomic<HWND> dialogWindow{nullptr};
std::atomic<bool> downloading{false};
std::atomic<bool> downloadComplete{false};
std::atomic<bool> cancelRequested{false};
std::atomic<bool> autoStart{false};
std::atomic<int> downloadId{kNoDownload};
std::atomic<int> launchHintId{kNoDownload};
