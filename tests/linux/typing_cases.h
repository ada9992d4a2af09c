// What the Linux end-to-end tests type into text editors (the Qt editor, the
// GTK program, the browsers' text areas), and the keyboard state they set up
// around it as another X client would. Shared by every editor target, so
// that each gets the same cases.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;

namespace strumlet::linux_e2e {

// The layouts every editor is tried under.
inline const char* const kLayouts[] = {"us", "de", "fr"};

// A text with characters outside the layouts' keymaps: ä (on de only) and ✓
// (on none).
inline constexpr char kMixedCase[] = "Hello World 42 \xC3\xA4 \xE2\x9C\x93 abc";

// Key notation and the text an editor holds for it: keys that type, named
// keys that edit (Left, Backspace, End), Enter as a new line, Tab as a tab.
struct EditorCase {
  const char* keys;
  const char* text;
};
extern const EditorCase kEditorCorpus[7];

// Characters that no key of us, de or fr types with at most Shift (ä ö ü ß €
// are de's), 66 different ones, more than there are spare keycodes, twice
// over: spare keycodes are rebound while the text goes out, each after the
// editor has read the keys that used it.
std::string OutsideTheKeymaps();

// The whole corpus as one key script, each case followed by Enter, then the
// characters outside the keymaps; and the text an editor holds for it.
std::string EditorCorpusKeys();
std::string EditorCorpusText();

// The keyboard's state as another X client sees and changes it: the layout
// (us again when it goes), Caps Lock (off again), and keys held through
// XTest (released).
class Keyboard {
 public:
  Keyboard();
  ~Keyboard();
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  bool SetLayout(const std::string& layout);
  bool CapsLock();
  void ToggleCapsLock();
  // Presses the key (a keysym) and keeps it down, as a user (or another
  // tool) would.
  void Hold(unsigned long keysym);
  bool IsDown(unsigned long keysym);

 private:
  void Tap(unsigned long keysym);
  _XDisplay* display_;
  std::vector<int> held_;
};

}  // namespace strumlet::linux_e2e
