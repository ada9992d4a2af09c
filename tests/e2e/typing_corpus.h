// What the end-to-end tests type into text editors (Notepad, the Qt and
// GTK editors, the browsers' text areas): the same cases on every platform
// and in every editor.
#pragma once

#include <string>

namespace strumlet::e2e {

// The layouts every editor is tried under.
inline const char* const kLayouts[] = {"us", "de", "fr"};

// A text with characters outside the layouts' keymaps: ä (on de only) and ✓
// (on none).
inline constexpr char kMixedCase[] = "Hello World 42 \xC3\xA4 \xE2\x9C\x93 abc";

// Key notation and the text an editor holds for it: keys that type, named
// keys that edit (Left, Backspace, End), Enter as a new line ("\n" here),
// Tab as a tab.
struct EditorCase {
  const char* keys;
  const char* text;
};
extern const EditorCase kEditorCorpus[7];

// Characters that no key of us, de or fr types with at most Shift (ä ö ü ß €
// are de's), 66 different ones, more than there are spare keycodes on X11,
// twice over: spare keycodes are rebound while the text goes out, each after
// the editor has read the keys that used it.
std::string OutsideTheKeymaps();

// The whole corpus as one key script, each case followed by Enter, then the
// characters outside the keymaps; and the text an editor holds for it, its
// new lines written as `enter`.
std::string EditorCorpusKeys();
std::string EditorCorpusText(const std::string& enter = "\n");

// Every printable ASCII character but "/" (which separates the command
// line's fields), a blank, and the characters that are dead keys or need
// AltGr on German and French keyboards, letters of those layouts, and a
// character beyond the 16-bit range.
std::string EveryCharacter();

// The editor corpus followed by every character (in the notation); and the
// text an editor holds for it.
std::string TypingCorpusKeys();
std::string TypingCorpusText(const std::string& enter);

}  // namespace strumlet::e2e
