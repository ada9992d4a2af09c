#include "platform/numeric.h"

#include <charconv>
#include <cmath>
#include <string>

#include "platform/errors.h"

namespace rt {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<double> ParseNumber(ustring_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;

  // Validate the shape by hand, then hand a plain ASCII copy to from_chars,
  // which is locale independent.
  std::string ascii;
  std::size_t i = begin;
  if (i < end && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii.push_back('-');
    ++i;
  }
  std::size_t digits = 0;
  while (i < end && IsDigit(text[i])) {
    ascii.push_back(static_cast<char>(text[i++]));
    ++digits;
  }
  if (i < end && text[i] == u'.') {
    ascii.push_back('.');
    ++i;
    while (i < end && IsDigit(text[i])) {
      ascii.push_back(static_cast<char>(text[i++]));
      ++digits;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < end && (text[i] == u'e' || text[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(static_cast<char>(text[i++]));
    std::size_t expDigits = 0;
    while (i < end && IsDigit(text[i])) {
      ascii.push_back(static_cast<char>(text[i++]));
      ++expDigits;
    }
    if (expDigits == 0) return std::nullopt;
  }
  if (i != end) return std::nullopt;

  double value = 0;
  const char* first = ascii.data();
  const char* last = ascii.data() + ascii.size();
  auto result = std::from_chars(first, last, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Huge exponents overflow to infinity, tiny ones underflow to zero; both
    // are still numbers, and the range check of the caller decides.
    bool negative = !ascii.empty() && ascii[0] == '-';
    std::size_t e = ascii.find('e');
    bool tiny = e != std::string::npos && e + 1 < ascii.size() && ascii[e + 1] == '-';
    value = tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
  } else if (result.ec != std::errc() || result.ptr != last) {
    return std::nullopt;
  }
  return value;
}

bool IsNumeric(ustring_view text) { return ParseNumber(text).has_value(); }

std::int16_t IntervalConversion(ustring_view text) {
  std::optional<double> value = ParseNumber(text);
  if (!value) throw RuntimeError(ErrorCode::TypeMismatch, "Type mismatch");
  // Round half to even, independent of the floating-point rounding mode.
  double v = *value;
  if (!(v > -32769.0 && v < 32768.0)) throw RuntimeError(ErrorCode::Overflow, "Overflow");
  double floor = std::floor(v);
  double diff = v - floor;
  double rounded = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
  if (rounded < -32768.0 || rounded > 32767.0) throw RuntimeError(ErrorCode::Overflow, "Overflow");
  return static_cast<std::int16_t>(rounded);
}

}  // namespace rt
