// A holder: a small process that keeps something of the program's alive
// after the program has ended (the clipboard's text, which on X11 and on
// Wayland lives only as long as a client serves it). It is the program's own
// executable started again in a mode named by an environment variable, so
// that nothing else has to be installed beside it.
//
// What every holder shares, whatever it holds and on whichever display
// system, lives here:
// - It is started from the running program's own file, opened through
//   /proc/self/exe, which still opens the running file after a package
//   upgrade has deleted or replaced it (the path then reads "(deleted)").
// - The handshake: the program sends the payload (a length, then the
//   bytes) on the holder's standard input; the holder answers one byte on
//   its standard output once it holds what it was given; the program then
//   tells it to stay with one byte more. A holder that is not ready within
//   the program's limit is ended, and never stays behind as a second holder
//   after the program has given up on it (or after the program has died).
// - Once told to stay the holder keeps nothing of the program's: standard
//   input, output and error on /dev/null (so that `out=$(strumlet ...)`
//   returns when the program ends), the root as its working directory (so
//   that it holds no disk busy), a session of its own (so that closing the
//   program's terminal does not end it), and no parent but the system's.
//
// POSIX only (fork, pipes, prctl): shared by the Linux backends.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace rt::posix {

// How long the program waits for a holder by default: far longer than a
// start takes on a loaded machine, short enough not to leave a user
// wondering.
inline constexpr std::chrono::milliseconds kHolderStartLimit{10000};

struct HolderStart {
  // Set to "1" in the holder's environment: the program's entry point runs
  // the holder when it sees it.
  const char* modeVariable = nullptr;
  // The file to start; empty for the running program's own.
  std::string executable;
  std::chrono::milliseconds limit = kHolderStartLimit;
};

// Starts a holder, hands it `payload` and waits until it is ready. True
// once it is ready and has been told to stay; false when it could not be
// started, gave up, or was not ready within the limit (it is ended then).
// Returns only after the process it started has ended: the holder itself
// runs on in a process of its own that the system adopts.
bool StartHolder(const HolderStart& start, std::string_view payload);

// The path of the running executable ("" if it cannot be read; it ends in
// " (deleted)" once an upgrade has removed the file).
std::string ExecutablePath();

// The holder's side, run by the entry point in holder mode. Detaches from
// the program, reads the payload and calls `serve` with it and with
// `ready`. `serve` calls `ready()` once it holds the payload: true means the
// program took the answer and the holder stays (its streams and working
// directory are the holder's own from then on); false means the program
// gave up, and `serve` returns at once. Returns the process's exit code:
// `serve`'s result, or 1 when the payload did not arrive.
int RunHolder(const std::function<int(std::string payload, const std::function<bool()>& ready)>& serve);

}  // namespace rt::posix
