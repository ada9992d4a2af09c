// Feeds arbitrary text to the key-notation parser and the typing engine (on
// a recording keyboard). Invalid notation must be an error before anything is
// typed; valid notation must leave no key down, whatever it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>

#include "platform/errors.h"
#include "platform/key_typer.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class RecordingKeyboard : public rt::KeyboardTarget {
 public:
  bool KeyForChar(char16_t ch, std::uint16_t& vk, int& modifiers) override {
    if (ch < 0x20 || ch > 0x7E) return false;
    vk = static_cast<std::uint16_t>(ch);
    modifiers = (ch >= u'A' && ch <= u'Z') ? rt::kShift : 0;
    return true;
  }
  std::uint16_t ScanCode(std::uint16_t vk) override { return vk; }
  bool IsKeyDown(std::uint16_t vk) override { return vk == 0xA0; }
  bool CapsLockOn() override { return false; }
  std::size_t Inject(const std::vector<rt::InputEvent>& events) override {
    ++calls;
    for (const rt::InputEvent& e : events) {
      Check(events.size() <= rt::kChunkEvents || e.up);
      unsigned key = e.unicode ? 0x10000u + e.code : e.vk;
      if (e.up) down.erase(key);
      else down.insert(key);
    }
    return events.size();
  }
  bool WaitForTarget() override { return true; }
  std::set<unsigned> down;
  int calls = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::ustring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  bool parsed = true;
  try {
    std::vector<rt::KeyStroke> strokes = rt::ParseKeys(text);
    // Every modifier held is released again.
    int depth[3] = {};
    for (const rt::KeyStroke& s : strokes) {
      int m = s.vk == rt::kVkShift ? 0 : s.vk == rt::kVkControl ? 1 : 2;
      if (s.kind == rt::KeyStroke::Kind::Hold) ++depth[m];
      if (s.kind == rt::KeyStroke::Kind::Release) Check(--depth[m] >= 0);
    }
    Check(depth[0] == 0 && depth[1] == 0 && depth[2] == 0);
  } catch (const rt::RuntimeError& e) {
    Check(e.Code() == rt::ErrorCode::InvalidCall);
    parsed = false;
  }
  RecordingKeyboard keyboard;
  try {
    rt::TypeKeys(text, keyboard, true);
    Check(parsed);
  } catch (const rt::RuntimeError&) {
    Check(!parsed && keyboard.calls == 0);
  }
  Check(keyboard.down.empty());
  return 0;
}
