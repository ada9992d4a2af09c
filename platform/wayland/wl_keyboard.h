// Typing on a wlroots-family compositor: a virtual keyboard of the
// program's own (zwp_virtual_keyboard_v1) with a keymap the program writes
// (keymap_text.h): a US layout at the usual key places, the named keys, and
// the characters of the piece that it lacks. The user's keyboards and their
// layouts, locks and held keys are untouched: keys of this keyboard are
// read with its keymap and its modifiers alone, so Caps Lock or a Shift the
// user holds does not change them, and nothing needs to be put back.
//
// - The keyboard lives as long as the program: when a seat has no other
//   keyboard, its appearing makes every client bind its keyboard afresh, and
//   keys sent before a client has done so are lost. The first key waits
//   KeyboardOptions::readyMs after the keyboard appeared.
// - Modifiers are sent as the modifier state of this keyboard, beside the
//   modifier keys' own events.
// - "The target has read the keys" is a round trip with the compositor: it
//   proves that the compositor has taken every event and passed it on to
//   the focused client's connection, in order. Keymap changes travel in the
//   same order, so a character is replaced between two keys without a wait.
// - Where keys go is the activated toplevel (wl_windows.h).
// - Every key pressed is released, on every path: normal end, errors,
//   SIGINT and SIGTERM during a send (the send then fails, and the signal
//   is raised again once the keys are up), and the keyboard's end.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/key_typer.h"
#include "platform/wayland/keymap_text.h"
#include "platform/wayland/wl_connection.h"

struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace rt::wayland {

class WaylandWindows;

struct KeyboardOptions {
  // Events sent between two checks of the focus, each chunk taken by the
  // compositor (a round trip) before the focus is checked for the next:
  // what the compositor has not yet handled when another window takes the
  // focus goes there, so this is what may stray. The round trip also keeps
  // what a slow target has unread far below what the compositor holds for a
  // client (a client whose connection fills up is disconnected).
  std::size_t chunkEvents = 200;
  std::size_t deliveryEvents = 200;
  // The round trip proves only that the compositor has passed the keys on;
  // the target reads them when it next runs. A client that leaves more than
  // the compositor holds for it unread (some 200 KB, 8,000 key events) is
  // disconnected, so the keys go no faster than a target is taken to read
  // them: a delivery counts once this many events a second have had their
  // time.
  int eventsPerSecond = 4000;
  // How long after the keyboard appeared its first key waits. Measured on a
  // headless sway on a loaded two-core machine (see the README).
  int readyMs = 300;
};

class WaylandKeyboard : public KeyboardTarget {
 public:
  // Makes the keyboard on the connection's seat. `windows` tells where keys
  // go (may be null: the focus is then not watched). Check Ok().
  WaylandKeyboard(Connection& connection, WaylandWindows* windows, const KeyboardOptions& options = {});
  ~WaylandKeyboard() override;
  WaylandKeyboard(const WaylandKeyboard&) = delete;
  WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

  bool Ok() const { return keyboard_ != nullptr; }

  // Before a piece: the keymap takes the piece's characters that it lacks
  // (those the typer sends as characters), and the first key of the
  // keyboard's life waits until clients have it.
  void Prepare(const std::vector<InputEvent>& events) override;

  KeyOutput Translate(std::uint16_t vk, bool shift) override;
  std::uint16_t ScanCode(std::uint16_t vk) override;
  bool IsKeyDown(std::uint16_t) override { return false; }
  bool CapsLockOn() override { return false; }
  std::size_t Inject(const std::vector<InputEvent>& events) override;
  TargetKey ReadKey(std::uint16_t vk) override;
  Clock& Time() override { return connection_.Time(); }
  std::size_t ChunkEvents() override { return options_.chunkEvents; }
  std::size_t DeliveryEvents() override { return options_.deliveryEvents; }
  KeyFocus Focus() override;
  bool WindowExists(WindowHandle window) override;

  // Releases every key still down and sends the modifiers as none.
  void ReleaseAll();
  // Keymaps uploaded so far.
  int Uploads() const { return uploads_; }

 private:
  void Upload();
  void Key(int keycode, bool down);
  void SendModifiers();
  void Queued();

  Connection& connection_;
  WaylandWindows* windows_;
  KeyboardOptions options_;
  zwp_virtual_keyboard_manager_v1* manager_ = nullptr;
  zwp_virtual_keyboard_v1* keyboard_ = nullptr;
  Keymap keymap_;
  std::uint64_t readyAt_ = 0;
  std::vector<int> pressed_;
  std::uint32_t modifiers_ = 0;
  char16_t pendingHigh_ = 0;
  int unicodeDown_ = 0;
  bool markerSent_ = false, markerRead_ = false;
  // The pace: events sent since paceFrom_ (ms) had their time.
  std::uint64_t paceFrom_ = 0;
  std::uint64_t paceEvents_ = 0;
  bool synced_ = false;  // the round trip for the marker as sent is done
  int queued_ = 0;
  int uploads_ = 0;
};

// Types one piece into the focused window, as rt::TypeKeys does; a SIGINT
// or SIGTERM that arrives meanwhile fails the send and is raised again once
// every key is up.
void SendKeys(WaylandKeyboard& keyboard, ustring_view keys, bool wait);

}  // namespace rt::wayland
