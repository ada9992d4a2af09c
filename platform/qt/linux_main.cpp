// The Linux entry point: the X11 or the Wayland services and the Qt backend
// under the program.
#include <QApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

#include "platform/app.h"
#include "platform/entry.h"
#include "platform/exit_code.h"
#include "platform/posix/backend_choice.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_system.h"
#include "platform/wayland/wl_clipboard.h"
#include "platform/wayland/wl_windows.h"
#include "platform/x11/clipboard_holder.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv(rt::x11::kClipboardHolderVariable)) return rt::x11::RunClipboardHolder();
  if (std::getenv(rt::wayland::kClipboardHolderVariable)) return rt::wayland::RunClipboardHolder();
  // The argument text is the program's; Qt does not get to take options
  // such as -style out of it.
  rt::AppInfo info = rt::x11::CurrentAppInfo(argc, argv);

  // The window system's services. Without any, Qt would abort the process
  // instead of ending it with the program's own exit code.
  rt::posix::SessionFacts facts;
  facts.forced = Env("STRUMLET_BACKEND");
  facts.waylandDisplay = !Env("WAYLAND_DISPLAY").empty();
  facts.compositor = Env("XDG_CURRENT_DESKTOP");
  std::unique_ptr<rt::qt::QtWaylandSystem> wayland;
  if (facts.forced != "x11" && (facts.waylandDisplay || facts.forced == "wayland")) {
    wayland = std::make_unique<rt::qt::QtWaylandSystem>();
    facts.waylandConnected = wayland->Connected();
    for (const rt::wayland::Protocol& p : wayland->Missing()) facts.missing.emplace_back(p.name, p.gives);
  }
  std::unique_ptr<rt::qt::QtSystem> x11;
  if (facts.forced != "wayland" && !(facts.waylandConnected && facts.missing.empty() && facts.forced.empty())) {
    x11 = std::make_unique<rt::qt::QtSystem>();
    facts.xDisplay = x11->Connected();
  }
  rt::posix::BackendChoice choice = rt::posix::ChooseBackend(facts);
  if (!choice.notice.empty()) std::fprintf(stderr, "%s\n", choice.notice.c_str());
  rt::System* system = nullptr;
  if (choice.backend == rt::posix::Backend::Wayland) {
    x11.reset();
    system = wayland.get();
    // The program's own windows are native Wayland windows.
    setenv("QT_QPA_PLATFORM", "wayland", 0);
  } else if (choice.backend == rt::posix::Backend::X11) {
    wayland.reset();
    if (!x11) x11 = std::make_unique<rt::qt::QtSystem>();
    if (!x11->Connected()) {
      std::fprintf(stderr, "Strumlet: cannot open the X display \"%s\".\n", Env("DISPLAY").c_str());
      return rt::ToInt(rt::ExitCode::NoWindow);
    }
    system = x11.get();
    // Under a Wayland session Qt draws through XWayland too, on the same X
    // server as the services.
    if (facts.waylandDisplay) setenv("QT_QPA_PLATFORM", "xcb", 0);
  } else {
    return rt::ToInt(rt::ExitCode::NoWindow);
  }
  // The forms scale themselves: every size is in twips at the screen's DPI.
  // Qt's own scaling on top would round a second time, and the windows would
  // miss their sizes by a pixel.
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication application(qtArgc, qtArgv);
  // The app id of the program's Wayland windows (and its desktop entry's
  // name): the Wayland window list leaves them out by it.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(rt::wayland::kOwnAppId));
  std::unique_ptr<QSocketNotifier> events;
  if (wayland) {
    // The services' own connection is read whenever the compositor sends
    // something, while the program waits on the user.
    events = std::make_unique<QSocketNotifier>(wayland->Fd(), QSocketNotifier::Read);
    QObject::connect(events.get(), &QSocketNotifier::activated, [&] { wayland->Dispatch(); });
  }
  // Qt ends the process with exit(1) when its connection to the X server
  // breaks; the program's exit code for a display it has lost is 3.
  std::atexit([] {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection() && xcb_connection_has_error(x11->connection())) {
      std::fprintf(stderr, "Strumlet: the connection to the X display was lost.\n");
      std::fflush(stderr);
      std::_Exit(rt::ToInt(rt::ExitCode::NoWindow));
    }
  });
  int code = 0;
  {
    rt::qt::QtBackend backend;
    rt::App app(*system, backend, info);
    code = rt::RunProgram(app, [&] { backend.Run(app); });
    app.Idle();
  }
  if (wayland) {
    // The program's own clean-up ends here: its windows are gone, and its
    // keyboard, with the keymap and locks it set, goes with the services.
    // Qt 6.4 does not always get down its own Wayland connection: now and
    // then its event thread waits in wl_display_read_events for a reader
    // that never reads, and the main thread waits for that thread, so the
    // process never ends. Nothing of Qt's is left to keep (the clipboard is
    // held by a process of its own), so the process ends here, with its
    // code, and the compositor drops the connection.
    events.reset();
    wayland.reset();
    std::fflush(nullptr);
    std::_Exit(code);
  }
  return code;
}
