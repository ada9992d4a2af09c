// The rounds in which the X11 keyboard binds characters that no key types to
// spare keycodes: as few as the keycodes allow (each round but the first
// costs a wait until the target has read the keys of the one before), every
// character typed at a level that fits (on the Shift level when the script
// holds Shift), and no keycode changed within a round. No display needed.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "platform/x11/spare_plan.h"

namespace {

using rt::x11::SpareLayout;
using rt::x11::SpareUse;

// The uses of a text: characters inside +(...) are typed with Shift held.
std::vector<SpareUse> Uses(const std::u32string& text) {
  std::vector<SpareUse> uses;
  bool shifted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, U"+(") == 0) {
      shifted = true;
      ++i;
    } else if (text[i] == U')') {
      shifted = false;
    } else {
      uses.push_back({text[i], shifted});
    }
  }
  return uses;
}

struct Typed {
  int rounds = 0;
  int keycodesWritten = 0;
  std::string problem;
};

// Types the uses as the keyboard does: a new round whenever a use does not
// fit what the keycodes hold.
Typed Type(const std::vector<SpareUse>& uses, std::size_t keys) {
  Typed typed;
  SpareLayout now(keys, {0, 0});
  std::size_t roundEnd = 0;
  for (std::size_t i = 0; i < uses.size() && typed.problem.empty(); ++i) {
    auto fits = [&] {
      for (const auto& key : now) {
        if (rt::x11::FittingLevel(key, uses[i].cp, uses[i].shifted) >= 0) return true;
      }
      return false;
    };
    if (fits()) continue;
    if (i < roundEnd) typed.problem = "use " + std::to_string(i) + " does not fit the round that covers it";
    rt::x11::SpareRound round = rt::x11::PlanSpareRound(uses, i, now);
    ++typed.rounds;
    for (std::size_t k = 0; k < keys; ++k) typed.keycodesWritten += round.layout[k] != now[k];
    now = round.layout;
    roundEnd = round.end;
    if (roundEnd <= i || !fits()) typed.problem = "the round for use " + std::to_string(i) + " does not hold it";
  }
  return typed;
}

std::u32string Letters(char32_t first, int count) {
  std::u32string run;
  for (int i = 0; i < count; ++i) run += static_cast<char32_t>(first + static_cast<char32_t>(i));
  return run;
}

TEST(SparePlan, AsFewRoundsAsTheKeycodesAllow) {
  const std::u32string greek = Letters(U'\u03B1', 10), cyrillic = Letters(U'\u0430', 10);
  const struct {
    const char* name;
    std::u32string text;
    std::size_t keys;
    int rounds;
  } cases[] = {
      {"two characters a keycode", greek, 5, 1},
      {"twice the keycodes' room", greek + cyrillic, 5, 2},
      {"under Shift only the Shift level fits", U"+(" + greek + U")", 5, 2},
      {"a Shift character and another share a keycode", U"+(" + Letters(U'\u03B1', 5) + U")" + Letters(U'\u0430', 5), 5, 1},
      {"a character typed with and without Shift", U"\u03B1+(\u03B1)\u03B2+(\u03B2)", 1, 2},
      {"repeats need no new round", greek + greek + greek, 5, 1},
      {"one keycode", U"\u03B1\u03B2\u03B1\u03B2", 1, 1},
      {"more than fits, over and over", greek + cyrillic + greek + cyrillic, 5, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Typed typed = Type(Uses(c.text), c.keys);
    EXPECT_EQ(typed.problem, "");
    EXPECT_EQ(typed.rounds, c.rounds);
  }
}

// Characters the next round needs again stay where they are: their keycodes
// are not written (a write changes what keys still on their way type).
TEST(SparePlan, ARoundRewritesOnlyWhatChanges) {
  // a b c d fill two keycodes; e comes with a b c, which stay.
  const std::u32string text = U"abcd" U"eabc";
  Typed typed = Type(Uses(text), 2);
  EXPECT_EQ(typed.problem, "");
  EXPECT_EQ(typed.rounds, 2);
  EXPECT_EQ(typed.keycodesWritten, 2 + 1);
}

TEST(SparePlan, ALevelLeftEmptyTypesTheOtherLevelsCharacter) {
  rt::x11::SpareRound round = rt::x11::PlanSpareRound(Uses(U"+(\u03B1)"), 0, SpareLayout(2, {0, 0}));
  ASSERT_EQ(round.layout.size(), 2u);
  EXPECT_EQ(round.layout[0][1], U'\u03B1');
  EXPECT_EQ(round.layout[0][0], U'\u03B1') << "never a key that types nothing at one level";
  EXPECT_EQ(round.layout[1][0], 0u);
}

TEST(SparePlan, TheUsesOfAPiece) {
  using rt::InputEvent;
  auto key = [](std::uint16_t vk, bool up) { return InputEvent{false, vk, 0, up, false}; };
  auto unit = [](char16_t u, bool up) { return InputEvent{true, 0, u, up, false}; };
  const std::vector<InputEvent> events = {
      key(rt::kVkLShift, true),  // the user's Shift released first
      unit(u'\u03B1', false), unit(u'\u03B1', true),
      key(rt::kVkShift, false),
      unit(u'\u03B2', false), unit(u'\u03B2', true),
      key(0x41, false), key(0x41, true),
      key(rt::kVkShift, true),
      // 😀 as a surrogate pair
      unit(u'\xD83D', false), unit(u'\xD83D', true), unit(u'\xDE00', false), unit(u'\xDE00', true),
  };
  std::vector<SpareUse> uses = rt::x11::SpareUses(events);
  ASSERT_EQ(uses.size(), 3u);
  EXPECT_EQ(uses[0].cp, U'\u03B1');
  EXPECT_FALSE(uses[0].shifted);
  EXPECT_EQ(uses[1].cp, U'\u03B2');
  EXPECT_TRUE(uses[1].shifted);
  EXPECT_EQ(uses[2].cp, U'\U0001F600');
  EXPECT_FALSE(uses[2].shifted);
}

}  // namespace
