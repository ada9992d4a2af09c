// Lists a desktop of at least 1,000 top-level windows (made by the benchmark)
// through the window walk into the window-list dialog on screen, and through
// a bare EnumWindows loop that reads each caption, in the same run; then the
// bare loop again asking each window for its first child too. Prints the time
// of one listing for each and the walk's ratios to both.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/backend.h"
#include "platform/win32/system.h"
#include "strumlet.h"

namespace {

using Clock = std::chrono::steady_clock;

BOOL CALLBACK CountCaptioned(HWND window, LPARAM param) {
  wchar_t title[256];
  if (GetWindowTextW(window, title, 255) > 0 && IsWindowVisible(window)) ++*reinterpret_cast<int*>(param);
  return TRUE;
}

// The same, asking each window for its first child as well: the one request
// per window that a walk into every window needs (under Wine a round trip to
// its server each), which sets the floor for the walk.
BOOL CALLBACK CountCaptionedAndChildren(HWND window, LPARAM param) {
  GetWindow(window, GW_CHILD);
  return CountCaptioned(window, param);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int count = argc > 1 ? _wtoi(argv[1]) : 1000;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  std::vector<HWND> made;
  for (int i = 0; i < count; ++i) {
    std::wstring caption = L"walk bench window " + std::to_wstring(i);
    HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", caption.c_str(), WS_POPUP | WS_VISIBLE, 10 + i % 50, 10 + i % 40, 40, 20,
                             nullptr, nullptr, instance, nullptr);
    if (w) made.push_back(w);
  }
  // Let the window manager and Wine's desktop take in the new windows before
  // measuring: pump messages for three seconds.
  MSG msg;
  auto settle = Clock::now() + std::chrono::seconds(3);
  while (Clock::now() < settle) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }

  rt::win32::Win32System system;
  rt::win32::Win32Backend backend(instance);
  rt::AppInfo info;
  info.title = u"walk bench";
  rt::App app(system, backend, info);
  strumlet::Program program(app);

  // The dialog on screen, as the "List windows" button has it while the
  // walk fills it.
  program.Main().WindowList.Get().Show();

  const int rounds = 11;
  std::vector<double> walk, enumerate, floor;
  int listed = 0, bare = 0;
  for (int r = 0; r < rounds; ++r) {
    // Between listings the program is back in its message loop; so is the
    // benchmark, untimed, so that the window system's events do not pile up.
    auto idle = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < idle) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
    auto start = Clock::now();
    program.Main().WindowList.Get().List1.Clear();
    program.Main().ListTopWindows(0, u"*", u"*");
    walk.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    listed = program.Main().WindowList.Get().List1.ListCount();

    start = Clock::now();
    bare = 0;
    EnumWindows(CountCaptioned, reinterpret_cast<LPARAM>(&bare));
    enumerate.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());

    start = Clock::now();
    int counted = 0;
    EnumWindows(CountCaptionedAndChildren, reinterpret_cast<LPARAM>(&counted));
    if (counted != bare) std::printf("the desktop changed between the bare loops\n");
    floor.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::printf("walk rounds (ms):");
  for (double w : walk) std::printf(" %.1f", w);
  std::printf("\n");
  std::sort(walk.begin(), walk.end());
  std::sort(enumerate.begin(), enumerate.end());
  std::sort(floor.begin(), floor.end());
  double walkMs = walk[rounds / 2], bareMs = enumerate[rounds / 2], floorMs = floor[rounds / 2];
  std::printf("desktop of %zu windows made by the benchmark (median of %d, fastest in brackets)\n", made.size(), rounds);
  std::printf("  window walk:        %8.1f ms (%.1f), %d entries\n", walkMs, walk.front(), listed);
  std::printf("  bare EnumWindows:   %8.1f ms (%.1f), %d captioned visible windows\n", bareMs, enumerate.front(), bare);
  std::printf("  bare + first child: %8.1f ms (%.1f), one GetWindow(GW_CHILD) per window more\n", floorMs, floor.front());
  std::printf("  walk / bare:        %8.2f\n", walkMs / bareMs);
  std::printf("  walk / bare + child:%8.2f\n", walkMs / floorMs);
  for (HWND w : made) DestroyWindow(w);
  return 0;
}
