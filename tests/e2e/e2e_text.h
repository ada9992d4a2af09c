// Small text helpers of the shared scenarios.
#pragma once

#include <string>

namespace strumlet::e2e {

// The text with its line breaks as "\n", whichever way a platform writes
// them ("\r\n" in a Windows control).
inline std::string Lines(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

// Text written in the key notation: its own characters in braces.
inline std::string Notation(const std::string& text) {
  std::string keys;
  for (char c : text) {
    if (std::string("+^%~(){}[]").find(c) != std::string::npos) keys += std::string("{") + c + "}";
    else keys += c;
  }
  return keys;
}

// What the lines of a message box's copy (Ctrl+C, as on Windows: its title,
// text and buttons between rules) say: {title, text, buttons}, each without
// its line break and trailing blanks; the whole copy as the text when it is
// not laid out so.
struct CopiedBox {
  std::string title, text, buttons;
};
inline CopiedBox ParseCopiedBox(const std::string& copy) {
  const std::string rule = "---------------------------\n";
  std::string parts[5];
  std::size_t count = 0, at = 0;
  for (std::size_t next; count < 5 && (next = copy.find(rule, at)) != std::string::npos; at = next + rule.size()) {
    parts[count++] = copy.substr(at, next - at);
  }
  auto line = [](std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  };
  if (count != 4 || !parts[0].empty() || at != copy.size()) return {"", copy, ""};
  return {line(parts[1]), line(parts[2]), line(parts[3])};
}

}  // namespace strumlet::e2e
