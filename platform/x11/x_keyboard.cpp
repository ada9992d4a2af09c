#include "platform/x11/x_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdio>

#include "platform/errors.h"
#include "platform/posix/posix_clock.h"
#include "platform/text.h"
#include "platform/x11/bound_keys.h"
#include "platform/x11/keyboard_locks.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/send_signals.h"
#include "platform/x11/spare_keys.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/x_focus.h"
#include "platform/x11/x_keymap.h"
#include "platform/x11/xtest_keys.h"

namespace rt::x11 {

struct XKeyboard::State {
  KeyboardOptions options;
  Display* dpy = nullptr;
  Window owner = 0;  // a window of this connection: it goes when the connection goes
  std::unique_ptr<KeyboardWatchdog> ownWatchdog;
  KeyboardWatchdog* watchdog = nullptr;
  std::unique_ptr<SendSignals> signals;
  std::unique_ptr<Keymap> keymap;
  std::unique_ptr<SpareKeys> spares;
  std::unique_ptr<ReadBarrier> barrier;
  std::unique_ptr<FocusTracker> focus;
  std::unique_ptr<KeyboardLocks> locks;
  std::unique_ptr<XTestKeys> keys;
  int xkbEvent = 0;
  bool lost = false;
  std::string refusal;  // why keys are refused (presses only; releases always go)

  int mask = 0;  // the empty keycode tapped as the mask key
  char16_t pendingHigh = 0;
  struct {
    SpareKeys::Slot slot;
    bool addedShift = false;
    std::vector<int> liftedShifts;
  } unicodeDown;
  // What the keymap gives every key but the spares, in the send's group:
  // a change of it by another client stops the send.
  std::vector<KeySym> fingerprint;
  bool started = false;
  std::unique_ptr<FocusHold> hold;  // the focus when the piece began
  bool markerSent = false, markerRead = false;

  void Pump();
  void OnXkb(const XEvent& ev);
  void ForeignKeymapChange();
  std::vector<KeySym> Fingerprint() const {
    return keymap->Fingerprint(locks->Group(), [this](int kc) { return kc == mask || spares->IsSpare(kc); });
  }
  void FindSpares();
  int ShiftKey() const { return keymap->KeycodeOf(kVkShift, locks->Group()); }
  std::vector<int> Shifts() const { return keys->DownAmong({ShiftKey(), PositionOf(kVkRShift)}); }
  bool Go() { return !SendSignals::Caught() && !lost && refusal.empty() && FocusStaysPut(); }
  bool FocusStaysPut();
  bool AwaitRead(std::uint64_t upTo);
  bool TypeCharacter(char32_t cp);
  void ReleaseCharacter();
};

void XKeyboard::State::Pump() {
  while (!lost && XPending(dpy) > 0) {
    XEvent ev;
    XNextEvent(dpy, &ev);
    if (ev.type == MappingNotify) {
      XRefreshKeyboardMapping(&ev.xmapping);
    } else if (ev.type == xkbEvent) {
      OnXkb(ev);
    } else if (!barrier->OnEvent(ev)) {
      focus->OnEvent(ev);
    }
  }
}

void XKeyboard::State::OnXkb(const XEvent& ev) {
  const auto& xe = reinterpret_cast<const XkbEvent&>(ev);
  if (xe.any.xkb_type == XkbStateNotify) {
    locks->OnState(xe.state);
  } else if (xe.any.xkb_type == XkbMapNotify) {
    // A change of the spare keycodes alone is one of our own bindings.
    auto mine = [&](int first, int count) {
      for (int kc = first; kc < first + count; ++kc) {
        if (!spares->IsSpare(kc)) return false;
      }
      return true;
    };
    bool ours = xe.map.num_key_syms > 0 && mine(xe.map.first_key_sym, xe.map.num_key_syms) &&
                mine(xe.map.first_key_act, xe.map.num_key_acts);
    if (!ours) ForeignKeymapChange();
  } else if (xe.any.xkb_type == XkbNewKeyboardNotify) {
    ForeignKeymapChange();
  }
}

// Another client changed the keymap (or the core keyboard became another
// device): the spares are checked and found afresh; if what the keys type
// changed during the send, the send stops.
void XKeyboard::State::ForeignKeymapChange() {
  if (!keymap->Read()) {
    refusal = "the X server gave no keymap";
    return;
  }
  spares->Verify();
  FindSpares();
  if (!started) {
    fingerprint = Fingerprint();
  } else if (Fingerprint() != fingerprint && refusal.empty()) {
    refusal = "another program changed the keymap during the send";
  }
}

void XKeyboard::State::FindSpares() {
  std::vector<int> empty = keymap->EmptyKeycodes();
  // The highest empty keycode stays empty: the mask key.
  if (!mask && !empty.empty()) mask = empty.front();
  std::vector<int> claim;
  int room = options.spareKeycodes;
  for (int kc : empty) room -= spares->IsSpare(kc) ? 1 : 0;
  for (int kc : empty) {
    if (kc == mask || spares->IsSpare(kc) || room <= 0) continue;
    claim.push_back(kc);
    --room;
  }
  spares->Claim(claim);
}

bool XKeyboard::State::FocusStaysPut() {
  Pump();
  if (hold->StaysPut(posix::MonotonicClock().NowMs())) return true;
  refusal = "the keyboard focus left the window";
  return false;
}

bool XKeyboard::State::AwaitRead(std::uint64_t upTo) {
  if (barrier->ReadBy(barrier->BindingGuard()) >= upTo) return true;
  return barrier->BindingBarrier(kDeliveryLimitMs, [this] { return Go(); });
}

bool XKeyboard::State::TypeCharacter(char32_t cp) {
  std::vector<int> shifts = Shifts();
  auto slot = spares->SlotFor(cp, !shifts.empty(), [this](std::uint64_t upTo) { return AwaitRead(upTo); });
  barrier->BindingsMade(spares->TakeRequests());
  if (!slot) {
    if (refusal.empty()) refusal = spares->Why();
    return false;
  }
  unicodeDown = {*slot, false, {}};
  if (slot->level == 1 && shifts.empty()) {
    keys->Press(ShiftKey());
    unicodeDown.addedShift = true;
  } else if (slot->level == 0 && !shifts.empty()) {
    // Off the plan only: the lower level under the script's Shift.
    for (int kc : shifts) keys->Release(kc);
    unicodeDown.liftedShifts = shifts;
  }
  keys->Press(slot->keycode);
  spares->Used(*slot, barrier->Sent());
  return true;
}

void XKeyboard::State::ReleaseCharacter() {
  if (!unicodeDown.slot.keycode) return;
  keys->Release(unicodeDown.slot.keycode);
  spares->Used(unicodeDown.slot, barrier->Sent());
  if (unicodeDown.addedShift) keys->Release(ShiftKey());
  for (int kc : unicodeDown.liftedShifts) keys->Press(kc);
  unicodeDown = {};
}

// The connection is gone: noted, and Xlib returns to the caller instead of
// ending the process; the watchdog puts the keyboard back.
static void OnConnectionLost(Display*, void* state) { static_cast<XKeyboard::State*>(state)->lost = true; }

XKeyboard::XKeyboard(const KeyboardOptions& options) : s_(std::make_unique<State>()) {
  State& s = *s_;
  s.options = options;
  CatchXErrors();
  s.dpy = XOpenDisplay(options.display.empty() ? nullptr : options.display.c_str());
  if (!s.dpy) throw RuntimeError(ErrorCode::SendFailed, "cannot open the X display");
  int event = 0, error = 0, major = 0, minor = 0, opcode = 0;
  int xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
  if (!XTestQueryExtension(s.dpy, &event, &error, &major, &minor) ||
      !XkbQueryExtension(s.dpy, &opcode, &s.xkbEvent, &error, &xkbMajor, &xkbMinor)) {
    XCloseDisplay(s.dpy);
    throw RuntimeError(ErrorCode::SendFailed, "the X display has no XTest or XKB");
  }
  XSetIOErrorExitHandler(s.dpy, OnConnectionLost, &s);
  s.watchdog = options.watchdog;
  if (!s.watchdog) {
    s.ownWatchdog = std::make_unique<KeyboardWatchdog>(options.display);
    s.watchdog = s.ownWatchdog.get();
  }
  if (!s.watchdog->Running()) std::fprintf(stderr, "Strumlet: the keyboard watchdog did not start.\n");
  s.signals = std::make_unique<SendSignals>();
  Window root = DefaultRootWindow(s.dpy);
  s.owner = XCreateWindow(s.dpy, root, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, 0, nullptr);
  s.watchdog->Begin(s.owner);
  s.keymap = std::make_unique<Keymap>(s.dpy);
  s.spares = std::make_unique<SpareKeys>(s.dpy, s.owner, *s.watchdog);
  s.barrier = std::make_unique<ReadBarrier>(s.dpy, options.times, [&s] { s.Pump(); });
  s.focus = std::make_unique<FocusTracker>(s.dpy);
  s.hold = std::make_unique<FocusHold>(*s.focus);
  s.locks = std::make_unique<KeyboardLocks>(s.dpy, *s.watchdog);
  s.keys = std::make_unique<XTestKeys>(s.dpy, *s.watchdog, *s.barrier);

  // Ping replies go to the root window, sent with the structure mask by some
  // toolkits (Qt) and the substructure mask by others (GTK, Chromium, as the
  // EWMH asks): the server passes a sent event only
  // to clients that selected one of its bits, so both are selected. Keymap
  // changes come as XKB events, and so do changes of the locks and the group.
  XSelectInput(s.dpy, root, StructureNotifyMask | SubstructureNotifyMask);
  XkbSelectEvents(s.dpy, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask | XkbStateNotifyMask,
                  XkbMapNotifyMask | XkbNewKeyboardNotifyMask | XkbStateNotifyMask);
  XkbSelectEventDetails(s.dpy, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask,
                        XkbModifierLockMask | XkbGroupStateMask);
  // What a run that was killed left bound is cleared first.
  ClearLeftovers(s.dpy);
  if (!s.keymap->Read()) s.keymap->Read();
  if (!s.keymap->Valid()) s.refusal = "the X server gave no keymap";
  s.FindSpares();
  // The core keymap is that of the device used last: a tap through XTest
  // makes it the XTest keyboard's, whose map our events are read with. The
  // tapped key is an empty one, so that it types nothing and leaves a Shift
  // the user holds alone; no client needs to have read it.
  if (s.mask) {
    s.keys->Press(s.mask);
    s.keys->Release(s.mask);
  }
  s.locks->Lift();
  s.Pump();
  s.fingerprint = s.Fingerprint();
  s.locks->Follow();
  s.started = true;
  s.barrier->AllRead();
  s.hold->Begin(s.focus->Focus());
  s.barrier->SetPingWindow(s.focus->PingClient());
  s.barrier->Introduce();
}

XKeyboard::~XKeyboard() {
  State& s = *s_;
  if (!s.lost) {
    s.keys->ReleaseAll();
    // Bindings are cleared once the target has read the events that use them
    // (bounded: a target that stopped reading gets them cleared anyway).
    if (s.spares->AnyBound() && s.barrier->ReadBy(s.barrier->BindingGuard()) < s.spares->LastUse()) {
      s.barrier->BindingBarrier(static_cast<std::uint64_t>(s.barrier->LongestGuard()) + 2000, [&s] { return !s.lost; });
    }
    s.spares->Revert();
    s.Pump();
    s.locks->PutBack();
    XSync(s.dpy, False);
  }
  if (s.lost) {
    // The watchdog's connection does what ours no longer can.
    if (!s.watchdog->PutBackNow(5000)) std::fprintf(stderr, "Strumlet: the keyboard watchdog did not answer.\n");
  } else {
    s.watchdog->End();
    s.keymap.reset();
    ForgetXErrors(s.dpy);
    XCloseDisplay(s.dpy);
  }
}

KeyOutput XKeyboard::Translate(std::uint16_t vk, bool shift) {
  KeyOutput out;
  if (!IsCharacterKey(vk) && vk != 0x09 && vk != 0x0D) return out;
  int kc = PositionOf(vk);
  if (!kc || kc == s_->mask || s_->spares->IsSpare(kc)) return out;
  KeySym sym = s_->keymap->SymAt(kc, s_->locks->Group(), shift);
  if (IsDeadKeysym(sym)) {
    out.dead = true;
    return out;
  }
  if (char32_t cp = CharacterOf(sym)) AppendUtf16(out.text, cp);
  return out;
}

std::uint16_t XKeyboard::ScanCode(std::uint16_t vk) {
  if (vk == kVkMask) return static_cast<std::uint16_t>(s_->mask);
  int kc = s_->keymap->KeycodeOf(vk, s_->locks->Group());
  // A spare keycode types this send's characters, not the key.
  return s_->spares->IsSpare(kc) ? 0 : static_cast<std::uint16_t>(kc);
}

bool XKeyboard::IsKeyDown(std::uint16_t vk) {
  char keys[32] = {};
  XQueryKeymap(s_->dpy, keys);
  int kc = PositionOf(vk);
  return kc > 0 && kc < 256 && (keys[kc / 8] & (1 << (kc % 8))) != 0;
}

bool XKeyboard::CapsLockOn() { return false; }

void XKeyboard::Prepare(const std::vector<InputEvent>& events) {
  State& s = *s_;
  std::vector<SpareUse> uses = SpareUses(events);
  if (!uses.empty() && !s.spares->Any() && s.refusal.empty()) {
    s.refusal = "no keycode of the keymap is free for the characters that no key types (every keycode holds a key "
                "or another program's binding)";
  }
  s.spares->Plan(std::move(uses));
  s.hold->Begin(Focus());
}

std::size_t XKeyboard::Inject(const std::vector<InputEvent>& events) {
  State& s = *s_;
  s.Pump();
  std::size_t done = 0;
  for (const InputEvent& e : events) {
    if (s.lost) break;
    // Once interrupted or refused, only releases go out.
    if (!e.up && (SendSignals::Caught() || !s.refusal.empty())) break;
    if (e.unicode) {
      char16_t unit = static_cast<char16_t>(e.code);
      if (IsHighSurrogate(unit)) {
        if (!e.up) s.pendingHigh = unit;
      } else if (!e.up) {
        char32_t cp = unit;
        if (IsLowSurrogate(unit)) {
          if (!s.pendingHigh) break;
          cp = CombineSurrogates(s.pendingHigh, unit);
          s.pendingHigh = 0;
        }
        if (!s.TypeCharacter(cp)) break;
      } else {
        s.ReleaseCharacter();
      }
    } else if (e.vk == kVkMarker) {
      // The marker is no key here: its state is what the barrier has proven.
      s.markerSent = !e.up;
    } else if (int kc = e.code ? e.code : ScanCode(e.vk); kc > 0) {
      if (e.up) s.keys->Release(kc);
      else s.keys->Press(kc);
    } else if (e.vk != kVkMask) {
      break;  // (a full keymap has no mask key: Alt is released without it)
    }
    ++done;
  }
  XFlush(s.dpy);
  return done;
}

TargetKey XKeyboard::ReadKey(std::uint16_t vk) {
  State& s = *s_;
  if (s.lost || SendSignals::Caught()) return TargetKey::Gone;
  if (vk != kVkMarker) return IsKeyDown(vk) ? TargetKey::Down : TargetKey::Up;
  if (s.markerRead != s.markerSent && s.barrier->Poll(s.barrier->Sent(), s.barrier->ShortGuard())) {
    s.markerRead = s.markerSent;
  }
  return s.markerRead ? TargetKey::Down : TargetKey::Up;
}

Clock& XKeyboard::Time() { return posix::MonotonicClock(); }

std::size_t XKeyboard::ChunkEvents() { return std::max<std::size_t>(1, s_->options.chunkEvents); }

std::size_t XKeyboard::DeliveryEvents() { return std::max(ChunkEvents(), s_->options.deliveryEvents); }

KeyFocus XKeyboard::Focus() {
  State& s = *s_;
  if (s.lost) return {};
  s.Pump();
  KeyFocus now = s.focus->Focus();
  // Keys that go to another window of the program (a dialog) are read
  // there: that window answers the pings.
  if (SameTarget(s.hold->Start(), now, true)) s.barrier->SetPingWindow(s.focus->PingClient());
  return now;
}

bool XKeyboard::WindowExists(WindowHandle window) {
  State& s = *s_;
  if (s.lost) return false;
  s.Pump();
  return s.focus->Exists(static_cast<Window>(window));
}

bool XKeyboard::TargetAnswersPing() const { return s_->barrier->PingWindow() != 0; }

int XKeyboard::Interruption() const { return SendSignals::Caught(); }

bool XKeyboard::ConnectionLost() const { return s_->lost; }

std::string XKeyboard::Refusal() const { return s_->refusal; }

}  // namespace rt::x11
