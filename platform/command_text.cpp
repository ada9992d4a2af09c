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

ustring JoinedArguments(int argc, const char* const* argv) {
  ustring text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += u' ';
    text += FromUtf8(argv[i]);
  }
  return text;
}

ustring ShellQuoted(ustring_view text) {
  ustring out = u"'";
  for (char16_t c : text) {
    if (c == u'\'') {
      out += u"'\\''";
    } else {
      out += c;
    }
  }
  out += u'\'';
  return out;
}

ustring ShellWord(ustring_view text) {
  auto plain = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           ustring_view(u"/._-+,:@").find(c) != ustring_view::npos;
  };
  bool quiet = !text.empty();
  for (char16_t c : text) quiet = quiet && plain(c);
  return quiet ? ustring(text) : ShellQuoted(text);
}

}  // namespace rt
