// Feeds arbitrary text to the key-notation parser and the typing engine (on
// the test keyboards, with Caps Lock and a held modifier chosen by the
// input). Invalid notation must be an error before anything is typed; valid
// notation must leave no key down and Caps Lock as it was, whatever it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/fake/fake_keyboard.h"
#include "platform/key_typer.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the layout, Caps Lock and a modifier the user holds.
  std::uint8_t setup = data[0];
  ++data;
  --size;
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
  auto layouts = rt::fake::AllLayouts();
  rt::fake::FakeKeyboard keyboard(*layouts[setup % layouts.size()]);
  bool caps = (setup & 0x10) != 0;
  keyboard.caps = caps;
  keyboard.readPerMs = 1 + (setup >> 6);
  if (setup & 0x20) keyboard.Hold(static_cast<rt::fake::Modifier>((setup >> 1) % 8));
  const std::vector<std::string> held = keyboard.KeysDown();
  bool scriptTogglesCaps = false;
  for (std::size_t i = 0; i + 9 <= text.size(); ++i) {
    rt::ustring word = rt::UpperAscii(text.substr(i, 9));
    if (word == u"{CAPSLOCK") scriptTogglesCaps = true;
  }
  try {
    rt::TypeKeys(text, keyboard, true);
    Check(parsed);
    Check(keyboard.queue.empty());
  } catch (const rt::RuntimeError&) {
    Check(!parsed && keyboard.injectCalls == 0);
  }
  keyboard.Drain();
  // After a send nothing is down; after invalid notation, only what the user
  // holds.
  Check(parsed ? keyboard.KeysDown().empty() : keyboard.KeysDown() == held);
  if (!scriptTogglesCaps) Check(keyboard.caps == caps);
  return 0;
}
