// Dots per inch and the twips-to-pixels rule. The per-monitor functions exist
// from Windows 10 1607 on; they are looked up at run time, with the older
// system-wide ways as the fallback.
#pragma once

#include <windows.h>

namespace rt::win32 {

// twips * dpi / 1440, rounded to nearest (100 twips at 96 DPI are 7 pixels).
int TwipsToPixels(int twips, UINT dpi);
int PixelsToTwips(int pixels, UINT dpi);

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
