#include "runner/key_script.h"

#include "platform/errors.h"
#include "platform/numeric.h"

namespace strumlet {

SplitScript SplitKeyScriptText(rt::ustring_view script) {
  if (script.size() > kMaxKeyScript) throw rt::RuntimeError(rt::ErrorCode::Overflow, "Overflow");
  SplitScript out;
  out.parts.emplace_back();
  out.pauses.emplace_back();

  // Positions are 1-based as in the description of the scan: p names the
  // character w[p - 1]. Cutting the text before a pause mark is done by moving
  // the view's start, so a split stays linear in the length of the script.
  rt::ustring_view w = script;
  std::size_t p = 0;
  while (p < w.size()) {
    ++p;
    if (w[p - 1] != u'{') continue;
    std::size_t s = p - 1;  // characters before the brace
    while (p < w.size() && w[p] != u'}') ++p;
    rt::ustring_view n = w.substr(s + 1, p - (s + 1));
    if (rt::IsNumeric(n)) {
      out.parts.emplace_back(w.substr(0, s));
      std::size_t index = out.parts.size() - 1;
      if (out.pauses.size() < index + 1) out.pauses.resize(index + 1);
      out.pauses[index] = rt::ustring(n);
      std::size_t rest = s + n.size() + 2;  // past the closing brace
      w = rest < w.size() ? w.substr(rest) : rt::ustring_view();
      p = 0;
    }
  }
  out.parts.emplace_back(w);
  return out;
}

}  // namespace strumlet
