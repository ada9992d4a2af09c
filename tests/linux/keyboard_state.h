// The X keyboard as another client sees it, for the tests that stop a send
// half-way: which keys are down, the whole keymap (as xkbcomp dumps it),
// the locks and the group, single keycodes, and the record of bindings
// the program keeps on the root window. On a connection of its own; no X
// header here (see desktop.h).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "desktop.h"

struct _XDisplay;

namespace strumlet::linux_e2e {

class KeyboardState {
 public:
  KeyboardState();
  ~KeyboardState();
  KeyboardState(const KeyboardState&) = delete;
  KeyboardState& operator=(const KeyboardState&) = delete;

  // Keycodes down in the server ("50 62 "), "" for none.
  std::string KeysDown();
  bool ShiftDown();
  // The keymap in force, as `xkbcomp -xkb` writes it.
  std::string Keymap();
  bool CapsLock();
  void ToggleCapsLock();
  int Group();
  void LockGroup(int group);

  // Keycodes that hold no keysym, and a keycode's first two keysyms.
  std::vector<int> EmptyKeycodes();
  std::array<unsigned long, 2> Syms(int keycode);
  // Binds a keycode as another program would (0, 0: clears it).
  void Bind(int keycode, unsigned long sym0, unsigned long sym1);

  // STRUMLET_BOUND_KEYS: owner, keycode, two keysyms, for each binding.
  std::vector<unsigned long> Record();
  void WriteRecord(const std::vector<unsigned long>& record);
  // A window of this connection (an owner for the record), and its end.
  unsigned long NewWindow();
  void DestroyWindow(unsigned long window);
  // Ends the connection of the client that made the resource.
  void KillClient(unsigned long resource);

 private:
  _XDisplay* display_;
};

// Unicode keysym of a character.
unsigned long UnicodeKeysym(char32_t cp);

// A key script that holds Shift over characters outside every keymap, long
// enough (several rounds of spare keycodes, each waited for) that a send
// into an xterm takes seconds: "+(ab" then Greek and Cyrillic letters, ")".
std::string ShiftedOutsideScript();
// What a raw xterm reads for it.
std::string ShiftedOutsideText();

// The program, started to type `script` into the window titled `title` once
// it appears (Persist), and the window opened after that: the program's own
// main window is up and has had the focus first. (A main window that a
// loaded machine maps late takes the focus back from a target just
// activated, and gets the keys.) `shell` runs the program (a shell command
// line whose $0 and $1 are the program and its argument text); its standard
// error goes to `errorFile`.
struct Send {
  Send(const std::string& title, const std::string& script, const std::string& program = STRUMLET_EXE,
       const std::vector<std::string>& shell = {}, const std::string& errorFile = "");
  Process process;
  bool mainUp = false;
};

// The send is under way: the target has its beginning, the script's Shift
// is down and characters are bound.
bool AwaitMidSend(const TextTarget& target, KeyboardState& keyboard);

bool IsPrefix(const std::string& part, const std::string& whole);

}  // namespace strumlet::linux_e2e
