// Feeds arbitrary text to the command-line reader and start-up, the key-script
// splitter and the interval conversion. Any input must end in documented
// settings or in the argument error, never in a crash, a hang or an
// inconsistent state.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/errors.h"
#include "platform/fake/fake_platform.h"
#include "platform/numeric.h"
#include "runner/command_line.h"
#include "runner/key_script.h"
#include "strumlet.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Raw UTF-16 units (lone surrogates and NULs included), little-endian.
  rt::ustring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  try {
    std::int16_t value = rt::IntervalConversion(text);
    Check(rt::IsNumeric(text));
    (void)value;
  } catch (const rt::RuntimeError&) {
  }

  try {
    strumlet::SplitScript split = strumlet::SplitKeyScriptText(text);
    Check(split.parts.size() >= 2 && split.parts[0].empty());
    Check(split.pauses.size() + 1 >= split.parts.size());
    std::size_t total = 0;
    for (std::size_t j = 1; j < split.parts.size(); ++j) {
      total += split.parts[j].size();
      if (j + 1 < split.parts.size()) total += split.pauses[j].size() + 2;
    }
    // Joining gives the script back, but for an unclosed last mark.
    Check(total == text.size() || total == text.size() + 1);
  } catch (const rt::RuntimeError&) {
    Check(text.size() > strumlet::kMaxKeyScript);
  }

  if (!text.empty()) {
    strumlet::Arguments args = strumlet::ReadArguments(text);
    Check(args.caption == rt::Trim(args.caption));
  }

  rt::fake::FakeSystem os;
  rt::fake::FakeBackend backend;
  rt::AppInfo info;
  info.title = u"Strumlet";
  info.command = text;
  rt::App app(os, backend, info);
  strumlet::Program program(app);
  program.Start();
  auto boxes = os.Texts("MsgBox");
  strumlet::Form1& f = program.Main();
  if (boxes.empty()) {
    Check(f.Run.KeyParts.has_value());
    Check(f.Run.Counter == rt::IntervalConversion(f.Text3.Text()));
  } else {
    Check(boxes.size() == 1 && f.ArgumentErrorReported());
  }
  Check(f.mOnce.Value() + f.mLoop.Value() + f.mPersist.Value() == 1);
  return 0;
}
