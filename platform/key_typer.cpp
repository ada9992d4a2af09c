#include "platform/key_typer.h"

#include <algorithm>

#include "platform/errors.h"

namespace rt {

namespace {

// Watches where the keys go, against where they went when the send began.
class FocusWatch {
 public:
  enum class Verdict { OnTarget, Away, Lost };

  explicit FocusWatch(KeyboardTarget& target) : target_(target), clock_(target.Time()), start_(target.Focus()) {}

  // OnTarget while the keys go where they began; Away while another program
  // has the focus, for less than kFocusGraceMs; Lost after that, or once the
  // window has gone.
  Verdict Check() {
    if (start_.window == 0) return Verdict::OnTarget;
    if (!target_.WindowExists(start_.window)) return Verdict::Lost;
    if (SameTarget(start_, target_.Focus(), true)) {
      away_ = false;
      return Verdict::OnTarget;
    }
    std::uint64_t now = clock_.NowMs();
    if (!away_) {
      away_ = true;
      awaySince_ = now;
    }
    return now - awaySince_ < kFocusGraceMs ? Verdict::Away : Verdict::Lost;
  }

  // Waits (within the grace time) until the keys go where they began; false
  // when they no longer can.
  bool AwaitTarget() {
    Verdict v = Verdict::Away;
    WaitUntil(clock_, [&] { return (v = Check()) != Verdict::Away; }, kFocusGraceMs, kTypingPollMs);
    return v == Verdict::OnTarget;
  }

  // For waits: false once the focus is lost, checked every few milliseconds.
  bool StillPossible() {
    std::uint64_t now = clock_.NowMs();
    if (checked_ && now - lastCheck_ < kWaitCheckMs) return true;
    checked_ = true;
    lastCheck_ = now;
    return Check() != Verdict::Lost;
  }

 private:
  static constexpr std::uint64_t kWaitCheckMs = 10;
  KeyboardTarget& target_;
  Clock& clock_;
  KeyFocus start_;
  bool away_ = false;
  std::uint64_t awaySince_ = 0;
  bool checked_ = false;
  std::uint64_t lastCheck_ = 0;
};

// Waits until the target has read the marker key's state `want`, at most
// kDeliveryLimitMs; false when it has not, or has gone, or the focus left.
bool WaitForMarker(KeyboardTarget& target, TargetKey want, FocusWatch& focus) {
  bool read = false;
  WaitUntil(
      target.Time(),
      [&] {
        TargetKey state = target.ReadKey(kVkMarker);
        read = state == want || state == TargetKey::Unobservable;
        return read || state == TargetKey::Gone || !focus.StillPossible();
      },
      kDeliveryLimitMs, kTypingPollMs);
  return read;
}

// One send to one target: injects events in chunks, each after a check of
// the focus, with proofs of reading between them, and on failure undoes
// what it can: releases every key it pressed (and the user's modifiers, if
// their release had not gone out), and switches Caps Lock back.
class Sender {
 public:
  explicit Sender(KeyboardTarget& target)
      : target_(target),
        focus_(target),
        chunkEvents_(std::max<std::size_t>(1, target.ChunkEvents())),
        deliveryEvents_(std::max(chunkEvents_, target.DeliveryEvents())) {}

  // The user's modifiers, released by the first events: released again on
  // failure unless the system took all of those.
  void SetHeldReleases(std::vector<InputEvent> releases) { heldReleases_ = std::move(releases); }

  // Sends the events in chunks.
  void Type(const std::vector<InputEvent>& events) {
    std::size_t start = 0;
    for (std::size_t end : ChunkEnds(events, chunkEvents_)) {
      bool direct = events[start].direct;
      // What the target has not read stays short, so that nothing
      // overflows its input queue; written characters go when everything
      // before them has been read, since they land ahead of any input still
      // on its way (and are in the target's input once written).
      if (unread_ > 0 && (direct || unread_ + (end - start) > deliveryEvents_)) Deliver();
      if (!focus_.AwaitTarget()) Fail("the keyboard focus left the window");
      std::vector<InputEvent> chunk(events.begin() + static_cast<std::ptrdiff_t>(start),
                                    events.begin() + static_cast<std::ptrdiff_t>(end));
      if (!Inject(chunk)) Fail("the system did not accept the keys");
      if (!direct) unread_ += chunk.size();
      start = end;
    }
  }

  // Returns once the target has read everything sent.
  void Deliver() {
    if (unread_ == 0) return;
    if (!Observable()) {
      unread_ = 0;
      return;
    }
    // The marker's press and then its release, each read by the target,
    // prove that it has read everything sent before them.
    InputEvent marker = KeyEvent(target_, kVkMarker, false);
    if (!Inject({marker})) Fail("the system did not accept the keys");
    if (!WaitForMarker(target_, TargetKey::Down, focus_)) Fail("the window did not take the keys");
    marker.up = true;
    if (!Inject({marker})) Fail("the system did not accept the keys");
    if (!WaitForMarker(target_, TargetKey::Up, focus_)) Fail("the window did not take the keys");
    unread_ = 0;
  }

  bool Observable() { return target_.ReadKey(kVkMarker) != TargetKey::Unobservable; }

  [[noreturn]] void Fail(const char* why) {
    std::vector<InputEvent> undo = pressed_.Releases();
    if (!heldReleased_) undo.insert(undo.end(), heldReleases_.begin(), heldReleases_.end());
    if (capsSwitches_ % 2 != 0) Tap(undo, target_, kVkCapital);
    if (!undo.empty()) target_.Inject(undo);
    throw RuntimeError(ErrorCode::SendFailed, why);
  }

 private:
  // Injects a batch; false when the system took fewer events.
  bool Inject(const std::vector<InputEvent>& batch) {
    std::size_t n = std::min(target_.Inject(batch), batch.size());
    for (std::size_t i = 0; i < n; ++i) {
      const InputEvent& e = batch[i];
      pressed_.Apply(e);
      if (!e.unicode && !e.direct && !e.up && e.vk == kVkCapital) ++capsSwitches_;
      if (!heldReleases_.empty() && e == heldReleases_.back()) heldReleased_ = true;
    }
    return n == batch.size();
  }

  KeyboardTarget& target_;
  FocusWatch focus_;
  const std::size_t chunkEvents_;
  const std::size_t deliveryEvents_;
  PressedKeys pressed_;
  std::vector<InputEvent> heldReleases_;
  bool heldReleased_ = false;
  int capsSwitches_ = 0;     // presses of Caps Lock the system took
  std::size_t unread_ = 0;   // events sent since the target was last seen to have read everything
};

}  // namespace

bool SameTarget(const KeyFocus& start, const KeyFocus& now, bool startExists) {
  if (start.window == 0) return true;
  if (!startExists) return false;
  if (now.window == start.window) return true;
  return now.window != 0 && start.program != 0 && now.program == start.program;
}

void TypeKeys(ustring_view keys, KeyboardTarget& target, bool wait) {
  std::vector<KeyStroke> strokes = ParseKeys(keys);  // throws before typing
  LayoutMap layout(target);
  Sender sender(target);

  std::vector<InputEvent> first;
  std::vector<std::uint16_t> held;
  for (std::uint16_t vk : kPhysicalModifiers) {
    if (target.IsKeyDown(vk)) held.push_back(vk);
  }
  bool menuKeyHeld = std::any_of(held.begin(), held.end(), [](std::uint16_t vk) {
    return vk == kVkLMenu || vk == kVkRMenu || vk == kVkLWin || vk == kVkRWin;
  });
  // A key between the press and the release of Alt or Win keeps the release
  // from opening the menu bar or the Start menu.
  if (menuKeyHeld) Tap(first, target, kVkMask);
  std::vector<InputEvent> heldReleases;
  for (std::uint16_t vk : held) heldReleases.push_back(KeyEvent(target, vk, true, IsExtendedModifier(vk)));
  first.insert(first.end(), heldReleases.begin(), heldReleases.end());
  sender.SetHeldReleases(heldReleases);

  // Caps Lock goes off for the send and on again after it. Where its state
  // cannot be read yet, it is switched once and read as the target reads
  // it: on now means it was off, and is switched back; off now means it was
  // on, and stays off for the send.
  bool caps = target.CapsLockOn();
  bool capsOff = false;
  if (!target.CapsLockKnown() && sender.Observable()) {
    Tap(first, target, kVkCapital);
    sender.Type(first);
    sender.Deliver();
    first.clear();
    caps = !target.CapsLockOn();
    capsOff = caps;
    if (!caps) {
      Tap(first, target, kVkCapital);
      sender.Type(first);
      sender.Deliver();
      first.clear();
    }
  }

  std::vector<InputEvent> events = std::move(first);
  if (caps && !capsOff) Tap(events, target, kVkCapital);
  std::vector<InputEvent> typed = BuildEvents(strokes, layout, target);
  events.insert(events.end(), typed.begin(), typed.end());
  if (caps) Tap(events, target, kVkCapital);
  if (events.empty()) return;
  target.Prepare(events);
  sender.Type(events);
  // With `wait`, the last chunk is read too.
  if (wait) sender.Deliver();
}

}  // namespace rt
