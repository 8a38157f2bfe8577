// The common controls used by the program: the progress bar.
#pragma once

#include <windows.h>

#define PROGRESS_CLASSW L"msctls_progress32"
#define PROGRESS_CLASS PROGRESS_CLASSW

// Progress bar styles.
#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04
#define PBS_MARQUEE 0x08

// Progress bar messages. The range starts as 0 to 100.
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)

struct PBRANGE {
    int iLow;
    int iHigh;
};
using PPBRANGE = PBRANGE*;

// Registers the common control classes (the progress bar) for dialogs.
void WINAPI InitCommonControls();
