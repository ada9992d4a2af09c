// Dots per inch of the screen and of a window. The per-monitor functions
// exist from Windows 10 1607 on; where they are missing, the older
// system-wide ways serve. Twips become pixels by the rule of platform/twips.h.
#pragma once

#include <windows.h>

namespace rt::win32 {

UINT SystemDpi();
// Positions and sizes on the screen, in twips at one scale for the whole
// screen (the system DPI), whatever monitor they fall on: a window's right
// edge in twips converts back to the same pixel on every monitor.
int ScreenTwipsToPixels(int twips);
int ScreenPixelsToTwips(int pixels);
UINT WindowDpi(HWND window);
BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi);
// The system's message font at that DPI.
HFONT CreateMessageFont(UINT dpi);

}  // namespace rt::win32
