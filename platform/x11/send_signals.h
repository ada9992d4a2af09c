// The signals that end a program from outside (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT), caught for the time of a send: the send stops, the keyboard is
// put back as it was, and then the signal is raised again, so that the
// program ends as it would have. A signal that was ignored when the send
// began stays ignored (a program started with nohup keeps typing).
//
// The handler only notes the signal (an atomic flag); everything else runs
// on the sending thread.
#pragma once

#include <csignal>

namespace rt::x11 {

class SendSignals {
 public:
  SendSignals();
  ~SendSignals();
  SendSignals(const SendSignals&) = delete;
  SendSignals& operator=(const SendSignals&) = delete;

  // The signal caught since the send began, 0 for none.
  static int Caught();

 private:
  struct sigaction previous_[4] = {};
  bool installed_[4] = {};
};

// Raises the signal again now that its handler is the one from before the
// send; does nothing for 0.
void RaiseAgain(int signal);

}  // namespace rt::x11
