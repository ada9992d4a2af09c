#include "clipboard_clients.h"

#include <X11/Xatom.h>
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/x11/clipboard_holder.h"

namespace clipboard_test {

int CopyModeMain() {
  char path[4096] = {};
  if (!std::fgets(path, sizeof path, stdin)) return 2;
  std::string file(path);
  if (!file.empty() && file.back() == '\n') file.pop_back();
  // Something on both streams, as the program's notices are.
  std::printf("copying\n");
  std::fflush(stdout);
  std::fprintf(stderr, "copying\n");
  const char* limit = std::getenv(kCopyLimit);
  std::chrono::milliseconds ms = limit ? std::chrono::milliseconds(std::atoi(limit)) : rt::posix::kHolderStartLimit;
  return rt::x11::StartClipboardHolder(ReadFile(file), ms) ? 0 : 1;
}

std::string ScratchPath(const char* what) {
  static int count = 0;
  return "/tmp/strumlet_clipboard_test_" + std::to_string(getpid()) + "_" + std::to_string(++count) + "_" + what;
}

bool WriteFile(const std::string& path, const std::string& data, mode_t mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
    if (!out) return false;
  }
  return chmod(path.c_str(), mode) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Copier::Copier(const std::string& executable, const std::string& directory, const std::vector<std::string>& environment)
    : textFile_(ScratchPath("text")) {
  static int count = 0;
  mark_ = std::to_string(getpid()) + "-" + std::to_string(++count);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    if (chdir(directory.c_str()) != 0) _exit(126);
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(out[1], 2);
    setenv(kCopyMode, "1", 1);
    setenv(kMark, mark_.c_str(), 1);
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  in_ = in[1];
  out_ = out[0];
}

Copier::~Copier() {
  if (pid_ > 0 && status_ == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  // Holders a failed test left behind: found by this copier's own mark.
  for (pid_t holder : HolderProcesses(mark_)) kill(holder, SIGTERM);
  if (in_ >= 0) close(in_);
  if (out_ >= 0) close(out_);
  unlink(textFile_.c_str());
}

void Copier::Copy(const std::string& text) {
  WriteFile(textFile_, text);
  std::string line = textFile_ + "\n";
  if (write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::perror("copier");
}

int Copier::WaitExit(std::chrono::milliseconds limit) {
  if (status_ != -1) return status_;
  int status = 0;
  if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit)) return -1;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return status_;
}

bool Copier::OutputClosed(std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[256];
    ssize_t n = read(out_, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

std::vector<pid_t> HolderProcesses(const std::string& mark) {
  std::vector<pid_t> found;
  const std::string marked = std::string(kMark) + "=" + mark;
  const std::string holder = std::string(rt::x11::kClipboardHolderVariable) + "=1";
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (dirent* entry = readdir(proc)) {
    pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    std::string environment = ReadFile("/proc/" + std::string(entry->d_name) + "/environ");
    bool hasMark = false, isHolder = false;
    for (std::size_t at = 0; at < environment.size();) {
      std::size_t end = environment.find('\0', at);
      if (end == std::string::npos) end = environment.size();
      std::string_view variable(environment.data() + at, end - at);
      hasMark |= variable == marked;
      isHolder |= variable == holder;
      at = end + 1;
    }
    if (hasMark && isHolder) found.push_back(pid);
  }
  closedir(proc);
  return found;
}

std::string LinkOf(pid_t pid, const std::string& entry) {
  char target[4096];
  ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/" + entry).c_str(), target, sizeof target - 1);
  return n <= 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

std::optional<std::string> Output(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                                  std::chrono::milliseconds limit) {
  std::string file = ScratchPath("output");
  pid_t pid = fork();
  if (pid == 0) {
    int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(out, 1);
    dup2(null, 2);
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    status = -1;
  }
  std::optional<std::string> text;
  if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) text = ReadFile(file);
  unlink(file.c_str());
  return text;
}

Requestor::Requestor() : display_(XOpenDisplay(nullptr)) {
  if (!display_) return;
  window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display_, window_, PropertyChangeMask);
}

Requestor::~Requestor() { Vanish(); }

void Requestor::Vanish() {
  if (!display_) return;
  XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
  display_ = nullptr;
}

std::string Requestor::Name(Atom atom) {
  char* name = XGetAtomName(display_, atom);
  std::string out = name ? name : "";
  if (name) XFree(name);
  return out;
}

std::optional<Atom> Requestor::Ask(Atom target, Atom property) {
  XConvertSelection(display_, A("CLIPBOARD"), target, property, window_, CurrentTime);
  XFlush(display_);
  std::optional<Atom> answer;
  WaitFor(
      [&] {
        XEvent event;
        if (!XCheckTypedWindowEvent(display_, window_, SelectionNotify, &event)) return false;
        answer = event.xselection.property;
        return true;
      },
      30s);
  return answer;
}

Requestor::Value Requestor::Take(Atom property) {
  Value value;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display_, window_, property, 0, 1 << 24, True, AnyPropertyType, &value.type, &value.format, &count,
                     &after, &data);
  if (data && value.format == 8) value.bytes.assign(data, data + count);
  if (data && value.format == 32) value.items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
  if (data) XFree(data);
  return value;
}

std::optional<std::string> Requestor::Read(const char* target) {
  std::optional<Atom> answer = Ask(A(target), A("STRUMLET_TEST_READ"));
  if (!answer || *answer == None) return std::nullopt;
  Value value = Take(*answer);
  if (value.type != A("INCR")) return std::string(value.bytes.begin(), value.bytes.end());
  std::string out;
  for (;;) {
    auto increment = NextIncrement(*answer);
    if (!increment) return std::nullopt;
    if (increment->empty()) return out;
    out.append(increment->begin(), increment->end());
  }
}

bool Requestor::BeginIncrements(const char* target, Atom property) {
  std::optional<Atom> answer = Ask(A(target), property);
  if (!answer || *answer != property || Take(property).type != A("INCR")) return false;
  return AwaitIncrement(property);
}

bool Requestor::AwaitIncrement(Atom property) {
  // An increment is there once its property is: the notice of a property
  // that has been taken already does not count.
  return WaitFor(
      [&] {
        XEvent event;
        if (!XCheckTypedWindowEvent(display_, window_, PropertyNotify, &event)) return false;
        if (event.xproperty.atom != property || event.xproperty.state != PropertyNewValue) return false;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, window_, property, 0, 0, False, AnyPropertyType, &type, &format, &count, &after,
                           &data);
        if (data) XFree(data);
        return type != None;
      },
      30s);
}

std::optional<std::vector<unsigned char>> Requestor::NextIncrement(Atom property) {
  if (!AwaitIncrement(property)) return std::nullopt;
  return Take(property).bytes;
}

SilentDisplay::SilentDisplay() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return;
  // A display number no X server here listens on over TCP.
  for (number_ = 150; number_ < 250; ++number_) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(6000 + number_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener_, 4) == 0) return;
  }
  close(listener_);
  listener_ = -1;
}

SilentDisplay::~SilentDisplay() {
  if (client_ >= 0) close(client_);
  if (listener_ >= 0) close(listener_);
}

std::string SilentDisplay::Name() const { return "127.0.0.1:" + std::to_string(number_); }

bool SilentDisplay::Accept(std::chrono::milliseconds limit) {
  pollfd p{listener_, POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(limit.count())) != 1) return false;
  client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  return client_ >= 0;
}

bool SilentDisplay::ClientGone(std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{client_, POLLIN, 0};
    if (poll(&p, 1, 50) != 1) continue;
    // The client's connection setup comes first; the end of its stream
    // says it has gone.
    char buffer[256];
    if (read(client_, buffer, sizeof buffer) <= 0) return true;
  }
  return false;
}

}  // namespace clipboard_test
