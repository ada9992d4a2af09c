#include "platform/posix/holder_process.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <vector>

extern char** environ;

namespace rt::posix {

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

std::optional<std::string> ReadAll(int fd) {
  std::string out;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return out;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::string ExecutablePath() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return std::string(path, static_cast<std::size_t>(n));
}

bool StartHolder(const std::string& executable, const char* variable, const std::string& payload) {
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
  env.push_back(std::string(variable) + "=1");
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
  bool sent = spawned == 0 && WriteAll(in[1], payload.data(), payload.size());
  sigaction(SIGPIPE, &previous, nullptr);
  close(in[1]);
  bool ready = false;
  if (sent) {
    pollfd p{out[0], POLLIN, 0};
    char byte = 0;
    int polled;
    do {
      polled = poll(&p, 1, 5000);
    } while (polled < 0 && errno == EINTR);
    ready = polled == 1 && read(out[0], &byte, 1) == 1;
  }
  close(out[0]);
  // The process started ends at once (DetachHolder); the holder is its
  // child, which the system's init adopts and reaps.
  if (spawned == 0) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  return ready;
}

std::optional<std::string> DetachHolder() {
  pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child > 0) _exit(0);
  setsid();
  if (chdir("/") != 0) return std::nullopt;
  std::optional<std::string> payload = ReadAll(0);
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, 0);
    dup2(null, 2);
    if (null > 2) close(null);
  }
  return payload;
}

void HolderReady() {
  char ready = 1;
  WriteAll(1, &ready, 1);
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, 1);
    if (null > 2) close(null);
  } else {
    close(1);
  }
}

}  // namespace rt::posix
