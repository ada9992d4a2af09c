#include "platform/x11/read_barrier.h"

#include <algorithm>

#include "platform/posix/posix_clock.h"

namespace rt::x11 {

namespace {

// How long a client that lists _NET_WM_PING may take to answer one before
// it is typed into as a client without pings.
constexpr std::uint64_t kPingAnswerMs = 1000;

// What the process remembers from one send to the next (each piece has a
// barrier of its own): the last window that answered a ping, so that the
// next piece into it knows it answers even when it is busy as the piece
// starts; and the ping numbers, never the same twice, so that an answer
// that comes late to a later piece's barrier is not taken for its own.
Window g_lastAnswered = 0;
long g_lastPing = 0x5EED0000;

}  // namespace

ReadBarrier::ReadBarrier(Display* display, const BarrierTimes& times, std::function<void()> pump)
    : display_(display),
      clock_(posix::MonotonicClock()),
      times_(times),
      pump_(std::move(pump)),
      wmProtocols_(XInternAtom(display, "WM_PROTOCOLS", False)),
      netWmPing_(XInternAtom(display, "_NET_WM_PING", False)) {}

void ReadBarrier::SetPingWindow(Window window) {
  if (std::find(silent_.begin(), silent_.end(), window) != silent_.end()) window = 0;
  if (window == pingWindow_) return;
  pingWindow_ = window;
  pingId_ = 0;
  answered_ = window != 0 && window == g_lastAnswered;
}

void ReadBarrier::Introduce() {
  if (!pingWindow_ || answered_) return;
  SendPing();
  WaitUntil(
      clock_,
      [&] {
        pump_();
        return pingId_ == 0;
      },
      kPingAnswerMs, 1);
}

bool ReadBarrier::OnEvent(const XEvent& event) {
  if (event.type != ClientMessage || event.xclient.message_type != wmProtocols_ ||
      static_cast<Atom>(event.xclient.data.l[0]) != netWmPing_ || !pingId_ || event.xclient.data.l[1] != pingId_) {
    return false;
  }
  readUpTo_ = std::max(readUpTo_, pingCovers_);
  pingId_ = 0;
  answered_ = true;
  g_lastAnswered = pingWindow_;
  return true;
}

std::uint64_t ReadBarrier::ReadBy(int guardMs) const {
  std::uint64_t upTo = readUpTo_;
  if (pingWindow_) return upTo;
  std::uint64_t now = clock_.NowMs();
  for (const Synced& p : synced_) {
    if (now - p.atMs >= static_cast<std::uint64_t>(guardMs)) upTo = std::max(upTo, p.upTo);
  }
  return upTo;
}

void ReadBarrier::SendPing() {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = pingWindow_;
  ev.xclient.message_type = wmProtocols_;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(netWmPing_);
  ev.xclient.data.l[1] = pingId_ = ++g_lastPing;
  ev.xclient.data.l[2] = static_cast<long>(pingWindow_);
  pingCovers_ = sent_;
  pingAt_ = clock_.NowMs();
  XSendEvent(display_, pingWindow_, False, NoEventMask, &ev);
  XFlush(display_);
}

bool ReadBarrier::Poll(std::uint64_t want, int guardMs) {
  pump_();
  if (ReadBy(guardMs) >= want) return true;
  if (pingWindow_) {
    if (!pingId_) SendPing();
    pump_();
    if (readUpTo_ >= want) return true;
    // A client that lists the ping but leaves it unanswered is typed into
    // as one without: the guess takes over, counted from now. One that has
    // answered before is only busy (or stopped): it is waited for, up to the
    // caller's limit, as the guess would be wrong about it.
    if (!pingId_ || answered_ || clock_.NowMs() - pingAt_ <= kPingAnswerMs) return false;
    silent_.push_back(pingWindow_);
    pingWindow_ = 0;
    pingId_ = 0;
    synced_.clear();
  }
  // No ping: a round trip proves that the server has handled (and passed
  // on) every event; the guard counts from then.
  if (synced_.empty() || synced_.back().upTo < sent_) {
    XSync(display_, False);
    pump_();
    synced_.push_back({sent_, clock_.NowMs()});
    // An older point is worth nothing once a newer one has passed the
    // longest guard.
    std::uint64_t now = clock_.NowMs();
    std::size_t keep = 0;
    for (std::size_t i = 0; i < synced_.size(); ++i) {
      if (now - synced_[i].atMs >= static_cast<std::uint64_t>(LongestGuard())) keep = i;
    }
    synced_.erase(synced_.begin(), synced_.begin() + static_cast<std::ptrdiff_t>(keep));
  }
  return ReadBy(guardMs) >= want;
}

bool ReadBarrier::Wait(std::uint64_t limitMs, int guardMs, const std::function<bool()>& go) {
  std::uint64_t want = sent_;
  bool read = false;
  WaitUntil(
      clock_,
      [&] {
        read = Poll(want, guardMs);
        return read || !go();
      },
      limitMs, 1);
  return read;
}

int ReadBarrier::LongestGuard() const { return std::max(times_.guardMs, BindingGuard()); }

bool ReadBarrier::BindingBarrier(std::uint64_t limitMs, const std::function<bool()>& go) {
  if (!Wait(limitMs, BindingGuard(), go)) return false;
  bindingsUnread_ = 0;
  return true;
}

}  // namespace rt::x11
