#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/key_notation.h"
#include "test_support.h"

namespace {

using rt::KeyStroke;
using strumlet::testing::U;

// A compact picture of strokes: "a" a character, "<vk>" a named key press,
// "+S"/"-S" Shift down/up (C Ctrl, A Alt), "*" after a key: extended.
std::string Picture(const std::vector<KeyStroke>& strokes) {
  std::string out;
  for (const KeyStroke& s : strokes) {
    if (!out.empty()) out += ' ';
    switch (s.kind) {
      case KeyStroke::Kind::Char: out += rt::ToUtf8(s.text); break;
      case KeyStroke::Kind::Press:
        out += '<';
        out += std::to_string(s.vk);
        out += '>';
        if (s.extended) out += "*";
        break;
      case KeyStroke::Kind::Hold:
      case KeyStroke::Kind::Release:
        out += s.kind == KeyStroke::Kind::Hold ? "+" : "-";
        out += s.vk == rt::kVkShift ? "S" : s.vk == rt::kVkControl ? "C" : "A";
        break;
    }
  }
  return out;
}

TEST(KeyNotation, ParsesThePublishedNotation) {
  const struct {
    const char* keys;
    const char* strokes;
  } cases[] = {
      {"ab", "a b"},
      {"~", "<13>"},
      {"{ENTER}", "<13>"},
      {"{enter}", "<13>"},
      {"+ab", "+S a -S b"},
      {"+(ab)c", "+S a b -S c"},
      {"^%{DEL}", "+C +A <46>* -A -C"},
      {"^(+(x)y)", "+C +S x -S y -C"},
      {"{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}", "+ ^ % ~ ( ) { } [ ]"},
      {"[x]", "[ x ]"},
      {"{LEFT 3}", "<37>* <37>* <37>*"},
      {"{h 4}", "h h h h"},
      {"{} 2}", "} }"},
      {"{a 0}", ""},
      {"{TAB}{BS}{BKSP}{BACKSPACE}", "<9> <8> <8> <8>"},
      {"{ESC}{ESCAPE}{BREAK}{CAPSLOCK}", "<27> <27> <3>* <20>"},
      {"{HOME}{END}{PGUP}{PGDN}{INS}{INSERT}", "<36>* <35>* <33>* <34>* <45>* <45>*"},
      {"{UP}{DOWN}{RIGHT}{NUMLOCK}{SCROLLLOCK}{PRTSC}{HELP}", "<38>* <40>* <39>* <144>* <145> <44>* <47>"},
      {"{F1}{f16}{F10}", "<112> <127> <121>"},
      {"{ADD}{SUBTRACT}{MULTIPLY}{DIVIDE}", "<107> <109> <106> <111>*"},
      {"\xC3\xA9\xF0\x9F\x98\x80", "\xC3\xA9 \xF0\x9F\x98\x80"},
      {"{\xF0\x9F\x98\x80 2}", "\xF0\x9F\x98\x80 \xF0\x9F\x98\x80"},
      {"{ }", " "},
      {"+", "+S -S"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(Picture(rt::ParseKeys(U(c.keys))), c.strokes);
  }
}

TEST(KeyNotation, RejectsInvalidNotation) {
  const char* cases[] = {
      "}",         "a)",        "{",      "{ENTER",   "(ab",     "{NOSUCHKEY}", "{F17}",    "{F0}",    "{F01}",
      "{LEFT x}",  "{LEFT }",   "{h -1}", "{h 1.5}",  "{h 99999}", "++a",       "+(+a)",    "^^",      "{}",
      "((((((((((((((((((a))))))))))))))))))", "{}x}", "+)",
      "{a 30000}{b 30000}{c 30000}{d 30000}{e 30000}{f 30000}{g 30000}{h 30000}{i 30000}{j 30000}"
      "{a 30000}{b 30000}{c 30000}{d 30000}{e 30000}{f 30000}{g 30000}{h 30000}{i 30000}{j 30000}"
      "{a 30000}{b 30000}{c 30000}{d 30000}{e 30000}{f 30000}{g 30000}{h 30000}{i 30000}{j 30000}"
      "{a 30000}{b 30000}{c 30000}{d 30000}",
  };
  for (const char* keys : cases) {
    SCOPED_TRACE(keys);
    try {
      rt::ParseKeys(U(keys));
      ADD_FAILURE() << "accepted";
    } catch (const rt::RuntimeError& e) {
      EXPECT_EQ(e.Code(), rt::ErrorCode::InvalidCall);
    }
  }
}

TEST(KeyNotation, EveryHeldModifierIsReleased) {
  const char* cases[] = {"+a", "+(abc)", "^%(+(x)y)", "%", "+{LEFT 5}", "^(a)+(b)%(c)"};
  for (const char* keys : cases) {
    SCOPED_TRACE(keys);
    int depth[256] = {};
    for (const KeyStroke& s : rt::ParseKeys(U(keys))) {
      if (s.kind == KeyStroke::Kind::Hold) ++depth[s.vk];
      if (s.kind == KeyStroke::Kind::Release) --depth[s.vk];
      EXPECT_GE(depth[s.vk], 0);
    }
    for (int d : depth) EXPECT_EQ(d, 0);
  }
}

}  // namespace
