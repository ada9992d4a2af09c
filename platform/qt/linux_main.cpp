// The Linux entry point: the X11 services and the Qt backend under the
// program.
#include <QApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

#include "platform/app.h"
#include "platform/entry.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_system.h"
#include "platform/x11/clipboard_holder.h"

int main(int argc, char** argv) {
  if (std::getenv(rt::x11::kClipboardHolderVariable)) return rt::x11::RunClipboardHolder();
  std::string notice = rt::x11::WaylandNotice();
  if (!notice.empty()) {
    std::fprintf(stderr, "%s\n", notice.c_str());
    // Qt then draws through XWayland too, on the same X server.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  // The argument text is the program's; Qt does not get to take options
  // such as -style out of it.
  rt::AppInfo info = rt::x11::CurrentAppInfo(argc, argv);
  // The display comes first: without one Qt would abort the process instead
  // of ending it with the program's own exit code.
  rt::qt::QtSystem system;
  if (!system.Connected()) {
    std::fprintf(stderr, "Strumlet: cannot open the X display \"%s\".\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    return rt::kExitNoWindow;
  }
  // The forms scale themselves: every size is in twips at the screen's DPI.
  // Qt's own scaling on top would round a second time, and the windows would
  // miss their sizes by a pixel.
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication application(qtArgc, qtArgv);
  // Qt ends the process with exit(1) when its connection to the X server
  // breaks; the program's exit code for a display it has lost is 3.
  std::atexit([] {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection() && xcb_connection_has_error(x11->connection())) {
      std::fprintf(stderr, "Strumlet: the connection to the X display was lost.\n");
      std::fflush(stderr);
      std::_Exit(rt::kExitNoWindow);
    }
  });
  rt::qt::QtBackend backend;
  rt::App app(system, backend, info);
  int code = rt::RunProgram(app, [&] { backend.Run(app); });
  app.Idle();
  return code;
}
