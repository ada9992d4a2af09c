#include "platform/x11/keyboard_watchdog.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <map>
#include <set>

#include "platform/posix/posix_clock.h"
#include "platform/x11/bound_keys.h"
#include "platform/x11/read_barrier.h"
#include "platform/x11/x11_errors.h"

extern char** environ;

namespace rt::x11 {

namespace {

enum Kind : std::uint32_t { kBegin = 1, kLocks, kMayPress, kBinding, kEnd, kPutBack };
constexpr std::uint32_t kNoGroup = 0xFFFFFFFFu;
constexpr char kReady = 'R', kDone = 'D';
// How long the program's watchdog may take to start (a whole program is
// loaded, on a machine that may be busy), and how long it waits for a dead
// program's connection to close.
constexpr int kStartMs = 10000;
constexpr std::uint64_t kConnectionCloseMs = 5000;

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadByte(int fd, int limitMs, char& byte) {
  pollfd p{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&p, 1, limitMs);
  } while (ready < 0 && errno == EINTR);
  return ready == 1 && read(fd, &byte, 1) == 1;
}

// What a send has changed, as the watchdog was told.
struct Record {
  Window owner = 0;
  bool locks = false;
  unsigned lockedMods = 0;
  int group = -1;
  std::set<int> pressed;
  std::map<int, std::array<KeySym, 2>> bound, before;
};

bool WindowExists(Display* display, Window window) {
  ErrorTrap trap(display);
  XWindowAttributes attributes;
  bool got = XGetWindowAttributes(display, window, &attributes) != 0;
  return !trap.Failed() && got;
}

void PutBack(Display* display, const Record& r, bool afterDeath) {
  if (!r.owner) return;
  // Requests of the dead program may still be on their way to the server
  // until its connection is closed; what they press or bind must not come
  // after the cleanup.
  if (afterDeath) {
    WaitUntil(posix::MonotonicClock(), [&] { return !WindowExists(display, r.owner); }, kConnectionCloseMs, 20);
  }
  // A release of a key that is not down on the XTest keyboard is dropped by
  // the server.
  for (int kc : r.pressed) XTestFakeKeyEvent(display, static_cast<unsigned>(kc), False, CurrentTime);
  std::vector<BoundKey> keys;
  for (const auto& [kc, syms] : r.bound) {
    keys.push_back({r.owner, kc, {syms[0], syms[1]}});
    auto before = r.before.find(kc);
    if (before != r.before.end()) keys.push_back({r.owner, kc, {before->second[0], before->second[1]}});
  }
  ClearBindings(display, r.owner, keys);
  if (r.locks) XkbLockModifiers(display, XkbUseCoreKbd, 0xFF, r.lockedMods);
  if (r.group >= 0) XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(r.group));
  XSync(display, False);
}

// The executable started as the watchdog is one from the start: this runs
// before its main function, in whichever program links the keyboard.
[[maybe_unused]] const int kWatchdogMode = [] {
  if (const char* display = std::getenv(kKeyboardWatchdogVariable)) std::_Exit(RunKeyboardWatchdog(display));
  return 0;
}();

}  // namespace

KeyboardWatchdog::KeyboardWatchdog(const std::string& display) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::string(*e).rfind(std::string(kKeyboardWatchdogVariable) + "=", 0) != 0) env.emplace_back(*e);
  }
  env.push_back(std::string(kKeyboardWatchdogVariable) + "=" + display);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char name[] = "strumlet-keyboard-watchdog";
  char* argv[] = {name, nullptr};
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pair[1]);
  char byte = 0;
  // The process started hands the watchdog to a child of its own and ends.
  if (spawned == 0) waitpid(pid, nullptr, 0);
  if (spawned != 0 || !ReadByte(pair[0], kStartMs, byte) || byte != kReady) {
    close(pair[0]);
    return;
  }
  socket_ = pair[0];
}

KeyboardWatchdog::~KeyboardWatchdog() {
  if (socket_ >= 0) {
    Send();
    close(socket_);
  }
}

void KeyboardWatchdog::Note(std::uint32_t kind, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  if (socket_ < 0) return;
  buffer_.insert(buffer_.end(), {kind, a, b, c});
}

void KeyboardWatchdog::Send() {
  if (socket_ < 0 || buffer_.empty()) return;
  if (!WriteAll(socket_, buffer_.data(), buffer_.size() * sizeof(std::uint32_t))) {
    close(socket_);
    socket_ = -1;
  }
  buffer_.clear();
}

void KeyboardWatchdog::Begin(Window owner) {
  mayPress_.clear();
  Note(kBegin, static_cast<std::uint32_t>(owner));
  Send();
}

void KeyboardWatchdog::Locks(unsigned lockedMods, int group) {
  Note(kLocks, lockedMods, group < 0 ? kNoGroup : static_cast<std::uint32_t>(group));
  Send();
}

void KeyboardWatchdog::MayPress(int keycode) {
  for (int kc : mayPress_) {
    if (kc == keycode) return;
  }
  mayPress_.push_back(keycode);
  Note(kMayPress, static_cast<std::uint32_t>(keycode));
  Send();
}

void KeyboardWatchdog::Binding(int keycode, KeySym sym0, KeySym sym1) {
  Note(kBinding, static_cast<std::uint32_t>(keycode), static_cast<std::uint32_t>(sym0),
       static_cast<std::uint32_t>(sym1));
}

void KeyboardWatchdog::End() {
  Note(kEnd, 0);
  Send();
  mayPress_.clear();
}

bool KeyboardWatchdog::PutBackNow(int limitMs) {
  Note(kPutBack, 0);
  Send();
  char byte = 0;
  return socket_ >= 0 && ReadByte(socket_, limitMs, byte) && byte == kDone;
}

int RunKeyboardWatchdog(const char* displayName) {
  // A child of its own, so that the program is left no process to reap, in
  // a session of its own, so that a signal to the program's terminal or
  // process group leaves it be: it ends when the program's socket closes.
  pid_t child = fork();
  if (child < 0) return 1;
  if (child > 0) return 0;
  setsid();
  if (chdir("/") != 0) return 1;
  for (int sig : {SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU}) std::signal(sig, SIG_IGN);
  close_range(3, ~0u, 0);
  CatchXErrors();
  Display* display = XOpenDisplay(*displayName ? displayName : nullptr);
  if (!display) return 1;
  // Nothing the program's caller reads waits on the watchdog.
  int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, 1);
    dup2(null, 2);
    if (null > 2) close(null);
  }
  if (!WriteAll(0, &kReady, 1)) return 1;
  Record record;
  std::uint32_t note[4];
  for (;;) {
    std::size_t got = 0;
    while (got < sizeof note) {
      ssize_t n = read(0, reinterpret_cast<char*>(note) + got, sizeof note - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got < sizeof note) break;  // the program has ended
    switch (note[0]) {
      case kBegin:
        record = {};
        record.owner = note[1];
        break;
      case kLocks:
        record.locks = true;
        record.lockedMods = note[1];
        record.group = note[2] == kNoGroup ? -1 : static_cast<int>(note[2]);
        break;
      case kMayPress:
        record.pressed.insert(static_cast<int>(note[1]));
        break;
      case kBinding: {
        int kc = static_cast<int>(note[1]);
        auto it = record.bound.find(kc);
        record.before[kc] = it == record.bound.end() ? std::array<KeySym, 2>{NoSymbol, NoSymbol} : it->second;
        record.bound[kc] = {note[2], note[3]};
        break;
      }
      case kEnd:
        record = {};
        break;
      case kPutBack:
        PutBack(display, record, false);
        record = {};
        WriteAll(0, &kDone, 1);
        break;
      default:
        break;
    }
  }
  PutBack(display, record, true);
  XCloseDisplay(display);
  return 0;
}

}  // namespace rt::x11
