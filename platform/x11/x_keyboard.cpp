#include "platform/x11/x_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/app.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "platform/x11/bound_keys.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/send_signals.h"
#include "platform/x11/spare_keys.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/x_focus.h"
#include "platform/x11/x_keymap.h"

namespace rt::x11 {

namespace {

constexpr unsigned kAllMods = 0xFF;
// Shift as the typer presses it (the notation's +, and Shift for a
// character on the upper level), and the right Shift.
constexpr std::uint16_t kVkShiftKey = 0x10;

}  // namespace

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
  int xkbEvent = 0;
  bool lost = false;
  std::string refusal;  // why keys are refused (presses only; releases always go)

  // Keycodes pressed through XTest and not yet released; the empty keycode
  // tapped as the mask key.
  std::vector<int> pressed;
  int mask = 0;
  char16_t pendingHigh = 0;
  struct {
    int keycode = 0;
    int level = 0;
    bool addedShift = false;
    std::vector<int> liftedShifts;
  } unicodeDown;

  // The group the send types in; the locks and the locked group to put
  // back (-1: the group was never changed here).
  int group = 0;
  unsigned userLocked = 0;
  int userGroup = -1;
  bool trackState = false;
  // What the keymap gives every key but the spares, in the send's group:
  // a change of it by another client stops the send.
  std::vector<KeySym> fingerprint;

  // The focus when the piece began, and since when it has been elsewhere
  // (for the waits inside Inject).
  KeyFocus startFocus;
  std::uint64_t awaySince = 0;
  std::uint64_t lastFocusCheck = 0;

  bool markerSent = false, markerRead = false;

  void Pump();
  void OnXkb(const XEvent& ev);
  void OnState(const XkbStateNotifyEvent& st);
  void ForeignKeymapChange();
  std::vector<KeySym> Fingerprint() const;
  void FindSpares();
  void Fake(int kc, bool down);
  void ReleaseAll();
  bool ShiftHeld() const;
  std::vector<int> Shifts() const;
  bool Go();
  bool FocusStaysPut();
  bool AwaitRead(std::uint64_t upTo);
  bool TypeCharacter(char32_t cp);
  void PutBackLocks();
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
    OnState(xe.state);
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

void XKeyboard::State::OnState(const XkbStateNotifyEvent& st) {
  if (!trackState) return;
  // Someone locked a modifier or switched the group during the send: undone
  // for the send, put back at its end.
  if (st.locked_mods != 0) {
    userLocked = st.locked_mods;
    XkbLockModifiers(dpy, XkbUseCoreKbd, kAllMods, 0);
  }
  if (st.group != group) {
    userGroup = st.locked_group;
    XkbLockGroup(dpy, XkbUseCoreKbd, static_cast<unsigned>(group));
  }
  if (st.locked_mods != 0 || st.group != group) {
    watchdog->Locks(userLocked, userGroup);
    XFlush(dpy);
  }
}

void XKeyboard::State::ForeignKeymapChange() {
  if (!keymap->Read()) {
    refusal = "the X server gave no keymap";
    return;
  }
  spares->Verify();
  FindSpares();
  if (!trackState) {
    fingerprint = Fingerprint();
  } else if (Fingerprint() != fingerprint && refusal.empty()) {
    refusal = "another program changed the keymap during the send";
  }
}

std::vector<KeySym> XKeyboard::State::Fingerprint() const {
  std::vector<KeySym> syms;
  for (int kc = 8; kc <= 255; ++kc) {
    bool spare = kc == mask || spares->IsSpare(kc);
    syms.push_back(spare ? NoSymbol : keymap->SymAt(kc, group, false));
    syms.push_back(spare ? NoSymbol : keymap->SymAt(kc, group, true));
  }
  return syms;
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

void XKeyboard::State::Fake(int kc, bool down) {
  if (down) watchdog->MayPress(kc);
  XTestFakeKeyEvent(dpy, static_cast<unsigned>(kc), down ? True : False, CurrentTime);
  auto it = std::find(pressed.begin(), pressed.end(), kc);
  if (down && it == pressed.end()) pressed.push_back(kc);
  if (!down && it != pressed.end()) pressed.erase(it);
  barrier->Count();
}

void XKeyboard::State::ReleaseAll() {
  while (!pressed.empty()) Fake(pressed.back(), false);
}

std::vector<int> XKeyboard::State::Shifts() const {
  std::vector<int> down;
  int left = keymap->KeycodeOf(kVkShiftKey, group), right = PositionOf(kVkRShift);
  for (int kc : pressed) {
    if (kc == left || kc == right) down.push_back(kc);
  }
  return down;
}

bool XKeyboard::State::ShiftHeld() const { return !Shifts().empty(); }

// Whether a wait inside the keyboard may go on: no signal, a connection,
// and the focus where the piece began (or away for less than the grace).
bool XKeyboard::State::Go() { return !SendSignals::Caught() && !lost && FocusStaysPut(); }

bool XKeyboard::State::FocusStaysPut() {
  std::uint64_t now = NowMs();
  if (now - lastFocusCheck < 10) return true;
  lastFocusCheck = now;
  Pump();
  bool exists = focus->Exists(static_cast<Window>(startFocus.window));
  if (SameTarget(startFocus, focus->Focus(), exists)) {
    awaySince = 0;
    return true;
  }
  if (!awaySince) awaySince = now;
  if (exists && now - awaySince < kFocusGraceMs) return true;
  refusal = "the keyboard focus left the window";
  return false;
}

bool XKeyboard::State::AwaitRead(std::uint64_t upTo) {
  if (barrier->ReadBy(barrier->BindingGuard()) >= upTo) return true;
  return barrier->BindingBarrier(kDeliveryLimitMs, [this] { return Go(); });
}

bool XKeyboard::State::TypeCharacter(char32_t cp) {
  auto slot = spares->SlotFor(cp, ShiftHeld(), [this](std::uint64_t upTo) { return AwaitRead(upTo); });
  barrier->BindingsMade(spares->TakeRequests());
  if (!slot) {
    if (refusal.empty()) refusal = spares->Why();
    return false;
  }
  unicodeDown = {};
  std::vector<int> shifts = Shifts();
  if (slot->level == 1 && shifts.empty()) {
    Fake(keymap->KeycodeOf(kVkShiftKey, group), true);
    unicodeDown.addedShift = true;
  } else if (slot->level == 0 && !shifts.empty()) {
    // Off the plan only: the lower level under the script's Shift.
    for (int kc : shifts) Fake(kc, false);
    unicodeDown.liftedShifts = shifts;
  }
  unicodeDown.keycode = slot->keycode;
  unicodeDown.level = slot->level;
  Fake(slot->keycode, true);
  spares->Used(*slot, barrier->Sent());
  return true;
}

void XKeyboard::State::PutBackLocks() {
  Pump();
  trackState = false;
  XkbLockModifiers(dpy, XkbUseCoreKbd, kAllMods, userLocked);
  if (userGroup >= 0) XkbLockGroup(dpy, XkbUseCoreKbd, static_cast<unsigned>(userGroup));
}

namespace {

// The connection is gone: noted, and Xlib returns to the caller instead of
// ending the process; the watchdog puts the keyboard back.
void OnConnectionLost(Display*, void* state) { static_cast<XKeyboard::State*>(state)->lost = true; }

}  // namespace

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
  s.signals = std::make_unique<SendSignals>();
  Window root = DefaultRootWindow(s.dpy);
  s.owner = XCreateWindow(s.dpy, root, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, 0, nullptr);
  s.watchdog->Begin(s.owner);
  s.keymap = std::make_unique<Keymap>(s.dpy);
  s.spares = std::make_unique<SpareKeys>(s.dpy, s.owner, *s.watchdog);
  s.barrier = std::make_unique<ReadBarrier>(s.dpy, options.times, [&s] { s.Pump(); });
  s.focus = std::make_unique<FocusTracker>(s.dpy);

  // Ping replies go to the root window, sent with the structure mask by some
  // toolkits (Qt) and the substructure mask by others (GTK, Chromium, as the
  // window manager specification asks): the server passes a sent event only
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
    s.Fake(s.mask, true);
    s.Fake(s.mask, false);
  }
  XkbStateRec st{};
  XkbGetState(s.dpy, XkbUseCoreKbd, &st);
  s.group = st.group;
  s.userLocked = st.locked_mods;
  s.watchdog->Locks(s.userLocked, -1);
  if (s.userLocked) XkbLockModifiers(s.dpy, XkbUseCoreKbd, kAllMods, 0);
  XSync(s.dpy, False);
  s.Pump();
  s.fingerprint = s.Fingerprint();
  s.trackState = true;
  s.barrier->AllRead();
  s.startFocus = s.focus->Focus();
  s.barrier->SetPingWindow(s.focus->PingClient());
}

XKeyboard::~XKeyboard() {
  State& s = *s_;
  if (!s.lost) {
    s.ReleaseAll();
    // Bindings are cleared once the target has read the events that use them
    // (bounded: a target that stopped reading gets them cleared anyway).
    if (s.spares->AnyBound() && s.barrier->ReadBy(s.barrier->BindingGuard()) < s.spares->LastUse()) {
      s.barrier->BindingBarrier(static_cast<std::uint64_t>(s.barrier->LongestGuard()) + 2000, [&s] { return !s.lost; });
    }
    s.spares->Revert();
    s.PutBackLocks();
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
  KeySym sym = s_->keymap->SymAt(kc, s_->group, shift);
  if (IsDeadKeysym(sym)) {
    out.dead = true;
    return out;
  }
  if (char32_t cp = CharacterOf(sym)) AppendUtf16(out.text, cp);
  return out;
}

std::uint16_t XKeyboard::ScanCode(std::uint16_t vk) {
  if (vk == kVkMask) return static_cast<std::uint16_t>(s_->mask);
  int kc = s_->keymap->KeycodeOf(vk, s_->group);
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
  std::vector<SpareUse> uses;
  int shifts = 0;
  char16_t high = 0;
  for (const InputEvent& e : events) {
    if (!e.unicode) {
      if (e.vk == kVkShiftKey || e.vk == kVkLShift || e.vk == kVkRShift) shifts = std::max(0, shifts + (e.up ? -1 : 1));
      continue;
    }
    if (e.up) continue;
    char16_t unit = static_cast<char16_t>(e.code);
    if (IsHighSurrogate(unit)) {
      high = unit;
      continue;
    }
    char32_t cp = IsLowSurrogate(unit) && high ? CombineSurrogates(high, unit) : unit;
    high = 0;
    uses.push_back({cp, shifts > 0});
  }
  s.spares->Plan(uses);
  if (!uses.empty() && !s.spares->Any() && s.refusal.empty()) {
    s.refusal = "no keycode of the keymap is free for the characters that no key types (every keycode holds a key "
                "or another program's binding)";
  }
  s.startFocus = Focus();
  s.awaySince = 0;
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
      } else if (s.unicodeDown.keycode) {
        s.Fake(s.unicodeDown.keycode, false);
        s.spares->Used({s.unicodeDown.keycode, s.unicodeDown.level}, s.barrier->Sent());
        if (s.unicodeDown.addedShift) s.Fake(s.keymap->KeycodeOf(kVkShiftKey, s.group), false);
        for (int kc : s.unicodeDown.liftedShifts) s.Fake(kc, true);
        s.unicodeDown = {};
      }
    } else if (e.vk == kVkMarker) {
      // The marker is no key here: its state is what the barrier has proven.
      s.markerSent = !e.up;
    } else {
      int kc = e.code ? e.code : ScanCode(e.vk);
      if (kc <= 0) break;
      s.Fake(kc, !e.up);
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

std::uint64_t XKeyboard::Milliseconds() { return NowMs(); }

void XKeyboard::Nap() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

std::size_t XKeyboard::ChunkEvents() { return std::max<std::size_t>(1, s_->options.chunkEvents); }

std::size_t XKeyboard::DeliveryEvents() { return std::max(ChunkEvents(), s_->options.deliveryEvents); }

KeyFocus XKeyboard::Focus() {
  State& s = *s_;
  if (s.lost) return {};
  s.Pump();
  KeyFocus now = s.focus->Focus();
  // Keys that go to another window of the program (a dialog) are read
  // there: that window answers the pings.
  if (SameTarget(s.startFocus, now, true)) s.barrier->SetPingWindow(s.focus->PingClient());
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

void SendKeys(ustring_view keys, bool wait, const KeyboardOptions& options) {
  KeyboardOptions own = options;
  std::unique_ptr<KeyboardWatchdog> watchdog;
  if (!own.watchdog) {
    watchdog = std::make_unique<KeyboardWatchdog>(own.display);
    own.watchdog = watchdog.get();
  }
  int sig = 0;
  bool lost = false;
  {
    XKeyboard keyboard(own);
    try {
      TypeKeys(keys, keyboard, wait);
    } catch (const RuntimeError& e) {
      sig = keyboard.Interruption();
      lost = keyboard.ConnectionLost();
      if (!sig && !lost) {
        std::string why = keyboard.Refusal().empty() ? e.what() : keyboard.Refusal();
        std::fprintf(stderr, "Strumlet: the keys were not sent: %s.\n", why.c_str());
        throw;
      }
    }
    if (!sig) sig = keyboard.Interruption();
    lost = lost || keyboard.ConnectionLost();
  }
  if (lost) {
    std::fprintf(stderr, "Strumlet: the connection to the X display was lost.\n");
    std::fflush(stderr);
    std::_Exit(kExitNoWindow);
  }
  RaiseAgain(sig);
}

}  // namespace rt::x11
