// Typing into consoles, which read keys and drop characters that come
// without one, and learning Caps Lock where it cannot be read beforehand.
#include <gtest/gtest.h>

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

// The text in the notation: its own characters in braces.
rt::ustring Notation(const rt::ustring& text) {
  rt::ustring keys;
  for (char16_t c : text) {
    if (rt::ustring(u"+^%~(){}[]").find(c) != rt::ustring::npos) keys += u"{" + rt::ustring(1, c) + u"}";
    else keys.push_back(c);
  }
  return keys;
}

bool IsChord(const rt::InputEvent& e) { return !e.unicode && !e.direct && (e.vk == rt::kVkLControl || e.vk == rt::kVkRMenu); }

TEST(ConsoleTyping, EveryCharacterThatAKeyTypesArrivesOnEveryLayout) {
  // A command line that needs AltGr on German and French keyboards, and
  // characters that are dead keys there. Under a system whose injected
  // chords type nothing (Wine), they are written into the console's input
  // instead; either way in order, behind slow reading.
  const rt::ustring command = u"echo hello (x) [y] {z} @#$=-_.,;:!?'^`\\|~<>file";
  for (const KeyboardLayout* layout : rt::fake::AllLayouts()) {
    for (bool chordsType : {true, false}) {
      SCOPED_TRACE(layout->name + (chordsType ? ", AltGr chords type" : ", AltGr chords type nothing"));
      FakeKeyboard console(*layout);
      console.readsCharacters = false;
      console.altGrChordsType = chordsType;
      console.readPerMs = 1;
      console.caps = true;
      rt::TypeKeys(Notation(command) + u"~", console, true);
      EXPECT_EQ(rt::ToUtf8(console.text), rt::ToUtf8(command + u"\n"));
      EXPECT_EQ(console.dropped, 0);
      EXPECT_TRUE(console.keys.empty()) << "no shortcut: " << console.keys.front();
      bool chords = false;
      for (const rt::InputEvent& e : console.sent) chords = chords || IsChord(e);
      EXPECT_EQ(chords, layout->altGr && chordsType);
      EXPECT_EQ(console.written > 0, layout->altGr) << "the dead keys' characters at least";
      EXPECT_TRUE(console.caps);
      EXPECT_TRUE(console.queue.empty());
      EXPECT_EQ(console.KeysDown(), std::vector<std::string>{});
    }
  }
}

TEST(ConsoleTyping, OnlyConsolesGetChordsAndWhatNoKeyTypesStillGoesAsACharacter) {
  for (bool console : {false, true}) {
    SCOPED_TRACE(console ? "console" : "program window");
    FakeKeyboard keyboard(rt::fake::GermanLayout());
    keyboard.readsCharacters = !console;
    rt::TypeKeys(u"a@\u03A9", keyboard, true);
    bool chords = false;
    int unicode = 0;
    for (const rt::InputEvent& e : keyboard.sent) {
      chords = chords || IsChord(e);
      if (e.unicode && !e.up) ++unicode;
    }
    EXPECT_EQ(chords, console) << "Ctrl+Alt is a shortcut in a program's window";
    EXPECT_EQ(unicode, console ? 1 : 2) << "Omega: no key types it";
    EXPECT_EQ(rt::ToUtf8(keyboard.text), console ? "a@" : "a@\u03A9") << "a console drops it";
  }
}

TEST(ConsoleTyping, ModifiersHeldByTheScriptAreNotMixedIntoAChord) {
  // Shift held over a group: the AltGr character is written (or comes as
  // the character), never as a chord under Shift.
  for (bool chordsType : {true, false}) {
    FakeKeyboard console(rt::fake::GermanLayout());
    console.readsCharacters = false;
    console.altGrChordsType = chordsType;
    rt::TypeKeys(u"+(a@b)", console, true);
    EXPECT_EQ(rt::ToUtf8(console.text), "A@B");
    for (const rt::InputEvent& e : console.sent) EXPECT_FALSE(IsChord(e));
  }
}

TEST(CapsLock, LearnedBySwitchingItWhereItCannotBeRead) {
  for (const KeyboardLayout* layout : rt::fake::AllLayouts()) {
    for (bool on : {true, false}) {
      SCOPED_TRACE(layout->name + (on ? ", Caps Lock on" : ", Caps Lock off"));
      FakeKeyboard keyboard(*layout);
      keyboard.capsLockKnown = false;
      keyboard.caps = on;
      keyboard.Hold(Modifier::LShift);
      rt::TypeKeys(u"Hello World +a 12", keyboard, true);
      EXPECT_EQ(rt::ToUtf8(keyboard.text), "Hello World A 12");
      EXPECT_EQ(keyboard.caps, on) << "as it was";
      int switches = 0;
      for (const rt::InputEvent& e : keyboard.sent) switches += e.vk == rt::kVkCapital && !e.up;
      EXPECT_EQ(switches, 2) << "off and on again, or on to learn and off again";
      EXPECT_EQ(keyboard.KeysDown(), std::vector<std::string>{});
    }
  }
}

TEST(CapsLock, PutBackWhereverARefusalEndsTheSend) {
  const rt::ustring keys = u"+(ab)" + rt::ustring(40, u'q') + u"@";
  for (bool on : {true, false}) {
    FakeKeyboard probe(rt::fake::GermanLayout());
    probe.capsLockKnown = false;
    probe.caps = on;
    rt::TypeKeys(keys, probe, true);
    for (long cut = 0; cut < probe.injected; ++cut) {
      SCOPED_TRACE(std::string(on ? "on" : "off") + ", refused at " + std::to_string(cut));
      FakeKeyboard keyboard(rt::fake::GermanLayout());
      keyboard.capsLockKnown = false;
      keyboard.caps = on;
      keyboard.refuseAt = cut;
      EXPECT_THROW(rt::TypeKeys(keys, keyboard, true), rt::RuntimeError);
      keyboard.Drain();
      EXPECT_EQ(keyboard.caps, on);
      EXPECT_EQ(keyboard.KeysDown(), std::vector<std::string>{});
    }
  }
}

}  // namespace
