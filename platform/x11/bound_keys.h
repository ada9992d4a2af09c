// Keycodes bound to characters for a send, as the X server holds them, and
// the record of them on the root window (STRUMLET_BOUND_KEYS: for each
// binding the window of the send's connection, the keycode and its two
// keysyms). The record outlives a run that was killed before it could clear
// its bindings: the next start clears what the dead run left, once its
// window has gone with its connection, and only where the keycode still
// holds what the record says (never what another program bound since).
//
// Whoever reads and then changes keycodes or the record holds a ServerGrab,
// so that no other client changes them in between.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <vector>

namespace rt::x11 {

struct BoundKey {
  Window owner = 0;
  int keycode = 0;
  KeySym syms[2] = {NoSymbol, NoSymbol};
};

// The server processes no other client's requests while it lives.
class ServerGrab {
 public:
  explicit ServerGrab(Display* display) : display_(display) { XGrabServer(display_); }
  ~ServerGrab() {
    XUngrabServer(display_);
    XFlush(display_);
  }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  Display* display_;
};

// The keysyms of keycodes first..first+count-1 as the core protocol gives
// them: for each keycode, its first two levels, or NoSymbol twice when it
// holds nothing; simple[i] false when the keycode carries more than those
// two keysyms (a real key, never ours).
struct KeySyms {
  std::vector<std::array<KeySym, 2>> syms;
  std::vector<bool> simple;
};
KeySyms ReadKeySyms(Display* display, int first, int count);

// Binds keycodes to keysym pairs (NoSymbol twice clears), one request per
// run of neighbouring keycodes; returns the number of requests.
int WriteKeySyms(Display* display, const std::vector<BoundKey>& keys);

// The record, and a rewrite of it with `owner`'s entries replaced by `keys`.
std::vector<BoundKey> ReadRecord(Display* display);
void RecordBindings(Display* display, Window owner, const std::vector<BoundKey>& keys);

// Whether a keycode holds exactly the pair (as we bind it), or nothing.
bool Holds(const KeySyms& read, std::size_t i, KeySym sym0, KeySym sym1);

// Clears the keycodes of `keys` that still hold exactly their keysyms, and
// drops `owner`'s entries from the record. Takes the grab itself. Returns
// the keycodes cleared.
std::vector<int> ClearBindings(Display* display, Window owner, const std::vector<BoundKey>& keys);

// Clears what runs whose window has gone left bound (see above); returns
// the number of keycodes cleared.
int ClearLeftovers(Display* display);

}  // namespace rt::x11
