// The keys that may type characters: which they are, and that the typer
// asks a layout about exactly those.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

#include "platform/fake/fake_clock.h"
#include "platform/key_typer.h"
#include "platform/virtual_keys.h"

namespace {

TEST(VirtualKeys, OnlyTheMainBlockAndTheKeypadTypeCharacters) {
  const struct {
    const char* name;
    std::uint16_t vk;
    bool types;
  } cases[] = {
      {"Space", rt::kVkSpace, true},
      {"Tab", rt::kVkTab, true},
      {"Enter", rt::kVkReturn, true},
      {"0", '0', true},
      {"Z", 'Z', true},
      {"the key between left Shift and Z", rt::kVkOem102, true},
      {"the first punctuation key", rt::kVkOem1, true},
      {"keypad 7", rt::kVkNumpad0 + 7, true},
      {"keypad /", rt::kVkDivide, true},
      {"Backspace", rt::kVkBack, false},
      {"Esc", rt::kVkEscape, false},
      {"Left", rt::kVkLeft, false},
      {"Delete", rt::kVkDelete, false},
      {"F1", rt::kVkF1, false},
      {"F24", rt::kVkF24, false},
      {"Shift", rt::kVkShift, false},
      {"Ctrl", rt::kVkControl, false},
      {"Alt", rt::kVkMenu, false},
      {"Caps Lock", rt::kVkCapital, false},
      {"right Alt", rt::kVkRMenu, false},
      {"left Win", rt::kVkLWin, false},
      {"the context-menu key", rt::kVkApps, false},
      // The typer's unassigned keys must never type: their presses mark the
      // end of a chunk and mask Alt's release.
      {"the marker", rt::kVkMarker, false},
      {"the mask", rt::kVkMask, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rt::IsCharacterKey(c.vk), c.types);
  }
  for (std::uint16_t vk : rt::kPhysicalModifiers) EXPECT_FALSE(rt::IsCharacterKey(vk)) << vk;
}

// A layout that records which keys it is asked about.
class AskedLayout : public rt::KeyboardTarget {
 public:
  rt::KeyOutput Translate(std::uint16_t vk, bool) override {
    asked.push_back(vk);
    return {};
  }
  std::uint16_t ScanCode(std::uint16_t) override { return 0; }
  bool IsKeyDown(std::uint16_t) override { return false; }
  bool CapsLockOn() override { return false; }
  std::size_t Inject(const std::vector<rt::InputEvent>& events) override { return events.size(); }
  rt::TargetKey ReadKey(std::uint16_t) override { return rt::TargetKey::Unobservable; }
  rt::Clock& Time() override { return clock; }

  rt::fake::FakeClock clock;

  std::vector<std::uint16_t> asked;
};

TEST(VirtualKeys, TheLayoutMapAsksAboutTheCharacterKeysMainBlockFirst) {
  AskedLayout layout;
  rt::LayoutMap map(layout);
  std::set<std::uint16_t> asked(layout.asked.begin(), layout.asked.end());
  std::set<std::uint16_t> characterKeys(rt::kMainCharacterKeys.begin(), rt::kMainCharacterKeys.end());
  characterKeys.insert(rt::kKeypadCharacterKeys.begin(), rt::kKeypadCharacterKeys.end());
  std::vector<std::uint16_t> notCharacterKeys, notAsked;
  std::set_difference(asked.begin(), asked.end(), characterKeys.begin(), characterKeys.end(),
                      std::back_inserter(notCharacterKeys));
  std::set_difference(characterKeys.begin(), characterKeys.end(), asked.begin(), asked.end(),
                      std::back_inserter(notAsked));
  EXPECT_EQ(notCharacterKeys, std::vector<std::uint16_t>{}) << "asked about keys that are not character keys";
  EXPECT_EQ(notAsked, std::vector<std::uint16_t>{}) << "character keys never asked about";
  auto isKeypad = [](std::uint16_t vk) {
    return std::find(rt::kKeypadCharacterKeys.begin(), rt::kKeypadCharacterKeys.end(), vk) !=
           rt::kKeypadCharacterKeys.end();
  };
  auto firstKeypad = std::find_if(layout.asked.begin(), layout.asked.end(), isKeypad);
  EXPECT_TRUE(std::all_of(firstKeypad, layout.asked.end(), isKeypad)) << "a main-block key asked after the keypad";
}

}  // namespace
