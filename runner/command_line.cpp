#include "runner/command_line.h"

namespace strumlet {

Arguments ReadArguments(rt::ustring_view argumentText) {
  Arguments args;
  rt::ustring caption;
  rt::ustring keys;
  rt::ustring interval;
  rt::ustring modeText;
  int field = 1;
  for (std::size_t i = 1; i < argumentText.size(); ++i) {
    char16_t c = argumentText[i];
    if (c == u'/') {
      // Counting stops mattering past field 6; saturate so that any number of
      // "/" cannot overflow.
      if (field < 6) ++field;
      continue;
    }
    switch (field) {
      case 1: caption.push_back(c); break;
      case 2: keys.push_back(c); break;
      case 3: interval.push_back(c); break;
      case 4: modeText.push_back(c); break;
      case 5: args.noTarget = true; break;
      default: break;
    }
  }
  if (field < 3) interval = u"2";

  rt::ustring upper = rt::UpperAscii(modeText);
  if (upper.find(u"LOOP") != rt::ustring::npos) args.mode = RunMode::Loop;
  if (upper.find(u"ONCE") != rt::ustring::npos) args.mode = RunMode::Once;
  if (upper.find(u"PERSIST") != rt::ustring::npos) args.mode = RunMode::Persist;
  if (upper.find(u"NOTARGET") != rt::ustring::npos) args.noTarget = true;

  args.caption = rt::Trim(caption);
  args.keys = rt::Trim(keys);
  args.interval = std::move(interval);
  return args;
}

}  // namespace strumlet
