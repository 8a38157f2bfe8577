// The download dialog's procedure: its picture with the painted button's hot
// spot, the white status text, the cursors, and the workflow's entry points.
#pragma once

#include <windows.h>

INT_PTR CALLBACK DownloadDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The hot spot around the painted download button, in client pixels, bounds
// included.
inline constexpr unsigned kHotSpotLeft = 280;
inline constexpr unsigned kHotSpotRight = 395;
inline constexpr unsigned kHotSpotTop = 202;
inline constexpr unsigned kHotSpotBottom = 224;

// Whether a mouse message's position (lParam) lies inside the hot spot.
bool IsInsideHotSpot(LPARAM position);
