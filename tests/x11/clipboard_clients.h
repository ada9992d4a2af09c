// The clipboard holder's surroundings for its tests: programs that copy
// (this test program started again, as the real program starts its holder),
// programs that read (a requestor that follows the ICCCM step by step, so
// that a test can make it go away at any step, and real ones: xclip, xsel,
// a Qt and a GTK reader), the holder processes found by a mark in their
// environment, and a display that never answers.
// GoogleTest comes before Xlib, whose macros (None, Bool) it would trip on.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../e2e/wait_for.h"

namespace clipboard_test {

using namespace std::chrono_literals;

// The test program's environment variable that makes it a copying program:
// it reads the name of a file from standard input, copies the file's text
// through the holder and ends with 0 when the holder took it, 1 otherwise.
inline constexpr const char* kCopyMode = "STRUMLET_TEST_COPY";
// The holder's start limit in milliseconds in copy mode (default: the
// program's own).
inline constexpr const char* kCopyLimit = "STRUMLET_TEST_COPY_LIMIT_MS";
// Marks a copying program's environment, and so its holder's.
inline constexpr const char* kMark = "STRUMLET_TEST_MARK";

// Runs in copy mode; returns the exit code.
int CopyModeMain();

using strumlet::e2e::WaitFor;
std::string ScratchPath(const char* what);
bool WriteFile(const std::string& path, const std::string& data, mode_t mode = 0644);
std::string ReadFile(const std::string& path);

// A copying program: `executable` (this test program, or a copy of it)
// started in copy mode in `directory`, its standard output and error on one
// pipe as `out=$(...)` sees them.
class Copier {
 public:
  explicit Copier(const std::string& executable, const std::string& directory = "/",
                  const std::vector<std::string>& environment = {});
  ~Copier();
  Copier(const Copier&) = delete;
  Copier& operator=(const Copier&) = delete;

  pid_t Pid() const { return pid_; }
  const std::string& Mark() const { return mark_; }
  // Hands it the text to copy.
  void Copy(const std::string& text);
  // Its exit code, or -1 when it has not ended within the limit.
  int WaitExit(std::chrono::milliseconds limit = 60s);
  // Whether everything that holds its output pipe has closed it (as
  // `out=$(...)` waits for) within the limit.
  bool OutputClosed(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string mark_, textFile_;
  int status_ = -1;
};

// The processes whose environment holds `mark` and the holder mode.
std::vector<pid_t> HolderProcesses(const std::string& mark);
// Where a process's descriptor or working directory points ("" if gone).
std::string LinkOf(pid_t pid, const std::string& entry);

// A program's standard output once it has ended with 0 within the limit.
std::optional<std::string> Output(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
                                  std::chrono::milliseconds limit = 90s);

// Another client on the clipboard, following the ICCCM's requestor rules
// step by step.
class Requestor {
 public:
  Requestor();
  ~Requestor();
  Requestor(const Requestor&) = delete;
  Requestor& operator=(const Requestor&) = delete;

  bool Ok() const { return display_ != nullptr; }
  Display* display() const { return display_; }
  Window window() const { return window_; }
  Atom A(const char* name) { return XInternAtom(display_, name, False); }
  std::string Name(Atom atom);

  // Asks for the clipboard as `target` into `property` (None: the old
  // form). The answer's property (None when refused); nothing when no
  // answer came.
  std::optional<Atom> Ask(Atom target, Atom property);
  // The property's type, format and data, deleted once read.
  struct Value {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes;  // format 8
    std::vector<long> items;           // format 32
  };
  Value Take(Atom property);
  // The clipboard as `target`, increments included; nothing when refused or
  // when no answer came.
  std::optional<std::string> Read(const char* target);
  // Asks for a transfer in increments and waits until the first increment
  // is there (not taken); true when it came.
  bool BeginIncrements(const char* target, Atom property);
  // Waits until the next increment is in `property`, without taking it.
  bool AwaitIncrement(Atom property);
  // Waits for the next increment in `property` and takes it; nothing when
  // it did not come.
  std::optional<std::vector<unsigned char>> NextIncrement(Atom property);

  // Goes away: destroys its window and closes its connection.
  void Vanish();

 private:
  Display* display_;
  Window window_ = 0;
};

// A TCP display that accepts connections and never answers: an X client
// that connects to it hangs in XOpenDisplay.
class SilentDisplay {
 public:
  SilentDisplay();
  ~SilentDisplay();
  SilentDisplay(const SilentDisplay&) = delete;
  SilentDisplay& operator=(const SilentDisplay&) = delete;

  bool Ok() const { return listener_ >= 0; }
  // The DISPLAY value that reaches it.
  std::string Name() const;
  // Accepts one client within the limit.
  bool Accept(std::chrono::milliseconds limit);
  // Whether the accepted client has closed its connection within the limit.
  bool ClientGone(std::chrono::milliseconds limit);

 private:
  int listener_ = -1, client_ = -1, number_ = 0;
};

}  // namespace clipboard_test
