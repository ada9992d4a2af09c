// Lists a desktop of a few hundred top-level windows (made by the benchmark
// on $DISPLAY, managed by its window manager) through the program's window
// walk, and through a bare loop that reads _NET_CLIENT_LIST and each
// window's title one request at a time, in the same run. Prints the time of
// one listing for both, their ratio, and what each found. Run it on a
// throwaway display:
//   scripts/bench_x11_walk.sh [windows]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/x11/x11_system.h"
#include "strumlet.h"

namespace {

using Clock = std::chrono::steady_clock;

// The X11 system with the message box left out: the walk shows none.
class BenchSystem : public rt::x11::X11System {
 public:
  void MsgBox(rt::ustring_view, rt::ustring_view) override {}
};

std::vector<unsigned long> ClientList(Display* display) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> out;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_CLIENT_LIST", False), 0,
                         1 << 16, False, XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
      data && format == 32) {
    auto* values = reinterpret_cast<unsigned long*>(data);
    out.assign(values, values + items);
  }
  if (data) XFree(data);
  return out;
}

// The baseline: the client list, then each title, request by request.
int BareTitles(Display* display, Atom name, Atom utf8) {
  int titled = 0;
  for (unsigned long w : ClientList(display)) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, static_cast<Window>(w), name, 0, 1 << 16, False, utf8, &type, &format, &items, &after,
                           &data) == Success &&
        data && items > 0) {
      ++titled;
    }
    if (data) XFree(data);
  }
  return titled;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 400;
  Display* maker = XOpenDisplay(nullptr);
  if (!maker) {
    std::fprintf(stderr, "x11_walk_bench: no X display\n");
    return 1;
  }
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Atom name = XInternAtom(maker, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(maker, "UTF8_STRING", False);
  const std::size_t before = ClientList(maker).size();
  std::vector<Window> made;
  for (int i = 0; i < count; ++i) {
    Window w = XCreateSimpleWindow(maker, DefaultRootWindow(maker), 10 + i % 50, 10 + i % 40, 60, 20, 0, 0, 0xFFFFFF);
    std::string title = "walk bench window " + std::to_string(i);
    Xutf8SetWMProperties(maker, w, title.c_str(), nullptr, nullptr, 0, nullptr, nullptr, nullptr);
    XChangeProperty(maker, w, name, utf8, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XClassHint hint{const_cast<char*>("walkbench"), const_cast<char*>("WalkBench")};
    XSetClassHint(maker, w, &hint);
    XMapWindow(maker, w);
    made.push_back(w);
  }
  XSync(maker, False);
  // Measured once the window manager has taken every one of them on (each
  // has its WM_STATE) and has had a moment to finish.
  Atom wmState = XInternAtom(maker, "WM_STATE", False);
  auto managed = [&] {
    for (Window w : made) {
      Atom type = None;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      bool has = XGetWindowProperty(maker, w, wmState, 0, 2, False, wmState, &type, &format, &items, &after, &data) ==
                     Success &&
                 data && items > 0;
      if (data) XFree(data);
      if (!has) return false;
    }
    return true;
  };
  auto settle = Clock::now() + std::chrono::seconds(300);
  while ((ClientList(maker).size() < before + made.size() || !managed()) && Clock::now() < settle) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  if (ClientList(maker).size() < before + made.size()) {
    std::fprintf(stderr, "x11_walk_bench: the window manager did not take the windows on (is one running?)\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));

  BenchSystem system;
  if (!system.Connected()) return 1;
  rt::fake::FakeBackend backend;
  rt::AppInfo info;
  info.title = u"walk bench";
  rt::App app(system, backend, info);
  strumlet::Program program(app);
  Display* bare = XOpenDisplay(nullptr);

  const int rounds = 21;
  std::vector<double> walk, loop;
  int listed = 0, titled = 0;
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    program.Main().WindowList.Get().List1.Clear();
    program.Main().ListTopWindows(0, u"*", u"*");
    walk.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    listed = program.Main().WindowList.Get().List1.ListCount();

    start = Clock::now();
    titled = BareTitles(bare, name, utf8);
    loop.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  const double walkMs = Median(walk), bareMs = Median(loop);
  std::printf("desktop of %zu client windows, %zu made by the benchmark (median of %d rounds, fastest in brackets)\n",
              ClientList(bare).size(), made.size(), rounds);
  std::printf("  window walk:                      %8.2f ms (%.2f), %d entries\n", walkMs,
              *std::min_element(walk.begin(), walk.end()), listed);
  std::printf("  bare client list and title loop:  %8.2f ms (%.2f), %d titled windows\n", bareMs,
              *std::min_element(loop.begin(), loop.end()), titled);
  std::printf("  walk / bare:                      %8.2f\n", walkMs / bareMs);
  XCloseDisplay(bare);
  for (Window w : made) XDestroyWindow(maker, w);
  XCloseDisplay(maker);
  return 0;
}
