#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/errors.h"
#include "platform/key_typer.h"
#include "test_support.h"

namespace {

using rt::InputEvent;
using strumlet::testing::U;

// A keyboard with a US-like layout that reads back what the events type:
// letters, digits and a few shifted symbols have keys; everything else must
// come as Unicode. It can refuse injections after a number of events.
class FakeKeyboard : public rt::KeyboardTarget {
 public:
  bool KeyForChar(char16_t ch, std::uint16_t& vk, int& modifiers) override {
    if (ch >= u'a' && ch <= u'z') return Key(static_cast<std::uint16_t>(ch - u'a' + 'A'), 0, vk, modifiers);
    if (ch >= u'A' && ch <= u'Z') return Key(static_cast<std::uint16_t>(ch), rt::kShift, vk, modifiers);
    if (ch >= u'0' && ch <= u'9') return Key(static_cast<std::uint16_t>(ch), 0, vk, modifiers);
    auto it = kSymbols.find(ch);
    if (it == kSymbols.end()) return false;
    return Key(it->second.first, it->second.second, vk, modifiers);
  }
  std::uint16_t ScanCode(std::uint16_t vk) override { return static_cast<std::uint16_t>(vk + 1000); }
  bool IsKeyDown(std::uint16_t vk) override { return physical.count(vk) != 0; }
  bool CapsLockOn() override { return caps; }
  std::size_t Inject(const std::vector<InputEvent>& events) override {
    ++calls;
    maxChunk = std::max(maxChunk, events.size());
    std::size_t accepted = 0;
    for (const InputEvent& e : events) {
      if (refuseAt >= 0 && !refused && injected >= refuseAt) {
        refused = true;  // one refusal; later injections go through again
        break;
      }
      Apply(e);
      ++injected;
      ++accepted;
    }
    return accepted;
  }
  bool WaitForTarget() override {
    ++waits;
    return answersUntil < 0 || waits <= answersUntil;
  }

  // What arrived in the target.
  rt::ustring text;
  std::vector<std::string> shortcuts;  // keys typed with Ctrl or Alt
  std::set<std::uint16_t> down;        // keys the injected events hold down
  std::set<std::uint16_t> physical;    // keys the user holds
  bool caps = false;
  long refuseAt = -1;
  bool refused = false;
  long injected = 0;
  int calls = 0;
  int waits = 0;
  int answersUntil = -1;  // the target stops answering after that many waits
  std::size_t maxChunk = 0;

 private:
  static bool Key(std::uint16_t key, int mods, std::uint16_t& vk, int& modifiers) {
    vk = key;
    modifiers = mods;
    return true;
  }
  void Apply(const InputEvent& e) {
    EXPECT_EQ(e.unicode ? 0 : e.code, e.unicode ? 0 : e.vk + 1000) << "scan code from the layout";
    if (e.unicode) {
      if (!e.up) text.push_back(static_cast<char16_t>(e.code));
      return;
    }
    if (e.up) {
      down.erase(e.vk);
      physical.erase(e.vk);  // an injected release lets go of a held key too
      return;
    }
    down.insert(e.vk);
    bool shift = down.count(0x10) || physical.count(0xA0) || physical.count(0xA1);
    bool ctrl = down.count(0x11) || physical.count(0xA2) || physical.count(0xA3);
    bool alt = down.count(0x12) || physical.count(0xA4) || physical.count(0xA5);
    if (e.vk == 0x10 || e.vk == 0x11 || e.vk == 0x12) return;
    char16_t ch = 0;
    if (e.vk >= 'A' && e.vk <= 'Z') ch = static_cast<char16_t>((shift != caps) ? e.vk : e.vk - 'A' + 'a');
    else if (e.vk >= '0' && e.vk <= '9' && !shift) ch = static_cast<char16_t>(e.vk);
    else if (e.vk == 0x0D) ch = u'\n';
    else if (e.vk == 0x09) ch = u'\t';
    else {
      for (auto& [symbol, key] : kSymbols) {
        if (key.first == e.vk && (key.second == rt::kShift) == shift) ch = symbol;
      }
    }
    if (ctrl || alt) {
      std::string shortcut;
      if (ctrl) shortcut += 'C';
      if (alt) shortcut += 'A';
      shortcut += static_cast<char>(e.vk);
      shortcuts.push_back(shortcut);
      return;
    }
    if (ch) text.push_back(ch);
  }
  static inline const std::map<char16_t, std::pair<std::uint16_t, int>> kSymbols = {
      {u' ', {0x20, 0}},  {u'!', {'1', rt::kShift}}, {u',', {0xBC, 0}}, {u'.', {0xBE, 0}},
      {u'(', {'9', rt::kShift}}, {u')', {'0', rt::kShift}}, {u'{', {0xDB, rt::kShift}}, {u'[', {0xDB, 0}},
      {u'}', {0xDD, rt::kShift}}, {u']', {0xDD, 0}}, {u'+', {0xBB, rt::kShift}}, {u'~', {0xC0, rt::kShift}},
      {u'%', {'5', rt::kShift}}, {u'^', {'6', rt::kShift}},
  };
};

TEST(KeyTyper, TypesWhatTheNotationSays) {
  const struct {
    const char* keys;
    const char* text;
    const char* shortcuts;
  } cases[] = {
      {"Hello, World!", "Hello, World!", ""},
      {"+ab+(cd)e", "AbCDe", ""},
      {"a~b{TAB}c{ENTER}", "a\nb\tc\n", ""},
      {"{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}", "+^%~(){}[]", ""},
      {"{h 5}", "hhhhh", ""},
      {"^a%f", "", "CA AF"},
      {"^(ab)", "", "CA CB"},
      {"\xC3\xA9t\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    FakeKeyboard keyboard;
    rt::TypeKeys(U(c.keys), keyboard, true);
    EXPECT_EQ(keyboard.text, U(c.text));
    std::string shortcuts;
    for (const auto& s : keyboard.shortcuts) {
      if (!shortcuts.empty()) shortcuts += ' ';
      shortcuts += s;
    }
    EXPECT_EQ(shortcuts, c.shortcuts);
    EXPECT_TRUE(keyboard.down.empty()) << "no key left down";
  }
}

TEST(KeyTyper, CapsLockAndHeldModifiersDoNotChangeTheText) {
  FakeKeyboard keyboard;
  keyboard.caps = true;
  keyboard.physical = {0xA0, 0xA3};  // the user holds left Shift and right Ctrl
  rt::TypeKeys(u"abC", keyboard, false);
  EXPECT_EQ(keyboard.text, u"abC");
  EXPECT_TRUE(keyboard.shortcuts.empty());
  EXPECT_TRUE(keyboard.physical.empty()) << "held modifiers are released first";
  EXPECT_TRUE(keyboard.down.empty());
}

TEST(KeyTyper, InvalidNotationTypesNothing) {
  for (const char* keys : {"abc}", "abc{NOPE}", "ab(c"}) {
    FakeKeyboard keyboard;
    keyboard.physical = {0xA0};
    EXPECT_THROW(rt::TypeKeys(U(keys), keyboard, true), rt::RuntimeError);
    EXPECT_EQ(keyboard.calls, 0) << keys;
  }
}

TEST(KeyTyper, RefusedInputIsAnErrorAndReleasesEveryKey) {
  // Refuse at every point of a script that holds modifiers across a group.
  rt::ustring keys = u"^%(+(xy)z)" + rt::ustring(60, u'Q') + u"+{LEFT 3}";
  FakeKeyboard probe;
  rt::TypeKeys(keys, probe, false);
  for (long cut = 0; cut < probe.injected; ++cut) {
    SCOPED_TRACE(cut);
    FakeKeyboard keyboard;
    keyboard.refuseAt = cut;
    EXPECT_THROW(rt::TypeKeys(keys, keyboard, false), rt::RuntimeError);
    EXPECT_TRUE(keyboard.refused);
    EXPECT_TRUE(keyboard.down.empty()) << "every key pressed is released";
  }
}

TEST(KeyTyper, ATargetThatStopsAnsweringEndsTheSendWithKeysReleased) {
  FakeKeyboard keyboard;
  keyboard.answersUntil = 2;
  rt::ustring keys = u"+(" + rt::ustring(400, u'a') + u")";
  EXPECT_THROW(rt::TypeKeys(keys, keyboard, true), rt::RuntimeError);
  EXPECT_EQ(keyboard.waits, 3) << "no more chunks after it stopped answering";
  EXPECT_TRUE(keyboard.down.empty()) << "Shift released";
  EXPECT_LT(keyboard.text.size(), 400u);
}

TEST(KeyTyper, LongTextGoesOutInPacedChunks) {
  FakeKeyboard keyboard;
  rt::ustring keys;
  for (int i = 0; i < 2000; ++i) keys += static_cast<char16_t>(u'a' + i % 26);
  rt::TypeKeys(keys, keyboard, true);
  EXPECT_EQ(keyboard.text, keys);
  EXPECT_LE(keyboard.maxChunk, rt::kChunkEvents);
  EXPECT_EQ(keyboard.waits, keyboard.calls) << "the target catches up after every chunk";
}

}  // namespace
