#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/errors.h"
#include "platform/fake/fake_keyboard.h"
#include "platform/key_typer.h"
#include "test_support.h"

namespace {

using rt::fake::FakeKeyboard;
using rt::fake::KeyboardLayout;
using rt::fake::Modifier;
using strumlet::testing::U;

std::string Joined(const std::vector<std::string>& items) {
  std::string all;
  for (const std::string& s : items) all += (all.empty() ? "" : " ") + s;
  return all;
}

// Every printable ASCII character, written in the notation (the notation's
// own characters in braces).
rt::ustring AsciiNotation(rt::ustring* plain) {
  rt::ustring keys;
  for (char16_t c = 0x20; c < 0x7F; ++c) {
    plain->push_back(c);
    if (rt::ustring(u"+^%~(){}[]").find(c) != rt::ustring::npos) keys += u"{" + rt::ustring(1, c) + u"}";
    else keys.push_back(c);
  }
  return keys;
}

// After a send the target has read everything, and nothing is held down.
void ExpectCleanEnd(FakeKeyboard& keyboard) {
  EXPECT_TRUE(keyboard.queue.empty()) << keyboard.queue.size() << " events still on their way";
  EXPECT_EQ(Joined(keyboard.KeysDown()), "") << "keys left down";
  EXPECT_EQ(keyboard.menusOpened, 0);
}

TEST(KeyTyper, TypesWhatTheNotationSaysOnEveryLayout) {
  rt::ustring ascii;
  rt::ustring asciiKeys = AsciiNotation(&ascii);
  const struct {
    rt::ustring keys;
    rt::ustring text;
    const char* named;
  } cases[] = {
      {u"Hello, World!", u"Hello, World!", ""},
      {u"+ab+(cd)e", u"AbCDe", ""},
      {u"a~b{TAB}c{ENTER}", u"a\nb\tc\n", ""},
      {u"{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}", u"+^%~(){}[]", ""},
      {u"{h 5}", u"hhhhh", ""},
      {u"^a%f", u"", "Ctrl+A Alt+F"},
      {u"^(ab)", u"", "Ctrl+A Ctrl+B"},
      {u"+{F10}{LEFT 3}{BS}", u"", "Shift+F10 Left Left Left Backspace"},
      {asciiKeys, ascii, ""},
      // Characters that are dead keys on some layouts arrive alone.
      {u"{^}e `a \u00B4e \u00A8u {~}n", u"^e `a \u00B4e \u00A8u ~n", ""},
      {u"\u00E4\u00F6\u00FC\u00DF \u00E9\u00E8\u00E7\u00E0\u00F9 \u20AC\u00B5\u00B2\u00A7\u00B0\u00A3",
       u"\u00E4\u00F6\u00FC\u00DF \u00E9\u00E8\u00E7\u00E0\u00F9 \u20AC\u00B5\u00B2\u00A7\u00B0\u00A3", ""},
      {u"\u65E5\u672C \U0001F600 \u03A9", u"\u65E5\u672C \U0001F600 \u03A9", ""},
  };
  for (const KeyboardLayout* layout : rt::fake::AllLayouts()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(layout->name + ": " + rt::ToUtf8(c.keys));
      FakeKeyboard keyboard(*layout);
      rt::TypeKeys(c.keys, keyboard, true);
      EXPECT_EQ(rt::ToUtf8(keyboard.text), rt::ToUtf8(c.text));
      EXPECT_EQ(Joined(keyboard.keys), c.named);
      ExpectCleanEnd(keyboard);
    }
  }
}

TEST(KeyTyper, ATargetThatReadsOnlyKeysGetsEveryCharacterThatAKeyTypes) {
  // A console drops character input: whatever its layout types with at most
  // Shift must come as keys.
  const struct {
    const KeyboardLayout* layout;
    const char* text;
  } cases[] = {
      {&rt::fake::UsLayout(), "echo (x) & [y] {z} 'a' \"b\" <c> |d| ~e `f\\ @#$%^*_+=-;:,./?!"},
      {&rt::fake::GermanLayout(), "echo (x) & \u00E4\u00F6\u00FC\u00DF # ' \u00A7 \u00B0 +*-_.:,; \"q\" /?!=<>"},
      {&rt::fake::FrenchLayout(), "echo (x) & \u00E9\u00E8\u00E7\u00E0\u00F9 12 \u00B2 $\u00A3 *\u00B5 %!\u00A7 :/;. ,? <> =+ -_"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout->name);
    FakeKeyboard console(*c.layout);
    console.readsCharacters = false;
    rt::ustring text = U(c.text);
    rt::ustring keys;
    for (char16_t ch : text) {
      if (rt::ustring(u"+^%~(){}[]").find(ch) != rt::ustring::npos) keys += u"{" + rt::ustring(1, ch) + u"}";
      else keys.push_back(ch);
    }
    rt::TypeKeys(keys, console, true);
    EXPECT_EQ(rt::ToUtf8(console.text), c.text);
    EXPECT_EQ(console.dropped, 0);
    ExpectCleanEnd(console);
  }
}

TEST(KeyTyper, CapsLockLeavesTheTextAsWrittenAndStaysOn) {
  for (const KeyboardLayout* layout : rt::fake::AllLayouts()) {
    SCOPED_TRACE(layout->name);
    FakeKeyboard keyboard(*layout);
    keyboard.caps = true;
    rt::TypeKeys(u"Hello World abc XYZ +a +(bc) 12 \u00E9\u00E4", keyboard, true);
    EXPECT_EQ(rt::ToUtf8(keyboard.text), "Hello World abc XYZ A BC 12 \u00E9\u00E4");
    EXPECT_TRUE(keyboard.caps) << "Caps Lock is on again";
    ExpectCleanEnd(keyboard);
  }
}

TEST(KeyTyper, HeldModifiersAreReleasedAsTheKeysTheyAreWithoutOpeningMenus) {
  const struct {
    const char* name;
    std::vector<Modifier> held;
  } cases[] = {
      {"left Shift", {Modifier::LShift}},   {"right Shift", {Modifier::RShift}},
      {"left Ctrl", {Modifier::LCtrl}},     {"right Ctrl", {Modifier::RCtrl}},
      {"left Alt", {Modifier::LAlt}},       {"right Alt (AltGr)", {Modifier::RAlt}},
      {"left Win", {Modifier::LWin}},       {"right Win", {Modifier::RWin}},
      {"Shift and AltGr", {Modifier::LShift, Modifier::RAlt}},
      {"everything", {Modifier::LShift, Modifier::RShift, Modifier::LCtrl, Modifier::RCtrl, Modifier::LAlt,
                      Modifier::RAlt, Modifier::LWin, Modifier::RWin}},
  };
  for (const KeyboardLayout* layout : rt::fake::AllLayouts()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(layout->name + ", holding " + c.name);
      FakeKeyboard keyboard(*layout);
      for (Modifier m : c.held) keyboard.Hold(m);
      rt::TypeKeys(u"abc 1", keyboard, true);
      EXPECT_EQ(rt::ToUtf8(keyboard.text), "abc 1");
      EXPECT_EQ(Joined(keyboard.keys), "") << "no shortcuts";
      ExpectCleanEnd(keyboard);
      for (const rt::InputEvent& e : keyboard.sent) {
        bool modifier = (e.vk >= 0xA0 && e.vk <= 0xA5) || e.vk == 0x5B || e.vk == 0x5C;
        EXPECT_FALSE(modifier && !e.up) << "a held key pressed again: vk " << e.vk;
      }
    }
  }
}

TEST(KeyTyper, InvalidNotationTypesNothing) {
  for (const char* keys : {"abc}", "abc{NOPE}", "ab(c", "++a"}) {
    FakeKeyboard keyboard;
    keyboard.Hold(Modifier::LShift);
    keyboard.caps = true;
    EXPECT_THROW(rt::TypeKeys(U(keys), keyboard, true), rt::RuntimeError) << keys;
    EXPECT_EQ(keyboard.injectCalls, 0) << keys;
  }
}

TEST(KeyTyper, RefusedInputIsAnErrorThatReleasesEveryKeyAndRestoresCapsLock) {
  // Refuse at every point of a script that holds modifiers across a group,
  // with Caps Lock on and the user holding right Alt.
  rt::ustring keys = u"^%(+(xy)z)" + rt::ustring(60, u'Q') + u"+{LEFT 3}\u00E9";
  FakeKeyboard probe(rt::fake::GermanLayout());
  probe.caps = true;
  probe.Hold(Modifier::RAlt);
  rt::TypeKeys(keys, probe, true);
  ASSERT_GT(probe.injected, 80);
  for (long cut = 0; cut < probe.injected; ++cut) {
    SCOPED_TRACE(cut);
    FakeKeyboard keyboard(rt::fake::GermanLayout());
    keyboard.caps = true;
    keyboard.Hold(Modifier::RAlt);
    keyboard.refuseAt = cut;
    EXPECT_THROW(rt::TypeKeys(keys, keyboard, true), rt::RuntimeError);
    EXPECT_TRUE(keyboard.refused);
    keyboard.Drain();
    EXPECT_EQ(Joined(keyboard.KeysDown()), "") << "every key pressed is released";
    EXPECT_TRUE(keyboard.caps) << "Caps Lock restored";
  }
}

TEST(KeyTyper, ATargetThatStopsReadingOrVanishesEndsTheSendWithinItsLimit) {
  const struct {
    const char* name;
    bool hung;
    long goneAfter;
  } cases[] = {
      {"hung from the start", true, -1},
      {"vanishes mid-send", false, 150},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeKeyboard keyboard;
    keyboard.caps = true;
    keyboard.hung = c.hung;
    keyboard.goneAfterReading = c.goneAfter;
    rt::ustring keys = u"+(" + rt::ustring(400, u'a') + u")";
    EXPECT_THROW(rt::TypeKeys(keys, keyboard, true), rt::RuntimeError);
    EXPECT_LE(keyboard.clock.NowMs(), rt::kDeliveryLimitMs + 10) << "bounded";
    EXPECT_LT(keyboard.injected, 150 + 2 * static_cast<long>(rt::kChunkEvents)) << "no more chunks once the target stopped";
    if (c.hung) {
      EXPECT_GE(keyboard.clock.NowMs(), rt::kDeliveryLimitMs) << "a hung target is given its full time";
      keyboard.hung = false;
      keyboard.Drain();
      EXPECT_EQ(Joined(keyboard.KeysDown()), "") << "Shift released once it reads again";
      EXPECT_TRUE(keyboard.caps);
    }
  }
}

TEST(KeyTyper, ASendIsOverOnlyWhenTheTargetHasReadEveryKey) {
  const struct {
    const char* name;
    int readPerMs;
    bool markerLeftDown;  // a press of the marker key read before the send
    bool altHeld;         // the user holds Alt: its release is masked first
  } cases[] = {
      {"fast target", 50, false, false},
      {"slow target", 1, false, false},
      {"marker state left down", 1, true, false},
      {"slow target, Alt held", 1, false, true},
  };
  for (const auto& c : cases) {
    // Long, and short enough for one chunk; on a system that holds few
    // events, and on one that holds many.
    for (int length : {2000, 3}) {
    for (std::size_t holds : {rt::kChunkEvents, std::size_t{600}}) {
    rt::ustring keys;
    for (int i = 0; i < length; ++i) keys += static_cast<char16_t>(u'a' + i % 26);
    SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(length) + " keys, chunks of " + std::to_string(holds));
    FakeKeyboard keyboard;
    keyboard.chunkEvents = holds;
    keyboard.readPerMs = c.readPerMs;
    if (c.altHeld) keyboard.Hold(Modifier::LAlt);
    if (c.markerLeftDown) {
      keyboard.Inject({{false, rt::kVkMarker, 0, false, false}});
      keyboard.Drain();
    }
    rt::TypeKeys(keys, keyboard, true);
    EXPECT_TRUE(keyboard.queue.empty()) << keyboard.queue.size() << " events in flight";
    EXPECT_EQ(keyboard.text, keys);
    EXPECT_LE(keyboard.maxChunk, holds);
    if (length > 1000) {
      EXPECT_GT(keyboard.maxChunk, holds / 2) << "chunks as large as the system holds";
    }
    }
    }
  }
}

TEST(KeyTyper, KeysGoOnlyWhereTheSendBegan) {
  const rt::KeyFocus kDialog{3, FakeKeyboard::kTargetProgram};
  const rt::KeyFocus kNowhere{0, 0};
  const struct {
    const char* name;
    long movesAfter;     // the focus moves after the target has read that many events
    rt::KeyFocus to;
    long backAfterMs;    // and comes back that long after
    long goneAfter;      // the target closes after reading that many events
    bool completes;
  } cases[] = {
      {"another program takes the focus", 300, {2, 2}, -1, -1, false},
      {"the target closes (its own exit~)", -1, {2, 2}, -1, 300, false},
      {"a dialog the keys opened takes the focus", 300, kDialog, -1, -1, true},
      {"the focus passes through nothing and comes back", 300, kNowhere, 400, -1, true},
      {"another program keeps the focus past the grace time", 300, {2, 2}, 1500, -1, false},
  };
  for (std::size_t chunk : {rt::kChunkEvents, std::size_t{80}}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", chunks of " + std::to_string(chunk));
      FakeKeyboard keyboard;
      keyboard.chunkEvents = chunk;
      keyboard.deliveryEvents = chunk == 80 ? 1024 : 0;  // X11 proves reading seldom
      keyboard.caps = true;
      keyboard.focusMovesAfterReading = c.movesAfter;
      keyboard.movedTo = c.to;
      keyboard.focusBackAfterMs = c.backAfterMs;
      keyboard.goneAfterReading = c.goneAfter;
      rt::ustring keys;
      for (int i = 0; i < 1200; ++i) keys += (i % 7 == 3) ? rt::ustring(u"+(x)") : rt::ustring(1, u'a' + i % 26);
      if (c.completes) {
        rt::TypeKeys(keys, keyboard, true);
        EXPECT_EQ(keyboard.strayText, u"") << "nothing sent while the focus was away";
        EXPECT_EQ(keyboard.text.size(), 1200u);
      } else {
        EXPECT_THROW(rt::TypeKeys(keys, keyboard, true), rt::RuntimeError);
        keyboard.Drain();
        // A chunk that went out just as the focus left is all that strays.
        EXPECT_LE(keyboard.strayText.size(), chunk / 2) << rt::ToUtf8(keyboard.strayText);
        EXPECT_EQ(Joined(keyboard.strayKeys), "") << "no named key strays";
        EXPECT_EQ(Joined(keyboard.KeysDown()), "") << "every key released";
        EXPECT_TRUE(keyboard.caps) << "Caps Lock on again";
        EXPECT_LT(keyboard.text.size(), 1200u);
      }
    }
  }
}

TEST(KeyTyper, ChunksEndBetweenStrokes) {
  // Each injection other than the marker's ends with no key down but
  // modifiers, so that a wait never starts with a key held (the server
  // would repeat it).
  const rt::ustring scripts[] = {
      u"Hello World! +(shifted group) ^c %f {LEFT 5}{F4} äß€ 😀 x",
      u"+(" + rt::ustring(200, u'q') + u")" + rt::ustring(100, u'@'),
  };
  for (const KeyboardLayout* layout : rt::fake::AllLayouts()) {
    for (const rt::ustring& script : scripts) {
      for (std::size_t chunk : {std::size_t{1}, std::size_t{5}, std::size_t{7}, rt::kChunkEvents}) {
        SCOPED_TRACE(layout->name + ", chunks of " + std::to_string(chunk) + ": " + rt::ToUtf8(script));
        FakeKeyboard keyboard(*layout);
        keyboard.chunkEvents = chunk;
        keyboard.caps = true;
        rt::TypeKeys(script, keyboard, true);
        std::size_t at = 0;
        for (std::size_t size : keyboard.chunks) {
          std::vector<std::uint16_t> down;
          for (std::size_t i = 0; i < at + size; ++i) {
            const rt::InputEvent& e = keyboard.sent[i];
            bool modifier = !e.unicode && (rt::ModifierBitOf(e.vk) || e.vk == rt::kVkLShift || e.vk == rt::kVkRShift ||
                                           e.vk == rt::kVkLControl || e.vk == rt::kVkRControl ||
                                           e.vk == rt::kVkLMenu || e.vk == rt::kVkRMenu);
            if (modifier || e.vk == rt::kVkMarker) continue;
            std::uint16_t id = e.unicode ? e.code : e.vk;
            auto it = std::find(down.begin(), down.end(), id);
            if (e.up && it != down.end()) down.erase(it);
            if (!e.up && it == down.end()) down.push_back(id);
          }
          EXPECT_TRUE(down.empty()) << "a chunk ending at event " << at + size << " leaves a key down";
          at += size;
        }
        EXPECT_EQ(at, keyboard.sent.size());
      }
    }
  }
}

TEST(KeyTyper, ATargetWhoseInputCannotBeReadStillGetsEverything) {
  FakeKeyboard keyboard;
  keyboard.observable = false;
  rt::TypeKeys(u"+(ab)cd{TAB}", keyboard, true);
  EXPECT_EQ(keyboard.clock.NowMs(), 0u) << "nothing to wait for";
  keyboard.Drain();
  EXPECT_EQ(keyboard.text, u"ABcd\t");
  EXPECT_EQ(Joined(keyboard.KeysDown()), "");
}

TEST(LayoutMap, FindsKeysAsTheLayoutAnswersAndSkipsDeadKeys) {
  const struct {
    const KeyboardLayout* layout;
    char16_t ch;
    bool found;
    std::uint16_t vk;
    bool shift;
  } cases[] = {
      {&rt::fake::UsLayout(), u'(', true, '9', true},
      {&rt::fake::UsLayout(), u'+', true, 0xBB, true},  // the main block before the keypad
      {&rt::fake::UsLayout(), u'~', true, 0xC0, true},
      {&rt::fake::GermanLayout(), u'z', true, 'Z', false},
      {&rt::fake::GermanLayout(), u'@', false, 0, false},  // AltGr only
      {&rt::fake::GermanLayout(), u'^', false, 0, false},  // a dead key
      {&rt::fake::GermanLayout(), u'`', false, 0, false},  // a dead key with Shift
      {&rt::fake::GermanLayout(), u'\u00B0', true, 0xDC, true},  // the dead key's Shift level is not dead
      {&rt::fake::FrenchLayout(), u'1', true, '1', true},
      {&rt::fake::FrenchLayout(), u'a', true, 'A', false},
      {&rt::fake::FrenchLayout(), u'\u00A8', false, 0, false},
      {&rt::fake::FrenchLayout(), u'\u00E9', true, '2', false},
      {&rt::fake::FrenchLayout(), u'\u20AC', false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout->name + " " + rt::ToUtf8(rt::ustring(1, c.ch)));
    FakeKeyboard keyboard(*c.layout);
    rt::LayoutMap map(keyboard);
    rt::LayoutMap::Key key;
    ASSERT_EQ(map.Find(c.ch, key), c.found);
    if (c.found) {
      EXPECT_EQ(key.vk, c.vk);
      EXPECT_EQ(key.shift, c.shift);
    }
  }
}

}  // namespace
