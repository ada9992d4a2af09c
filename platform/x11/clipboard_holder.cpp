#include "platform/x11/clipboard_holder.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace rt::x11 {

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReadAll(int fd) {
  std::string out;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return out;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

// The Latin-1 form of UTF-8 text for clients that ask for STRING; characters
// outside Latin-1 become "?".
std::string Latin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp = c;
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (len == 2 && i + 1 < utf8.size()) cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
    out += len <= 2 && cp < 0x100 ? static_cast<char>(cp) : '?';
    i += len;
  }
  return out;
}

// A server timestamp: the time of a property change on our own window.
Time ServerTime(Display* display, Window window) {
  Atom stamp = XInternAtom(display, "STRUMLET_TIMESTAMP", False);
  XSelectInput(display, window, PropertyChangeMask);
  XChangeProperty(display, window, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(display, window, PropertyChangeMask, &event);
  return event.xproperty.time;
}

}  // namespace

bool StartClipboardHolder(const std::string& executable, const std::string& utf8) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return false;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back(std::string(kClipboardHolderVariable) + "=1");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = executable;
  char* argv[] = {program.data(), nullptr};
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  // A holder that has gone away must not end this process with SIGPIPE.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  bool sent = spawned == 0 && WriteAll(in[1], utf8.data(), utf8.size());
  sigaction(SIGPIPE, &previous, nullptr);
  close(in[1]);
  bool ready = false;
  if (sent) {
    pollfd p{out[0], POLLIN, 0};
    char byte = 0;
    ready = poll(&p, 1, 5000) == 1 && read(out[0], &byte, 1) == 1;
  }
  close(out[0]);
  // The process started ends at once (see RunClipboardHolder); the holder is
  // its child, which the system's init adopts and reaps.
  if (spawned == 0) waitpid(pid, nullptr, 0);
  return ready;
}

int RunClipboardHolder() {
  // The holder runs in a child of its own, so that the program that started
  // it is left no process to reap, and in a session of its own, so that
  // closing the program's terminal does not end it.
  pid_t child = fork();
  if (child < 0) return 1;
  if (child > 0) _exit(0);
  setsid();
  std::string text = ReadAll(0);
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
  Atom targets = XInternAtom(display, "TARGETS", False);
  Atom textAtom = XInternAtom(display, "TEXT", False);
  Atom manager = XInternAtom(display, "CLIPBOARD_MANAGER", False);
  Atom saveTargets = XInternAtom(display, "SAVE_TARGETS", False);
  Time owned = ServerTime(display, window);
  XSetSelectionOwner(display, clipboard, window, owned);
  if (XGetSelectionOwner(display, clipboard) != window) {
    XCloseDisplay(display);
    return 1;
  }
  char ready = 1;
  WriteAll(1, &ready, 1);
  close(1);
  std::string latin1 = Latin1(text);
  // The most one property can take in one request, with room for the
  // request's own header.
  long limit = XExtendedMaxRequestSize(display);
  if (limit == 0) limit = XMaxRequestSize(display);
  const std::size_t maxBytes = static_cast<std::size_t>(limit) * 4 - 256;
  if (XGetSelectionOwner(display, manager) != None) {
    // A clipboard manager keeps the text once we are gone; it asks for it
    // through the usual requests.
    XConvertSelection(display, manager, saveTargets, None, window, owned);
  }
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionClear && event.xselectionclear.selection == clipboard) break;
    if (event.type != SelectionRequest) continue;
    const XSelectionRequestEvent& request = event.xselectionrequest;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = request.display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    // Old clients name no property: the target is the property then.
    Atom property = request.property == None ? request.target : request.property;
    reply.property = None;
    if (request.selection == clipboard && (request.time == CurrentTime || request.time >= owned)) {
      if (request.target == targets) {
        Atom list[] = {targets, utf8String, textAtom, XA_STRING};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(list), 4);
        reply.property = property;
      } else if ((request.target == utf8String || request.target == textAtom) && text.size() <= maxBytes) {
        XChangeProperty(display, request.requestor, property, utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        reply.property = property;
      } else if (request.target == XA_STRING && latin1.size() <= maxBytes) {
        XChangeProperty(display, request.requestor, property, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
        reply.property = property;
      }
    }
    XSendEvent(display, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(display);
  }
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}

}  // namespace rt::x11
