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

}  // namespace strumlet::e2e
