#include "typing_corpus.h"

#include "e2e_text.h"
#include "platform/text.h"

namespace strumlet::e2e {

const EditorCase kEditorCorpus[7] = {
    {"abcxyz ABCXYZ 0123456789", "abcxyz ABCXYZ 0123456789"},
    {"!@#$&*_=-[]\\;:'\",.<>?|`", "!@#$&*_=-[]\\;:'\",.<>?|`"},
    {"{{}{}}{+}{^}{%}{~}{(}{)}", "{}+^%~()"},
    {"a~b{ENTER}{TAB}c", "a\nb\n\tc"},
    {"+(abc)d +e", "ABCd E"},
    {"{h 10}", "hhhhhhhhhh"},
    {"abc{LEFT}{BS}x{END}", "axc"},
};

std::string OutsideTheKeymaps() {
  std::u16string one;
  for (char16_t c = u'\u0430'; c <= u'\u044F'; ++c) one += c;  // а..я
  for (char16_t c = u'\u03B1'; c <= u'\u03C9'; ++c) one += c;  // α..ω
  one += u"\u00E4\u00F6\u00FC\u00DF\u20AC\u2713\u2192\u03A9\u2026";  // äöüß€✓→Ω…
  return rt::ToUtf8(one + one);
}

std::string EditorCorpusKeys() {
  std::string keys;
  for (const EditorCase& c : kEditorCorpus) keys += std::string(c.keys) + "~";
  return keys + OutsideTheKeymaps();
}

std::string EditorCorpusText(const std::string& enter) {
  std::string text;
  for (const EditorCase& c : kEditorCorpus) text += std::string(c.text) + "\n";
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += enter.size()) text.replace(at, 1, enter);
  return text + OutsideTheKeymaps();
}

std::string EveryCharacter() {
  std::string ascii;
  for (char c = 0x21; c < 0x7F; ++c) {
    if (c != '/') ascii += c;
  }
  return ascii + " " +
         rt::ToUtf8(u"|^e `a \u00b4e \u00a8u ~n @{}[]\\|#\u20ac|\u00e4\u00f6\u00fc\u00df \u00e9\u00e8\u00e7\u00e0\u00f9 "
                    u"\u00a7\u00b0\u00b2\u00a3\u00b5 \u03a9 \U0001F600");
}

std::string TypingCorpusKeys() { return EditorCorpusKeys() + Notation(EveryCharacter()); }

std::string TypingCorpusText(const std::string& enter) { return EditorCorpusText(enter) + EveryCharacter(); }

}  // namespace strumlet::e2e
