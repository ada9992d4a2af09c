#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef STRUMLET_EXE
#error "STRUMLET_EXE names the program under test"
#endif

namespace strumlet::linux_e2e {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& errorFile) {
  pid_t pid = fork();
  if (pid == 0) {
    // A group of its own, so that whatever it starts ends with it.
    setpgid(0, 0);
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    // The program's notices on standard error are not the test's output.
    int error = open(errorFile.empty() ? "/dev/null" : errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (error >= 0) dup2(error, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid > 0) setpgid(pid, pid);
  return pid;
}

Process::~Process() {
  if (Running()) {
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool Process::Running() {
  if (pid_ <= 0 || status_ != -1) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

int Process::WaitExit(std::chrono::milliseconds limit) {
  if (!WaitFor([&] { return !Running(); }, limit)) {
    // Where it stands tells a program waiting in its event loop (it was
    // never told to end) from one stuck on its way out.
    std::fprintf(stderr, "process %d has not ended; its threads:\n", static_cast<int>(pid_));
    std::fflush(stderr);
    const std::string command = "gdb -p " + std::to_string(pid_) +
                                " -batch -ex 'thread apply all bt 12' 2>/dev/null | grep -E '^(Thread|#)' | head -n 60 >&2";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "(gdb could not say)\n");
    return -1;
  }
  return status_;
}

namespace {
std::vector<std::string> WithProgram(std::vector<std::string> args) {
  args.insert(args.begin(), STRUMLET_EXE);
  return args;
}

// The scratch folder, empty until it is made.
std::string& Folder() {
  static std::string folder;
  return folder;
}
}  // namespace

std::string ScratchFile(const char* what) {
  static int count = 0;
  std::string& folder = Folder();
  if (folder.empty()) {
    std::string name = "/tmp/strumlet_linux_e2e_" + std::to_string(getpid()) + "_XXXXXX";
    if (!mkdtemp(name.data())) {
      std::perror("no scratch folder under /tmp");
      std::abort();
    }
    folder = name;
  }
  return folder + "/" + std::to_string(++count) + "_" + what;
}

void RemoveScratchFolder() {
  std::string& folder = Folder();
  if (folder.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  folder.clear();
}

Program::Program(std::vector<std::string> args, const std::vector<std::string>& environment)
    : Process(Spawn(WithProgram(std::move(args)), environment)) {}


}  // namespace strumlet::linux_e2e
