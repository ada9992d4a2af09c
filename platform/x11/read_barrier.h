// Whether the target has read the key events sent to it so far.
//
// "The target has read everything sent so far" is the _NET_WM_PING round
// trip with the focused client: the reply comes only after the client has
// read every earlier event. A client that does not answer pings (xterm), or
// lists the ping but leaves it unanswered for kPingAnswerMs, gets a bounded
// guess instead: the server has handled our events (a round trip) and a
// guard time has passed since. The guess is short where only the pace rests
// on it (between chunks, at the end of a piece) and long before a spare
// keycode that the target may still look up is rebound or cleared: a
// client like xterm reads the keymap afresh after each binding's notice,
// which costs it round trips to the server.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"

namespace rt::x11 {

struct BarrierTimes {
  // Measured into a raw xterm on a two-core machine at a load of about 7:
  // of 150 short sends ending in a character outside the keymap, about 5%
  // lost it with a 50 or 100 ms guard, none with 200 or 500 ms; rounds of 17
  // rebindings were read with wrong bindings after 500 ms, never after 3 s;
  // at a load of 11, 500 ms plus 60 ms a binding was not enough either.
  int guardMs = 50;
  int bindingGuardMs = 1000;
  int guardPerBindingMs = 150;  // for each binding request since the last binding barrier
};

class ReadBarrier {
 public:
  // `pump` reads the connection's pending events (and hands ping replies to
  // OnEvent).
  ReadBarrier(Display* display, const BarrierTimes& times, std::function<void()> pump);

  // The client that gets the pings (0: none; the guess is used). A client
  // that once left a ping unanswered is not pinged again.
  void SetPingWindow(Window window);
  Window PingWindow() const { return pingWindow_; }
  // Before any key: a client not yet known to answer gets a first ping and
  // up to kPingAnswerMs to answer it. One that answers is from then on
  // waited for whenever it is busy (a client stopped just as the keys begin
  // is not taken for one that never answers); one that does not is typed
  // into with the guess.
  void Introduce();

  // Counts events sent to the target; returns the number of the last.
  std::uint64_t Count(std::uint64_t events = 1) { return sent_ += events; }
  std::uint64_t Sent() const { return sent_; }
  // Everything sent so far is taken as read (nothing was on its way).
  void AllRead() { readUpTo_ = sent_; }

  // A ping reply: true when it was one of ours.
  bool OnEvent(const XEvent& event);

  // The events the target has read, as far as known: those a ping's answer
  // covers; without pings, those the server had handled `guardMs` ago.
  std::uint64_t ReadBy(int guardMs) const;
  // Advances without blocking; true once the target has read the first
  // `want` events (by the guess of `guardMs` without pings).
  bool Poll(std::uint64_t want, int guardMs);
  // Blocks until the target has read everything sent so far, at most
  // `limitMs`, while `go()` holds; false when it has not.
  bool Wait(std::uint64_t limitMs, int guardMs, const std::function<bool()>& go);

  // Bindings: the guess before a binding changes grows with the binding
  // requests made since the last binding barrier.
  void BindingsMade(int requests) { bindingsUnread_ += requests; }
  int BindingGuard() const { return times_.bindingGuardMs + times_.guardPerBindingMs * bindingsUnread_; }
  int ShortGuard() const { return times_.guardMs; }
  int LongestGuard() const;
  // Blocks until the target has read every event that may use a binding as
  // it is now, so that it may change.
  bool BindingBarrier(std::uint64_t limitMs, const std::function<bool()>& go);

 private:
  void SendPing();

  Display* display_;
  Clock& clock_;
  BarrierTimes times_;
  std::function<void()> pump_;
  Atom wmProtocols_, netWmPing_;
  std::uint64_t sent_ = 0;
  std::uint64_t readUpTo_ = 0;
  // Without pings: the events the server had handled at a time, newest last.
  struct Synced {
    std::uint64_t upTo;
    std::uint64_t atMs;
  };
  std::vector<Synced> synced_;
  int bindingsUnread_ = 0;
  // A ping on its way: its id, the events it covers, when it left.
  long pingId_ = 0;
  std::uint64_t pingCovers_ = 0;
  std::uint64_t pingAt_ = 0;
  Window pingWindow_ = 0;
  // The ping window has answered a ping (this send's, or the last window
  // that answered one of this process's): a late answer then means a busy
  // client, which is waited for, not one that never answers.
  bool answered_ = false;
  std::vector<Window> silent_;
};

}  // namespace rt::x11
