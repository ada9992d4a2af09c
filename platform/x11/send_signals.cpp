#include "platform/x11/send_signals.h"

#include <atomic>

namespace rt::x11 {

namespace {

constexpr int kSignals[4] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The one thing the handler touches.
std::atomic<int> g_caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "the flag is set in a signal handler");

void Note(int signal) {
  int none = 0;
  g_caught.compare_exchange_strong(none, signal);
}

}  // namespace

SendSignals::SendSignals() {
  g_caught = 0;
  struct sigaction note {};
  note.sa_handler = Note;
  sigemptyset(&note.sa_mask);
  for (int i = 0; i < 4; ++i) {
    if (sigaction(kSignals[i], nullptr, &previous_[i]) != 0) continue;
    if (!(previous_[i].sa_flags & SA_SIGINFO) && previous_[i].sa_handler == SIG_IGN) continue;
    installed_[i] = sigaction(kSignals[i], &note, nullptr) == 0;
  }
}

SendSignals::~SendSignals() {
  for (int i = 0; i < 4; ++i) {
    if (installed_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
  }
}

int SendSignals::Caught() { return g_caught.load(); }

void RaiseAgain(int signal) {
  if (signal) std::raise(signal);
}

}  // namespace rt::x11
