#include "platform/wildcard.h"

#include "platform/errors.h"

namespace rt {

namespace {

// Matches one character against the pattern element at `p`; sets `next` to
// the position after the element.
bool MatchOne(char16_t c, ustring_view pattern, std::size_t p, std::size_t& next) {
  char16_t e = pattern[p];
  if (e == u'?') {
    next = p + 1;
    return true;
  }
  if (e == u'#') {
    next = p + 1;
    return c >= u'0' && c <= u'9';
  }
  if (e != u'[') {
    next = p + 1;
    return c == e;
  }
  std::size_t close = pattern.find(u']', p + 1);
  if (close == ustring_view::npos) throw RuntimeError(ErrorCode::InvalidCall, "Invalid pattern string");
  next = close + 1;
  std::size_t i = p + 1;
  bool negate = i < close && pattern[i] == u'!';
  if (negate) ++i;
  if (i == close) return negate ? true : false;  // "[]" matches nothing, "[!]" anything
  bool found = false;
  while (i < close) {
    char16_t lo = pattern[i];
    if (i + 2 < close && pattern[i + 1] == u'-') {
      char16_t hi = pattern[i + 2];
      if (hi < lo) throw RuntimeError(ErrorCode::InvalidCall, "Invalid pattern string");
      if (c >= lo && c <= hi) found = true;
      i += 3;
    } else {
      if (c == lo) found = true;
      ++i;
    }
  }
  return found != negate;
}

}  // namespace

bool Like(ustring_view text, ustring_view pattern) {
  // Greedy matching with one backtrack point: the most recent "*".
  std::size_t t = 0, p = 0;
  std::size_t starP = ustring_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = ++p;
      starT = t;
      continue;
    }
    std::size_t next = 0;
    if (p < pattern.size() && MatchOne(text[t], pattern, p, next)) {
      p = next;
      ++t;
      continue;
    }
    if (starP == ustring_view::npos) return false;
    p = starP;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool MatchesEverything(ustring_view pattern) {
  return !pattern.empty() && pattern.find_first_not_of(u'*') == ustring_view::npos;
}

}  // namespace rt
