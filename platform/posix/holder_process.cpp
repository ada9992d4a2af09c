#include "platform/posix/holder_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/posix/posix_clock.h"

extern char** environ;

namespace rt::posix {

namespace {

// The handshake's bytes: the holder's "ready", the program's "stay".
constexpr char kReady = 'r';
constexpr char kStay = 's';
// A payload larger than this is not the program's: the holder refuses it.
constexpr std::uint64_t kMostPayload = std::uint64_t{1} << 30;

int MillisecondsLeft(const Deadline& deadline) { return static_cast<int>(std::min<std::uint64_t>(deadline.LeftMs(), 60000)); }

// Waits until `fd` is ready for `events`; false at the deadline.
bool AwaitFd(int fd, short events, const Deadline& deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int n = poll(&p, 1, MillisecondsLeft(deadline));
    if (n > 0) return true;
    if (n == 0 && deadline.Passed()) return false;
    if (n < 0 && errno != EINTR) return false;
  }
}

// Writes everything to a non-blocking descriptor before the deadline.
bool WriteBefore(int fd, const char* data, std::size_t size, const Deadline& deadline) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      if (!AwaitFd(fd, POLLOUT, deadline)) return false;
    } else if (!(n < 0 && errno == EINTR)) {
      return false;
    }
  }
  return true;
}

bool ReadExactly(int fd, char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A descriptor at 3 or above, close-on-exec: one that dup2 onto 0, 1 or 2
// can neither clobber nor leave close-on-exec. Closes `fd`.
int AboveStandardStreams(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

bool Pipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  fds[0] = AboveStandardStreams(fds[0]);
  fds[1] = AboveStandardStreams(fds[1]);
  if (fds[0] >= 0 && fds[1] >= 0) return true;
  if (fds[0] >= 0) close(fds[0]);
  if (fds[1] >= 0) close(fds[1]);
  return false;
}

// SIGPIPE blocked for this thread while the program writes to a holder that
// may have gone; one raised meanwhile is taken off again, so that it never
// ends the program. Other threads are not touched.
class NoSigpipe {
 public:
  NoSigpipe() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  ~NoSigpipe() {
    sigset_t pending;
    sigpending(&pending);
    if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
      timespec now{0, 0};
      sigtimedwait(&pipe_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  NoSigpipe(const NoSigpipe&) = delete;
  NoSigpipe& operator=(const NoSigpipe&) = delete;

 private:
  sigset_t pipe_, previous_;
  bool wasPending_ = false;
};

void CloseInheritedDescriptors() {
  // Descriptors the program left open without close-on-exec (a toolkit's,
  // a library's) are not the holder's to keep.
  if (close_range(3, ~0u, 0) != 0) {
    for (int fd = 3; fd < 1024; ++fd) close(fd);
  }
}

void StreamsToDevNull() {
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null < 0) return;
  for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
  if (null > 2) close(null);
}

}  // namespace

std::string ExecutablePath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return std::string(path, static_cast<std::size_t>(n));
}

bool StartHolder(const HolderStart& start, std::string_view payload) {
  const Deadline deadline(MonotonicClock(), static_cast<std::uint64_t>(std::max<std::int64_t>(0, start.limit.count())));
  // The running file itself, even when a package upgrade has deleted or
  // replaced it since the program started.
  const char* file = start.executable.empty() ? "/proc/self/exe" : start.executable.c_str();
  int executable = AboveStandardStreams(open(file, O_RDONLY | O_CLOEXEC));
  if (executable < 0) return false;
  int in[2], out[2];
  if (!Pipe(in)) {
    close(executable);
    return false;
  }
  if (!Pipe(out)) {
    close(executable);
    close(in[0]);
    close(in[1]);
    return false;
  }

  // Everything the child needs is made before the fork: a program with
  // threads may only make async-signal-safe calls in the child.
  std::string argv0 = start.executable.empty() ? std::string(program_invocation_name) : start.executable;
  std::string mode = std::string(start.modeVariable) + "=";
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, mode.c_str(), mode.size()) != 0) environment.emplace_back(*e);
  }
  environment.push_back(mode + "1");
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {argv0.data(), nullptr};
  sigset_t none;
  sigemptyset(&none);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    // The program's own blocked signals are not the holder's.
    sigprocmask(SIG_SETMASK, &none, nullptr);
    fexecve(executable, argv, envp.data());
    _exit(127);
  }
  close(executable);
  close(in[0]);
  close(out[1]);
  if (pid < 0) {
    close(in[1]);
    close(out[0]);
    return false;
  }

  bool ready = false;
  {
    NoSigpipe noSigpipe;
    fcntl(in[1], F_SETFL, fcntl(in[1], F_GETFL) | O_NONBLOCK);
    unsigned char header[8];
    std::uint64_t size = payload.size();
    for (int i = 0; i < 8; ++i) header[i] = static_cast<unsigned char>(size >> (8 * i));
    if (WriteBefore(in[1], reinterpret_cast<const char*>(header), sizeof header, deadline) &&
        WriteBefore(in[1], payload.data(), payload.size(), deadline) && AwaitFd(out[0], POLLIN, deadline)) {
      char answer = 0;
      ready = read(out[0], &answer, 1) == 1 && answer == kReady && WriteBefore(in[1], &kStay, 1, deadline);
    }
  }
  close(in[1]);
  close(out[0]);
  // A holder that is not ready by now is ended: killing the process started
  // here ends the holder with it (see RunHolder), so that no holder comes up
  // late beside whatever the program does next.
  if (!ready) kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  return ready;
}

int RunHolder(const std::function<int(std::string payload, const std::function<bool()>& ready)>& serve) {
  CloseInheritedDescriptors();
  // The process the program started stays until the holder has been told
  // to stay, and the holder is killed with it until then: the program ends
  // a late holder by killing its own child, which it can do without the
  // risk of hitting a reused process id.
  int told[2];
  if (pipe2(told, O_CLOEXEC) != 0) return 1;
  const pid_t starter = getpid();
  pid_t holder = fork();
  if (holder < 0) return 1;
  if (holder > 0) {
    close(told[1]);
    // The program's pipes are the holder's alone: their ends tell the
    // program that the holder has gone.
    close(0);
    close(1);
    char byte;
    while (read(told[0], &byte, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
  }
  close(told[0]);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != starter) _exit(1);
  setsid();
  if (chdir("/") != 0) return 1;
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // A program that has gone away makes a write fail, not end the holder.
  signal(SIGPIPE, SIG_IGN);

  unsigned char header[8];
  if (!ReadExactly(0, reinterpret_cast<char*>(header), sizeof header)) return 1;
  std::uint64_t size = 0;
  for (int i = 0; i < 8; ++i) size |= std::uint64_t{header[i]} << (8 * i);
  if (size > kMostPayload) return 1;
  std::string payload(static_cast<std::size_t>(size), '\0');
  if (!ReadExactly(0, payload.data(), payload.size())) return 1;

  bool stays = false;
  auto ready = [&] {
    if (stays) return true;
    char answer = 0;
    if (write(1, &kReady, 1) != 1 || !ReadExactly(0, &answer, 1) || answer != kStay) return false;
    prctl(PR_SET_PDEATHSIG, 0);
    StreamsToDevNull();
    close(told[1]);
    stays = true;
    return true;
  };
  return serve(std::move(payload), ready);
}

}  // namespace rt::posix
