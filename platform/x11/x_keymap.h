// The X server's keymap as the typer reads it: which keysym each keycode
// gives in a group, with or without Shift, as XKB resolves it; the keycodes
// of the physical key positions the typer's virtual keys name; the keycodes
// that carry nothing (candidates for characters no key types).
//
// The server may answer without a keymap (XkbGetMap gives NULL, as some
// servers do under memory pressure or for a keyboard that is going away):
// every lookup then finds nothing, so that the typer refuses the send
// instead of guessing.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace rt::x11 {

// The keycode of a virtual key's physical position on a US keyboard (evdev
// code + 8), 0 for a key without one.
int PositionOf(std::uint16_t vk);
// The keysym that a key the notation names carries ({ENTER}: Return), 0 for
// keys named by their position only.
KeySym NamedKeysym(std::uint16_t vk);
// Keys that type characters (space, digits, letters, keypad, punctuation).
bool IsCharacterKey(std::uint16_t vk);
// The character a keysym types, 0 for none known here (such a character is
// then typed on a spare keycode: slower, never wrong).
char32_t CharacterOf(KeySym sym);
bool IsDeadKeysym(KeySym sym);
// The keysym of a character: Latin-1 keysyms are their code points, the
// rest are Unicode keysyms.
KeySym KeysymOf(char32_t cp);

class Keymap {
 public:
  explicit Keymap(Display* display) : display_(display) {}
  ~Keymap();
  Keymap(const Keymap&) = delete;
  Keymap& operator=(const Keymap&) = delete;

  // Reads the keymap afresh (named keys are looked up again); false when
  // the server gave none.
  bool Read();
  bool Valid() const { return xkb_ != nullptr; }

  // The keysym at one shift level (0, or 1 for Shift) of a keycode in a
  // group, as XKB resolves it with no lock and no other modifier.
  KeySym SymAt(int keycode, int group, bool shift) const;
  // The keycode that carries `sym` unshifted in the group, 0 for none.
  int KeycodeOfSym(KeySym sym, int group) const;
  // The keycode the typer presses for a virtual key: the key that carries
  // its keysym in the group, else its position.
  int KeycodeOf(std::uint16_t vk, int group);
  // Keycodes that carry no keysym in any group, highest first (only those
  // the core protocol can rebind: up to 255).
  std::vector<int> EmptyKeycodes() const;
  // What every keycode but the skipped ones types in the group, with and
  // without Shift: two keymaps that type alike have the same fingerprint.
  std::vector<KeySym> Fingerprint(int group, const std::function<bool(int)>& skip) const;

 private:
  Display* display_;
  XkbDescPtr xkb_ = nullptr;
  std::map<std::uint16_t, int> named_;
  int namedGroup_ = -1;
};

}  // namespace rt::x11
