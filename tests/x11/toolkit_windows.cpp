#include "toolkit_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace strumlet::x11_test {

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string TitleOf(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(display, "UTF8_STRING", False), &type, &format, &items, &after, &data) == Success &&
      data && format == 8) {
    title.assign(reinterpret_cast<char*>(data), items);
  }
  if (data) XFree(data);
  if (!title.empty()) return title;
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

// The root's children, bottom first.
std::vector<Window> RootChildren(Display* display) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  std::vector<Window> out;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    out.assign(children, children + count);
  }
  if (children) XFree(children);
  return out;
}

// Whether `inner` is `outer` or lies inside it.
bool Inside(Display* display, Window inner, Window outer) {
  Window root = DefaultRootWindow(display);
  for (int depth = 0; depth < 16 && inner != 0 && inner != root; ++depth) {
    if (inner == outer) return true;
    Window r = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, inner, &r, &parent, &children, &count)) return false;
    if (children) XFree(children);
    inner = parent;
  }
  return false;
}

int Ignore(Display*, XErrorEvent*) { return 0; }

}  // namespace

const char* ToolkitName(Toolkit kit) {
  switch (kit) {
    case Toolkit::Xterm: return "xterm";
    case Toolkit::Qt: return "Qt";
    case Toolkit::Gtk: return "GTK";
    case Toolkit::Chromium: return "Chromium";
  }
  return "";
}

std::string ToolkitProgram(Toolkit kit) {
  switch (kit) {
    case Toolkit::Xterm: return "xterm";
    case Toolkit::Qt: return QT_TEXT_TARGET;
    case Toolkit::Gtk: return "/usr/bin/python3";
    case Toolkit::Chromium: return "chromium";
  }
  return "";
}

ToolkitWindow::ToolkitWindow(Toolkit kit, const std::string& title, const std::string& folder)
    : kit_(kit), title_(title), file_(folder + "/" + ToolkitName(kit) + "-typed.txt") {
  const std::string errors = folder + "/" + ToolkitName(kit) + ".log";
  switch (kit) {
    case Toolkit::Xterm: {
      // Raw mode delivers every byte as it comes; the file exists once the
      // terminal is in it.
      process_ = Start({"xterm", "-u8", "-T", title, "-e", "sh", "-c", "stty raw -echo; exec cat > '" + file_ + "'"});
      break;
    }
    case Toolkit::Qt: process_ = Start({QT_TEXT_TARGET, title, file_}, {}, "", errors); break;
    case Toolkit::Gtk:
      process_ = Start({"/usr/bin/python3", GTK_TEXT_TARGET, title, file_}, {"GDK_BACKEND=x11", "NO_AT_BRIDGE=1"}, "", errors);
      break;
    case Toolkit::Chromium: {
      // The text area's text shows in the title, where the test reads it.
      const std::string page = folder + "/page.html";
      std::ofstream(page) << "<!doctype html><title>" << title << "</title><textarea id=t autofocus></textarea><script>"
                          << "t.oninput=()=>{document.title='" << title << ": '+t.value};t.focus();</script>";
      process_ = Start({"chromium", "--no-sandbox", "--no-first-run", "--no-default-browser-check", "--disable-gpu",
                        "--password-store=basic", "--ozone-platform=x11", "--user-data-dir=" + folder + "/chromium",
                        "--app=file://" + page},
                       {}, "", errors);
      break;
    }
  }
}

bool ToolkitWindow::Started() const {
  // The xterm's shell makes the file once the terminal is in raw mode; the
  // editors once their event loops run.
  return kit_ == Toolkit::Chromium || access(file_.c_str(), F_OK) == 0;
}

std::string ToolkitWindow::Typed(Display* display, Window window) const {
  if (kit_ != Toolkit::Chromium) return ReadAll(file_);
  std::string now = TitleOf(display, window);
  const std::string prefix = title_ + ": ";
  return now.compare(0, prefix.size(), prefix) == 0 ? now.substr(prefix.size()) : "";
}

Window FindClient(Display* display, const std::string& title) {
  auto previous = XSetErrorHandler(Ignore);
  Window found = 0;
  // Clients lie at most a few levels below the root (inside frames).
  std::vector<std::pair<Window, int>> pending = {{DefaultRootWindow(display), 0}};
  while (!pending.empty() && !found) {
    auto [w, depth] = pending.back();
    pending.pop_back();
    if (depth > 0 && TitleOf(display, w) == title) {
      XWindowAttributes a;
      if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) found = w;
      continue;
    }
    if (depth == 4) continue;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, w, &root, &parent, &children, &count)) {
      for (unsigned i = 0; i < count; ++i) pending.push_back({children[i], depth + 1});
    }
    if (children) XFree(children);
  }
  XSync(display, False);
  XSetErrorHandler(previous);
  return found;
}

void TypeLetters(Display* display, const std::string& text) {
  for (char c : text) {
    KeySym sym = XStringToKeysym(std::string(1, c).c_str());
    KeyCode code = XKeysymToKeycode(display, sym);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
  }
  XSync(display, False);
}

bool FocusInside(Display* display, Window window) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  Window root = DefaultRootWindow(display);
  for (int depth = 0; depth < 32 && focus != None && focus != PointerRoot && focus != root; ++depth) {
    if (focus == window) return true;
    Window r = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, focus, &r, &parent, &children, &count)) return false;
    if (children) XFree(children);
    focus = parent;
  }
  return false;
}

Window ActiveWindow(Display* display) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  Window active = 0;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False), 0, 1,
                         False, XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
      data && format == 32 && items == 1) {
    active = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  return active;
}

bool Stacked(Display* display, Window a, Window b) {
  // The order the server stacks them in: that of the frames that hold them
  // (window managers' own lists of it can lag behind).
  std::vector<Window> order = RootChildren(display);
  long ia = -1, ib = -1;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (ia < 0 && Inside(display, a, order[i])) ia = static_cast<long>(i);
    if (ib < 0 && Inside(display, b, order[i])) ib = static_cast<long>(i);
  }
  return ia >= 0 && ib >= 0 && ia > ib;
}

Connection Connect() { return Connection(XOpenDisplay(nullptr), XCloseDisplay); }

}  // namespace strumlet::x11_test
