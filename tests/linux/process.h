// Processes the Linux and Wayland tests start: the real program, its
// targets, shells; each ended by the test if it is still running. No
// display needed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "../e2e/wait_for.h"

namespace strumlet::linux_e2e {

using namespace std::chrono_literals;
using e2e::WaitFor;

std::string ReadFile(const std::string& path);
// A new file name in this test process's scratch folder under /tmp, made
// at the first call. The folder outlives the process: its files (a started
// program's standard error, what a target received) tell why a test failed.
std::string ScratchFile(const char* what);
// Removes the scratch folder, if there is one. A test program whose tests
// all passed does so at its end (scratch_cleanup.cpp).
void RemoveScratchFolder();

// Starts a program; extra environment variables are "NAME=value". Its
// standard error goes to `errorFile`, or nowhere.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
            const std::string& errorFile = "");

// A process the test started, ended by the test if it is still running.
class Process {
 public:
  explicit Process(pid_t pid) : pid_(pid) {}
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  // The exit code, or -1 when it has not ended within the limit.
  int WaitExit(std::chrono::milliseconds limit = 90s);

 private:
  pid_t pid_;
  int status_ = -1;
};

// The real strumlet, started with its arguments as a shell passes them.
class Program : public Process {
 public:
  explicit Program(std::vector<std::string> args, const std::vector<std::string>& environment = {});
};

}  // namespace strumlet::linux_e2e
