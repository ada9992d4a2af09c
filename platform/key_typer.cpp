#include "platform/key_typer.h"

#include <algorithm>

#include "platform/errors.h"

namespace rt {

namespace {

InputEvent KeyEvent(KeyboardTarget& target, std::uint16_t vk, bool up, bool extended = false) {
  return {false, vk, target.ScanCode(vk), up, extended};
}

void Tap(std::vector<InputEvent>& events, KeyboardTarget& target, std::uint16_t vk) {
  events.push_back(KeyEvent(target, vk, false));
  events.push_back(KeyEvent(target, vk, true));
}

// Which keys are down after a run of events, so that a failure can release
// exactly those.
class PressedKeys {
 public:
  void Apply(const InputEvent& e) {
    auto same = [&](const InputEvent& d) { return d.unicode == e.unicode && d.vk == e.vk && d.code == e.code; };
    auto it = std::find_if(down_.begin(), down_.end(), same);
    if (e.up) {
      if (it != down_.end()) down_.erase(it);
    } else if (it == down_.end()) {
      down_.push_back(e);
    }
  }
  bool Empty() const { return down_.empty(); }
  std::vector<InputEvent> Releases() const {
    std::vector<InputEvent> ups;
    for (auto it = down_.rbegin(); it != down_.rend(); ++it) {
      InputEvent up = *it;
      up.up = true;
      ups.push_back(up);
    }
    return ups;
  }

 private:
  std::vector<InputEvent> down_;
};

// The keys that may type characters, in two groups tried one after the
// other: Space, Tab and Enter with the main block's digits, letters and
// punctuation, then the keypad (which some programs read differently).
std::vector<std::uint16_t> MainKeys() {
  std::vector<std::uint16_t> keys = {0x20, 0x09, 0x0D};
  for (std::uint16_t vk = 0x30; vk <= 0x39; ++vk) keys.push_back(vk);
  for (std::uint16_t vk = 0x41; vk <= 0x5A; ++vk) keys.push_back(vk);
  for (std::uint16_t vk = 0xBA; vk <= 0xC2; ++vk) keys.push_back(vk);
  for (std::uint16_t vk = 0xDB; vk <= 0xDF; ++vk) keys.push_back(vk);
  keys.push_back(0xE1);
  keys.push_back(0xE2);
  return keys;
}

std::vector<std::uint16_t> KeypadKeys() {
  std::vector<std::uint16_t> keys;
  for (std::uint16_t vk = 0x60; vk <= 0x6F; ++vk) keys.push_back(vk);
  return keys;
}

bool IsModifierKey(std::uint16_t vk) {
  return ModifierBitOf(vk) != 0 ||
         std::find(std::begin(kPhysicalModifiers), std::end(kPhysicalModifiers), vk) != std::end(kPhysicalModifiers);
}

// Watches where the keys go, against where they went when the send began.
class FocusWatch {
 public:
  enum class Verdict { OnTarget, Away, Lost };

  explicit FocusWatch(KeyboardTarget& target) : target_(target), start_(target.Focus()) {}

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
    std::uint64_t now = target_.Milliseconds();
    if (!away_) {
      away_ = true;
      awaySince_ = now;
    }
    return now - awaySince_ < kFocusGraceMs ? Verdict::Away : Verdict::Lost;
  }

  // Waits (within the grace time) until the keys go where they began; false
  // when they no longer can.
  bool AwaitTarget() {
    for (;;) {
      Verdict v = Check();
      if (v == Verdict::OnTarget) return true;
      if (v == Verdict::Lost) return false;
      target_.Nap();
    }
  }

  // For waits: false once the focus is lost, checked every few milliseconds.
  bool StillPossible() {
    std::uint64_t now = target_.Milliseconds();
    if (checked_ && now - lastCheck_ < kWaitCheckMs) return true;
    checked_ = true;
    lastCheck_ = now;
    return Check() != Verdict::Lost;
  }

 private:
  static constexpr std::uint64_t kWaitCheckMs = 10;
  KeyboardTarget& target_;
  KeyFocus start_;
  bool away_ = false;
  std::uint64_t awaySince_ = 0;
  bool checked_ = false;
  std::uint64_t lastCheck_ = 0;
};

// Waits until the target has read the marker key's state `want`.
bool WaitForMarker(KeyboardTarget& target, TargetKey want, FocusWatch& focus) {
  std::uint64_t start = target.Milliseconds();
  for (;;) {
    TargetKey state = target.ReadKey(kVkMarker);
    if (state == want || state == TargetKey::Unobservable) return true;
    if (state == TargetKey::Gone) return false;
    if (target.Milliseconds() - start > kDeliveryLimitMs) return false;
    if (!focus.StillPossible()) return false;
    target.Nap();
  }
}

}  // namespace

bool SameTarget(const KeyFocus& start, const KeyFocus& now, bool startExists) {
  if (start.window == 0) return true;
  if (!startExists) return false;
  if (now.window == start.window) return true;
  return now.window != 0 && start.program != 0 && now.program == start.program;
}

std::vector<std::size_t> ChunkEnds(const std::vector<InputEvent>& events, std::size_t most) {
  std::vector<std::size_t> ends;
  PressedKeys keys;  // keys other than modifiers
  std::size_t begin = 0;  // where the chunk being built begins
  std::size_t cut = 0;    // its latest place to end, 0 for none yet
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].unicode || !IsModifierKey(events[i].vk)) keys.Apply(events[i]);
    if (!keys.Empty()) continue;
    std::size_t end = i + 1;
    if (end - begin > most && cut > begin) {
      ends.push_back(cut);
      begin = cut;
    }
    cut = end;
  }
  if (begin < events.size()) ends.push_back(events.size());
  return ends;
}

bool IsExtendedModifier(std::uint16_t vk) {
  return vk == kVkRControl || vk == kVkRMenu || vk == kVkLWin || vk == kVkRWin;
}

LayoutMap::LayoutMap(KeyboardTarget& target) {
  for (const auto& group : {MainKeys(), KeypadKeys()}) {
    for (bool shift : {false, true}) {
      for (std::uint16_t vk : group) {
        KeyOutput out = target.Translate(vk, shift);
        if (out.dead || out.text.size() != 1) continue;
        char16_t ch = out.text[0];
        if (ch < 0x20 && ch != u'\t' && ch != u'\r') continue;
        if (IsSurrogate(ch)) continue;
        keys_.try_emplace(ch, Key{vk, shift});
      }
    }
  }
}

bool LayoutMap::Find(char16_t ch, Key& key) const {
  auto it = keys_.find(ch);
  if (it == keys_.end()) return false;
  key = it->second;
  return true;
}

std::vector<InputEvent> BuildEvents(const std::vector<KeyStroke>& strokes, const LayoutMap& layout,
                                    KeyboardTarget& target) {
  std::vector<InputEvent> events;
  int held = 0;  // modifiers the script holds down
  for (const KeyStroke& s : strokes) {
    switch (s.kind) {
      case KeyStroke::Kind::Hold:
        events.push_back(KeyEvent(target, s.vk, false));
        held |= ModifierBitOf(s.vk);
        break;
      case KeyStroke::Kind::Release:
        events.push_back(KeyEvent(target, s.vk, true));
        held &= ~ModifierBitOf(s.vk);
        break;
      case KeyStroke::Kind::Press:
        events.push_back(KeyEvent(target, s.vk, false, s.extended));
        events.push_back(KeyEvent(target, s.vk, true, s.extended));
        break;
      case KeyStroke::Kind::Char: {
        LayoutMap::Key key;
        if (s.text.size() == 1 && layout.Find(s.text[0], key)) {
          bool addShift = key.shift && !(held & kShift);
          if (addShift) events.push_back(KeyEvent(target, kVkShift, false));
          Tap(events, target, key.vk);
          if (addShift) events.push_back(KeyEvent(target, kVkShift, true));
        } else {
          // No key of the layout types it with at most Shift: typed as the
          // character itself.
          for (char16_t unit : s.text) {
            events.push_back({true, 0, unit, false, false});
            events.push_back({true, 0, unit, true, false});
          }
        }
        break;
      }
    }
  }
  return events;
}

void TypeKeys(ustring_view keys, KeyboardTarget& target, bool wait) {
  std::vector<KeyStroke> strokes = ParseKeys(keys);  // throws before typing
  LayoutMap layout(target);

  std::vector<InputEvent> events;
  std::vector<std::uint16_t> held;
  for (std::uint16_t vk : kPhysicalModifiers) {
    if (target.IsKeyDown(vk)) held.push_back(vk);
  }
  bool menuKeyHeld = std::any_of(held.begin(), held.end(), [](std::uint16_t vk) {
    return vk == kVkLMenu || vk == kVkRMenu || vk == kVkLWin || vk == kVkRWin;
  });
  // A key between the press and the release of Alt or Win keeps the release
  // from opening the menu bar or the Start menu.
  if (menuKeyHeld) Tap(events, target, kVkMask);
  std::vector<InputEvent> heldReleases;
  for (std::uint16_t vk : held) heldReleases.push_back(KeyEvent(target, vk, true, IsExtendedModifier(vk)));
  events.insert(events.end(), heldReleases.begin(), heldReleases.end());
  std::size_t heldReleased = events.size();

  // Caps Lock goes off for the send and on again after it: events[capsOff]
  // and events[capsOn] are the presses that switch it.
  bool caps = target.CapsLockOn();
  std::size_t capsOff = 0;
  if (caps) {
    capsOff = events.size();
    Tap(events, target, kVkCapital);
  }
  std::vector<InputEvent> typed = BuildEvents(strokes, layout, target);
  events.insert(events.end(), typed.begin(), typed.end());
  std::size_t capsOn = events.size();
  if (caps) Tap(events, target, kVkCapital);
  if (events.empty()) return;
  target.Prepare(events);

  PressedKeys pressed;
  std::size_t accepted = 0;  // events the system took, in order
  auto fail = [&](const char* why) {
    std::vector<InputEvent> undo = pressed.Releases();
    // The user's keys are released even when the send fails before that.
    if (accepted < heldReleased) undo.insert(undo.end(), heldReleases.begin(), heldReleases.end());
    if (caps && accepted > capsOff && accepted <= capsOn) Tap(undo, target, kVkCapital);
    if (!undo.empty()) target.Inject(undo);
    throw RuntimeError(ErrorCode::SendFailed, why);
  };
  auto send = [&](const std::vector<InputEvent>& batch, bool counted) {
    std::size_t n = std::min(target.Inject(batch), batch.size());
    for (std::size_t i = 0; i < n; ++i) pressed.Apply(batch[i]);
    if (counted) accepted += n;
    return n == batch.size();
  };
  FocusWatch focus(target);
  // The marker's press and then its release, each read by the target, prove
  // that it has read everything sent before them.
  auto deliver = [&] {
    if (target.ReadKey(kVkMarker) == TargetKey::Unobservable) return true;
    InputEvent marker = KeyEvent(target, kVkMarker, false);
    if (!send({marker}, false)) fail("the system did not accept the keys");
    if (!WaitForMarker(target, TargetKey::Down, focus)) return false;
    marker.up = true;
    if (!send({marker}, false)) fail("the system did not accept the keys");
    return WaitForMarker(target, TargetKey::Up, focus);
  };

  const std::size_t chunkEvents = std::max<std::size_t>(1, target.ChunkEvents());
  const std::size_t deliveryEvents = std::max(chunkEvents, target.DeliveryEvents());
  std::size_t start = 0;
  std::size_t unread = 0;  // events sent since the target was last seen to have read everything
  for (std::size_t end : ChunkEnds(events, chunkEvents)) {
    // What the target has not read stays short, so that nothing overflows
    // its input queue.
    if (unread > 0 && unread + (end - start) > deliveryEvents) {
      if (!deliver()) fail("the window did not take the keys");
      unread = 0;
    }
    if (!focus.AwaitTarget()) fail("the keyboard focus left the window");
    std::vector<InputEvent> chunk(events.begin() + static_cast<std::ptrdiff_t>(start),
                                  events.begin() + static_cast<std::ptrdiff_t>(end));
    if (!send(chunk, true)) fail("the system did not accept the keys");
    unread += chunk.size();
    start = end;
  }
  // With `wait`, the last chunk is read too.
  if (wait && unread > 0 && !deliver()) fail("the window did not take the keys");
}

}  // namespace rt
