// Text helpers shared by the whole program. Text is UTF-16 (std::u16string)
// everywhere, as it is in the Windows user interface, so that lengths and
// limits count the same units on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

using ustring = std::u16string;
using ustring_view = std::u16string_view;

// Removes leading and trailing blanks (U+0020), as the interval conversion
// and the command-line reader treat them.
ustring_view TrimView(ustring_view text);
ustring Trim(ustring_view text);

// UTF-16 surrogates: a high one followed by a low one is one character.
constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }
// Whether text[i] and text[i + 1] are a surrogate pair.
constexpr bool IsSurrogatePairAt(ustring_view text, std::size_t i) {
  return i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]);
}

// The character a surrogate pair stands for.
constexpr char32_t CombineSurrogates(char16_t high, char16_t low) {
  return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}
// Appends a character (at most U+10FFFF, no surrogate) as one or two units.
inline void AppendUtf16(ustring& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// Upper case for the ASCII letters only: the mode words are plain ASCII and
// must match the same way whatever the user's locale.
ustring UpperAscii(ustring_view text);

// The first `units` UTF-16 units of a text, one fewer when the cut would
// fall inside a surrogate pair.
ustring CutUnits(ustring_view text, std::size_t units);

// Decimal text of a whole number: no padding, "-" for negatives.
ustring DecimalText(long long value);

// Conversions at the edges of the program (tests, the fuzzer, the Linux
// side). Invalid sequences become U+FFFD.
ustring FromUtf8(std::string_view text);
std::string ToUtf8(ustring_view text);

}  // namespace rt
