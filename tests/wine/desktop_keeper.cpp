// Keeps the Wine prefix's desktop open through a test run, as a Windows
// session's desktop is: a hidden top-level window, so that the desktop
// always has a user. Without one, wineserver closes the desktop a second
// after the last program has ended, and a test program that starts in that
// second finds no desktop, and with it no display driver (keys then map as
// on a US keyboard whatever the X layout). The Wine test fixture
// (scripts/ctest/wine.sh) starts it and ends it.
#include <windows.h>

#include <cstdio>

int main() {
  // A static control, never shown: no caption, no place in any window list.
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) return 1;
  std::puts("holding the desktop");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
