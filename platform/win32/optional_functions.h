// System functions that not every supported Windows has, looked up once at
// run time. Each returns null where the system lacks it, and callers fall
// back to an older way. The program thus imports only functions every
// supported system has, and only the core system libraries.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace rt::win32::optional {

// user32, Windows 10 1607 on.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
// user32, not in its import library of every toolchain.
using IsHungAppWindowFn = BOOL(WINAPI*)(HWND);
// comctl32, loaded on first use: without it the program has no tooltips.
using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

GetDpiForWindowFn GetDpiForWindow();
GetDpiForSystemFn GetDpiForSystem();
AdjustWindowRectExForDpiFn AdjustWindowRectExForDpi();
SystemParametersInfoForDpiFn SystemParametersInfoForDpi();
IsHungAppWindowFn IsHungAppWindow();
InitCommonControlsExFn InitCommonControlsEx();

}  // namespace rt::win32::optional
