#include "platform/x11/x_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

// Physical key positions (Linux evdev codes; the X keycode is the evdev code
// plus 8) of the virtual keys, as a US keyboard has them. The codes below 0x59
// are the keys' scan codes (set 1); the extended keys have codes of their own.
struct Position {
  std::uint16_t vk;
  std::uint16_t evdev;
};
constexpr Position kPositions[] = {
    {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x14, 0x3A}, {0x1B, 0x01}, {0x20, 0x39},
    {0x30, 0x0B}, {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04}, {0x34, 0x05}, {0x35, 0x06},
    {0x36, 0x07}, {0x37, 0x08}, {0x38, 0x09}, {0x39, 0x0A},
    {0x41, 0x1E}, {0x42, 0x30}, {0x43, 0x2E}, {0x44, 0x20}, {0x45, 0x12}, {0x46, 0x21},
    {0x47, 0x22}, {0x48, 0x23}, {0x49, 0x17}, {0x4A, 0x24}, {0x4B, 0x25}, {0x4C, 0x26},
    {0x4D, 0x32}, {0x4E, 0x31}, {0x4F, 0x18}, {0x50, 0x19}, {0x51, 0x10}, {0x52, 0x13},
    {0x53, 0x1F}, {0x54, 0x14}, {0x55, 0x16}, {0x56, 0x2F}, {0x57, 0x11}, {0x58, 0x2D},
    {0x59, 0x15}, {0x5A, 0x2C},
    {0x60, 0x52}, {0x61, 0x4F}, {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C},
    {0x66, 0x4D}, {0x67, 0x47}, {0x68, 0x48}, {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E},
    {0x6D, 0x4A}, {0x6E, 0x53}, {0x6F, 98},
    {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40},
    {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
    {0x90, 0x45}, {0x91, 0x46},
    {0xBA, 0x27}, {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35},
    {0xC0, 0x29}, {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}, {0xE2, 0x56},
    // Shift, Ctrl and Alt as the notation names them: the left keys.
    {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
    {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 97}, {0xA4, 0x38}, {0xA5, 100},
    {0x5B, 125}, {0x5C, 126}, {0x5D, 127},
    {0x03, 119}, {0x21, 104}, {0x22, 109}, {0x23, 107}, {0x24, 102}, {0x25, 105}, {0x26, 103},
    {0x27, 106}, {0x28, 108}, {0x2C, 99}, {0x2D, 110}, {0x2E, 111}, {0x2F, 138},
};

// Keys that the notation names: they are whichever key carries their keysym
// in the keymap in force (the position above only when none does).
struct Named {
  std::uint16_t vk;
  KeySym sym;
};
constexpr Named kNamed[] = {
    {0x03, XK_Break},     {0x08, XK_BackSpace}, {0x09, XK_Tab},       {0x0D, XK_Return},
    {0x14, XK_Caps_Lock}, {0x1B, XK_Escape},    {0x21, XK_Prior},     {0x22, XK_Next},
    {0x23, XK_End},       {0x24, XK_Home},      {0x25, XK_Left},      {0x26, XK_Up},
    {0x27, XK_Right},     {0x28, XK_Down},      {0x2C, XK_Print},     {0x2D, XK_Insert},
    {0x2E, XK_Delete},    {0x2F, XK_Help},      {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add},
    {0x6D, XK_KP_Subtract}, {0x6F, XK_KP_Divide}, {0x90, XK_Num_Lock}, {0x91, XK_Scroll_Lock},
    {0x10, XK_Shift_L},   {0x11, XK_Control_L}, {0x12, XK_Alt_L},
};

int PositionOf(std::uint16_t vk) {
  for (const Position& p : kPositions) {
    if (p.vk == vk) return p.evdev + 8;
  }
  if (vk >= 0x7C && vk <= 0x87) return 183 + (vk - 0x7C) + 8;  // F13..F24
  return 0;
}

bool IsCharacterKey(std::uint16_t vk) {
  return vk == 0x20 || (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A) || (vk >= 0x60 && vk <= 0x6F) ||
         (vk >= 0xBA && vk <= 0xE2);
}

// The character a keysym types: Latin-1 keysyms are their code points, Unicode
// keysyms carry theirs, and the keypad's and a few others are listed. Any
// other keysym counts as typing nothing here, so its character is bound to a
// spare key instead (slower, never wrong).
char32_t CharacterOf(KeySym sym) {
  if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<char32_t>(sym);
  if ((sym & 0xFF000000UL) == 0x01000000UL) return static_cast<char32_t>(sym & 0x00FFFFFFUL);
  if (sym >= 0x20A0 && sym <= 0x20AC) return static_cast<char32_t>(sym);  // currency keysyms, EuroSign
  if (sym == XK_Tab || sym == XK_KP_Tab) return U'\t';
  if (sym == XK_Return || sym == XK_KP_Enter) return U'\r';
  if (sym == XK_KP_Space) return U' ';
  if (sym >= XK_KP_Multiply && sym <= XK_KP_9) return static_cast<char32_t>(sym - XK_KP_Multiply + U'*');
  if (sym == XK_KP_Equal) return U'=';
  return 0;
}

bool IsDeadKeysym(KeySym sym) { return sym >= 0xFE50 && sym <= 0xFE93; }

KeySym KeysymOf(char32_t cp) {
  if ((cp >= 0x20 && cp <= 0x7E) || (cp >= 0xA0 && cp <= 0xFF)) return cp;
  return 0x01000000UL | cp;
}

std::uint64_t NowMs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// The one XKeyboard alive (the typer sends to one target at a time): the
// signal and connection-loss handlers reach its state through it.
XKeyboard::State* g_active = nullptr;
// How long a client that lists _NET_WM_PING may take to answer one before
// it is typed into as a client without pings.
constexpr std::uint64_t kPingAnswerMs = 1000;
// The last window that answered a ping of this process: a send that goes on
// into it (the next piece) knows it answers, even when it is busy as the
// piece starts.
unsigned long g_answered = 0;
// Ping numbers, never the same twice in a process: an answer that comes late,
// when a later piece's keyboard listens, is not taken for one of its own.
long g_lastPing = 0x5EED0000;
volatile std::sig_atomic_t g_signal = 0;

}  // namespace

struct XKeyboard::State {
  KeyboardOptions options;
  std::string displayName;
  Display* dpy = nullptr;
  XkbDescPtr xkb = nullptr;
  bool mapDirty = true;
  int xkbEvent = 0;
  bool lost = false;

  // Keycodes pressed through XTest and not yet released.
  std::vector<int> pressed;
  // Spare keycodes (empty in the keymap) and the character each is bound to
  // (0: free). `mask` is one more spare that stays empty.
  std::vector<int> spare;
  std::vector<char32_t> bound;
  std::vector<std::uint64_t> usedAt;  // the event number of the spare's last use
  int mask = 0;
  char16_t pendingHigh = 0;
  int unicodeDown = 0;  // the spare keycode pressed for the character now down

  // The barrier: events sent, and those the target has been seen to read
  // (the answer to a ping covers them).
  std::uint64_t sent = 0;
  std::uint64_t readUpTo = 0;
  // Without pings: the events the server had handled at a time, newest last.
  struct Synced {
    std::uint64_t upTo;
    std::uint64_t atMs;
  };
  std::vector<Synced> synced;
  int bindingsUnread = 0;  // bindings made since the last binding barrier
  bool markerSent = false;  // the marker's state as sent
  bool markerRead = false;  // the marker's state as the target has read it
  // A ping on its way: its id, the events it covers, when it left.
  long pingId = 0;
  std::uint64_t pingCovers = 0;
  std::uint64_t pingAt = 0;
  Window pingWindow = 0;  // the focused client, when it answers pings
  // It has answered a ping (of this piece, or of an earlier one): from then
  // on a late answer means a busy client, which is waited for, not one that
  // never answers.
  bool pingAnswered = false;
  Atom wmProtocols = 0, netWmPing = 0;

  int interruption = 0;
  struct sigaction oldInt {}, oldTerm {};

  void ReadKeymap() {
    if (xkb) XkbFreeKeyboard(xkb, 0, True);
    xkb = XkbGetMap(dpy, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
    mapDirty = false;
  }

  void Pump() {
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type == MappingNotify) {
        XRefreshKeyboardMapping(&ev.xmapping);
      } else if (ev.type == xkbEvent) {
        // A change of the spare keycodes alone is one of our own bindings.
        const auto& xe = reinterpret_cast<const XkbEvent&>(ev);
        if (xe.any.xkb_type == XkbMapNotify) {
          bool ours = xe.map.num_key_syms > 0;
          for (int kc = xe.map.first_key_sym; kc < xe.map.first_key_sym + xe.map.num_key_syms; ++kc) ours &= IsSpare(kc);
          if (!ours) mapDirty = true;
        } else {
          mapDirty = true;
        }
      } else if (ev.type == ClientMessage && ev.xclient.message_type == wmProtocols &&
                 static_cast<Atom>(ev.xclient.data.l[0]) == netWmPing && ev.xclient.data.l[1] == pingId && pingId) {
        readUpTo = std::max(readUpTo, pingCovers);
        pingId = 0;
        pingAnswered = true;
        g_answered = pingWindow;
      }
    }
  }

  int CurrentGroup() {
    XkbStateRec st{};
    XkbGetState(dpy, XkbUseCoreKbd, &st);
    return st.group;
  }

  // The keysym of a keycode in `group`, with or without Shift, as XKB
  // resolves it (no lock, no other modifier).
  KeySym SymAt(int kc, int group, bool shift) {
    if (mapDirty || !xkb) ReadKeymap();
    if (!xkb || kc < xkb->min_key_code || kc > xkb->max_key_code) return NoSymbol;
    int groups = XkbKeyNumGroups(xkb, kc);
    if (groups == 0) return NoSymbol;
    if (group >= groups) group = 0;
    XkbKeyTypePtr type = XkbKeyKeyType(xkb, kc, group);
    int level = 0;
    if (shift) {
      for (int i = 0; i < type->map_count; ++i) {
        if (type->map[i].active && type->map[i].mods.mask == ShiftMask) level = type->map[i].level;
      }
    }
    if (level >= XkbKeyGroupWidth(xkb, kc, group)) return NoSymbol;
    return XkbKeySymEntry(xkb, kc, level, group);
  }

  int KeycodeOfSym(KeySym sym) {
    if (mapDirty || !xkb) ReadKeymap();
    int group = CurrentGroup();
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
      if (SymAt(kc, group, false) == sym) return kc;
    }
    return 0;
  }

  // Named keys' keycodes, looked up once per keymap.
  std::map<std::uint16_t, int> named;

  int KeycodeOf(std::uint16_t vk) {
    if (vk == kVkMask) return mask;
    if (mapDirty) named.clear();
    auto it = named.find(vk);
    if (it != named.end()) return it->second;
    int kc = 0;
    for (const Named& n : kNamed) {
      if (n.vk == vk) kc = KeycodeOfSym(n.sym);
    }
    if (!kc) kc = PositionOf(vk);
    named[vk] = kc;
    return kc;
  }

  bool IsSpare(int kc) const { return kc == mask || std::find(spare.begin(), spare.end(), kc) != spare.end(); }

  void FindSpares() {
    ReadKeymap();
    spare.clear();
    mask = 0;
    for (int kc = xkb->max_key_code; kc >= xkb->min_key_code && static_cast<int>(spare.size()) < options.spareKeycodes;
         --kc) {
      if (kc <= 8 + 0xFF && XkbKeyNumGroups(xkb, kc) == 0 && XkbKeyNumSyms(xkb, kc) == 0) {
        if (!mask) mask = kc;
        else spare.push_back(kc);
      }
    }
    bound.assign(spare.size(), 0);
    usedAt.assign(spare.size(), 0);
  }

  void Fake(int kc, bool down) {
    XTestFakeKeyEvent(dpy, static_cast<unsigned>(kc), down ? True : False, CurrentTime);
    auto it = std::find(pressed.begin(), pressed.end(), kc);
    if (down && it == pressed.end()) pressed.push_back(kc);
    if (!down && it != pressed.end()) pressed.erase(it);
    ++sent;
  }

  // The focused top-level client, when it answers _NET_WM_PING.
  Window PingWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    Window root = DefaultRootWindow(dpy);
    for (Window w = focus; w && w != root && w != PointerRoot;) {
      Atom* protocols = nullptr;
      int n = 0;
      if (XGetWMProtocols(dpy, w, &protocols, &n)) {
        bool ping = std::find(protocols, protocols + n, netWmPing) != protocols + n;
        XFree(protocols);
        if (ping) return w;
      }
      Window r = 0, parent = 0, *children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(dpy, w, &r, &parent, &children, &count)) break;
      if (children) XFree(children);
      w = parent;
    }
    return 0;
  }

  // Asks the focused client to answer once it has read every event sent so
  // far.
  void SendPing() {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = pingWindow;
    ev.xclient.message_type = wmProtocols;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(netWmPing);
    ev.xclient.data.l[1] = pingId = ++g_lastPing;
    ev.xclient.data.l[2] = static_cast<long>(pingWindow);
    pingCovers = sent;
    pingAt = NowMs();
    XSendEvent(dpy, pingWindow, False, NoEventMask, &ev);
    XFlush(dpy);
  }

  // The events the target has read, as far as known: those a ping's answer
  // covers; without pings, those the server had handled `guardMs` ago.
  std::uint64_t ReadBy(int guardMs) const {
    std::uint64_t upTo = readUpTo;
    if (pingWindow) return upTo;
    std::uint64_t now = NowMs();
    for (const Synced& p : synced) {
      if (now - p.atMs >= static_cast<std::uint64_t>(guardMs)) upTo = std::max(upTo, p.upTo);
    }
    return upTo;
  }

  // Advances the barrier without blocking; true once the target has read
  // the first `want` events (by the guess of `guardMs` without pings).
  bool Poll(std::uint64_t want, int guardMs) {
    Pump();
    if (ReadBy(guardMs) >= want) return true;
    if (pingWindow) {
      if (!pingId) SendPing();
      Pump();
      if (readUpTo >= want) return true;
      // A client that lists the ping but leaves it unanswered is typed into
      // as one without: the guess takes over, counted from now. One that has
      // answered before is only busy (or stopped): it is waited for, up to
      // the caller's limit, as the guess would be wrong about it.
      if (pingId && !pingAnswered && NowMs() - pingAt > kPingAnswerMs) {
        pingWindow = 0;
        pingId = 0;
        synced.clear();
      } else {
        return false;
      }
    }
    // No ping: a round trip proves that the server has handled (and passed
    // on) every event; the guard counts from then.
    if (synced.empty() || synced.back().upTo < sent) {
      XSync(dpy, False);
      Pump();
      synced.push_back({sent, NowMs()});
      // An older point is worth nothing once a newer one has passed the
      // longest guard.
      std::uint64_t now = NowMs();
      std::size_t keep = 0;
      for (std::size_t i = 0; i < synced.size(); ++i) {
        if (now - synced[i].atMs >= static_cast<std::uint64_t>(LongestGuard())) keep = i;
      }
      synced.erase(synced.begin(), synced.begin() + static_cast<std::ptrdiff_t>(keep));
    }
    return ReadBy(guardMs) >= want;
  }

  // The guess before a binding changes.
  int BindingGuard() const { return options.bindingGuardMs + options.guardPerBindingMs * bindingsUnread; }
  int LongestGuard() const { return std::max(options.guardMs, BindingGuard()); }

  // Blocks until the target has read every event that uses a spare keycode
  // as bound now, so that the binding may change.
  bool BindingBarrier(std::uint64_t limitMs, bool evenIfInterrupted = false) {
    if (!Barrier(limitMs, BindingGuard(), evenIfInterrupted)) return false;
    bindingsUnread = 0;
    return true;
  }

  // Blocks until the target has read every event sent so far, at most
  // `limitMs`; false when it has not.
  bool Barrier(std::uint64_t limitMs, int guardMs, bool evenIfInterrupted = false) {
    std::uint64_t want = sent, start = NowMs();
    while (!Poll(want, guardMs)) {
      if ((g_signal && !evenIfInterrupted) || lost || NowMs() - start > limitMs) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  void Bind(int kc, KeySym sym) {
    KeySym syms[2] = {sym, sym};
    XChangeKeyboardMapping(dpy, kc, 2, syms, 1);
  }

  // A spare keycode that types `cp`, bound now if need be; -1 when none can
  // be had (the target did not read the events that use the spares).
  int SpareFor(char32_t cp) {
    for (std::size_t i = 0; i < spare.size(); ++i) {
      if (bound[i] == cp) return static_cast<int>(i);
    }
    auto slot = std::find(bound.begin(), bound.end(), 0);
    if (slot == bound.end()) {
      // Every spare is bound: rebind the least recently used one, once the
      // target has read the events that used it. One barrier covers every
      // spare used before it, so the next rebinds need none.
      std::size_t oldest = static_cast<std::size_t>(std::min_element(usedAt.begin(), usedAt.end()) - usedAt.begin());
      if (ReadBy(BindingGuard()) < usedAt[oldest] && !BindingBarrier(kDeliveryLimitMs)) return -1;
      slot = bound.begin() + static_cast<std::ptrdiff_t>(oldest);
    }
    std::size_t i = static_cast<std::size_t>(slot - bound.begin());
    // The change's notice reaches the target before the key that follows,
    // so the key needs no wait.
    Bind(spare[i], KeysymOf(cp));
    bound[i] = cp;
    ++bindingsUnread;
    return static_cast<int>(i);
  }

  void ReleaseAll() {
    while (!pressed.empty()) Fake(pressed.back(), false);
  }

  void RevertSpares() {
    for (std::size_t i = 0; i < spare.size(); ++i) {
      if (bound[i]) Bind(spare[i], NoSymbol);
      bound[i] = 0;
    }
  }
};

namespace {

void OnSignal(int sig) { g_signal = sig; }

// The connection is gone: releases the keys and clears the bindings through
// a fresh one, then lets Xlib return to the caller instead of exiting.
void OnConnectionLost(Display*, void*) {
  XKeyboard::State* s = g_active;
  if (!s || s->lost) return;
  s->lost = true;
  Display* fresh = XOpenDisplay(s->displayName.empty() ? nullptr : s->displayName.c_str());
  if (!fresh) return;
  for (int kc : s->pressed) XTestFakeKeyEvent(fresh, static_cast<unsigned>(kc), False, CurrentTime);
  KeySym none[2] = {NoSymbol, NoSymbol};
  for (std::size_t i = 0; i < s->spare.size(); ++i) {
    if (s->bound[i]) XChangeKeyboardMapping(fresh, s->spare[i], 2, none, 1);
  }
  XCloseDisplay(fresh);
  s->pressed.clear();
}

}  // namespace

XKeyboard::XKeyboard(const KeyboardOptions& options) : s_(std::make_unique<State>()) {
  State& s = *s_;
  s.options = options;
  s.displayName = options.display;
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
  g_active = &s;
  g_signal = 0;
  XSetIOErrorExitHandler(s.dpy, OnConnectionLost, nullptr);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &s.oldInt);
  sigaction(SIGTERM, &sa, &s.oldTerm);

  s.wmProtocols = XInternAtom(s.dpy, "WM_PROTOCOLS", False);
  s.netWmPing = XInternAtom(s.dpy, "_NET_WM_PING", False);
  // Ping replies go to the root window, sent with the structure mask by some
  // toolkits (Qt) and the substructure mask by others (GTK, Chromium, as the
  // window manager specification asks): the server passes a sent event only
  // to clients that selected one of its bits, so both are selected. Keymap
  // changes come as XKB events.
  XSelectInput(s.dpy, DefaultRootWindow(s.dpy), StructureNotifyMask | SubstructureNotifyMask);
  XkbSelectEvents(s.dpy, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask,
                  XkbMapNotifyMask | XkbNewKeyboardNotifyMask);
  s.FindSpares();
  // The core keymap is that of the device used last: a tap through XTest
  // makes it the XTest keyboard's, whose map our events are read with. The
  // tapped key is an empty one, so that it types nothing and leaves a Shift
  // the user holds alone; no client needs to have read it.
  if (s.mask) {
    s.Fake(s.mask, true);
    s.Fake(s.mask, false);
  }
  XSync(s.dpy, False);
  s.Pump();
  if (s.mapDirty) s.FindSpares();
  s.readUpTo = s.sent;
  s.pingWindow = s.PingWindow();
  // A client not yet known to answer gets a first ping, and up to a second
  // to answer it, before any key goes: one that answers is then waited for
  // whenever it is busy later (a client stopped right as the keys begin is
  // not taken for one that never answers); one that does not is typed into
  // with the guess.
  s.pingAnswered = s.pingWindow && s.pingWindow == g_answered;
  if (s.pingWindow && !s.pingAnswered) {
    s.SendPing();
    while (s.pingId && !s.lost && NowMs() - s.pingAt <= kPingAnswerMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      s.Pump();
    }
  }
}

XKeyboard::~XKeyboard() {
  State& s = *s_;
  if (!s.lost) {
    s.ReleaseAll();
    // Bindings are cleared once the target has read the events that use them
    // (bounded: a target that stopped reading gets them cleared anyway).
    if (std::any_of(s.bound.begin(), s.bound.end(), [](char32_t c) { return c != 0; })) {
      s.BindingBarrier(static_cast<std::uint64_t>(s.LongestGuard()) + 2000, true);
    }
    s.RevertSpares();
    ForgetXErrors(s.dpy);
    if (s.xkb) XkbFreeKeyboard(s.xkb, 0, True);
    XCloseDisplay(s.dpy);
  }
  sigaction(SIGINT, &s.oldInt, nullptr);
  sigaction(SIGTERM, &s.oldTerm, nullptr);
  g_active = nullptr;
}

KeyOutput XKeyboard::Translate(std::uint16_t vk, bool shift) {
  KeyOutput out;
  if (!IsCharacterKey(vk)) {
    if (vk != 0x09 && vk != 0x0D) return out;
  }
  int kc = PositionOf(vk);
  if (!kc) return out;
  KeySym sym = s_->SymAt(kc, s_->CurrentGroup(), shift);
  if (IsDeadKeysym(sym)) {
    out.dead = true;
    return out;
  }
  char32_t cp = CharacterOf(sym);
  if (cp == 0) return out;
  AppendUtf16(out.text, cp);
  return out;
}

std::uint16_t XKeyboard::ScanCode(std::uint16_t vk) { return static_cast<std::uint16_t>(s_->KeycodeOf(vk)); }

bool XKeyboard::IsKeyDown(std::uint16_t vk) {
  char keys[32] = {};
  XQueryKeymap(s_->dpy, keys);
  int kc = PositionOf(vk);
  return kc > 0 && kc < 256 && (keys[kc / 8] & (1 << (kc % 8))) != 0;
}

bool XKeyboard::CapsLockOn() {
  XkbStateRec st{};
  XkbGetState(s_->dpy, XkbUseCoreKbd, &st);
  return (st.locked_mods & LockMask) != 0;
}

std::size_t XKeyboard::Inject(const std::vector<InputEvent>& events) {
  State& s = *s_;
  std::size_t done = 0;
  for (const InputEvent& e : events) {
    if (s.lost) break;
    // Once interrupted, only releases go out.
    if (g_signal && !e.up) break;
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
        int i = s.SpareFor(cp);
        if (i < 0) break;
        s.unicodeDown = s.spare[static_cast<std::size_t>(i)];
        s.Fake(s.unicodeDown, true);
        s.usedAt[static_cast<std::size_t>(i)] = s.sent;
      } else if (s.unicodeDown) {
        s.Fake(s.unicodeDown, false);
        auto it = std::find(s.spare.begin(), s.spare.end(), s.unicodeDown);
        if (it != s.spare.end()) s.usedAt[static_cast<std::size_t>(it - s.spare.begin())] = s.sent;
        s.unicodeDown = 0;
      }
    } else if (e.vk == kVkMarker) {
      // The marker is no key here: its state is what the barrier has proven.
      s.markerSent = !e.up;
    } else {
      int kc = e.code ? e.code : s.KeycodeOf(e.vk);
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
  if (s.lost || g_signal) return TargetKey::Gone;
  if (vk != kVkMarker) return IsKeyDown(vk) ? TargetKey::Down : TargetKey::Up;
  if (s.markerRead != s.markerSent && s.Poll(s.sent, s.options.guardMs)) s.markerRead = s.markerSent;
  return s.markerRead ? TargetKey::Down : TargetKey::Up;
}

std::uint64_t XKeyboard::Milliseconds() { return NowMs(); }

void XKeyboard::Nap() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

std::size_t XKeyboard::ChunkEvents() { return std::max<std::size_t>(1, s_->options.chunkEvents); }

bool XKeyboard::TargetAnswersPing() const { return s_->pingWindow != 0; }

int XKeyboard::Interruption() const { return static_cast<int>(g_signal); }

void SendKeys(ustring_view keys, bool wait, const KeyboardOptions& options) {
  int sig = 0;
  {
    XKeyboard keyboard(options);
    try {
      TypeKeys(keys, keyboard, wait);
    } catch (...) {
      sig = keyboard.Interruption();
      if (!sig) throw;
    }
    if (!sig) sig = keyboard.Interruption();
  }
  if (sig) std::raise(sig);
}

}  // namespace rt::x11
