#include "platform/command_text.h"

namespace rt {

namespace {

bool IsSeparator(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

ustring ArgumentText(ustring_view commandLine) {
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  while (i < n && IsSeparator(commandLine[i])) ++i;
  if (i < n && commandLine[i] == u'"') {
    ++i;
    while (i < n && commandLine[i] != u'"') ++i;
    if (i < n) ++i;  // the closing quote
  } else {
    while (i < n && !IsSeparator(commandLine[i])) ++i;
  }
  if (i < n && IsSeparator(commandLine[i])) ++i;
  return ustring(commandLine.substr(i));
}

}  // namespace rt
