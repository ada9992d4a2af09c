#include "platform/numeric.h"

#include <optional>
#include <string>

#include "platform/errors.h"

namespace rt {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A number text taken apart: its value is
//   (negative ? -1 : 1) * 0.<digits> * 10^exponent
// where digits has neither leading nor trailing zeros (empty for zero).
struct Decimal {
  bool negative = false;
  std::string digits;
  long long exponent = 0;
};

// Exponents are accumulated up to this size and then held there: a text
// cannot hold enough digits for its point position to come near it, so the
// held value still says on which side of the 16-bit range the number lies.
constexpr long long kExponentLimit = 1'000'000'000'000'000LL;

std::optional<Decimal> ReadDecimal(ustring_view text) {
  text = TrimView(text);
  std::size_t begin = 0;
  std::size_t end = text.size();

  Decimal d;
  std::size_t i = begin;
  if (i < end && (text[i] == u'+' || text[i] == u'-')) d.negative = text[i++] == u'-';

  std::string mantissa;  // all digits, the point left out
  long long intDigits = 0;
  while (i < end && IsDigit(text[i])) {
    mantissa.push_back(static_cast<char>(text[i++]));
    ++intDigits;
  }
  if (i < end && text[i] == u'.') {
    ++i;
    while (i < end && IsDigit(text[i])) mantissa.push_back(static_cast<char>(text[i++]));
  }
  if (mantissa.empty()) return std::nullopt;

  long long exponent = 0;
  if (i < end && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) negativeExponent = text[i++] == u'-';
    std::size_t expDigits = 0;
    while (i < end && IsDigit(text[i])) {
      if (exponent < kExponentLimit) exponent = exponent * 10 + (text[i] - u'0');
      ++i;
      ++expDigits;
    }
    if (expDigits == 0) return std::nullopt;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != end) return std::nullopt;

  std::size_t first = mantissa.find_first_not_of('0');
  if (first == std::string::npos) return d;  // zero, whatever its exponent
  std::size_t last = mantissa.find_last_not_of('0');
  d.digits = mantissa.substr(first, last - first + 1);
  d.exponent = intDigits - static_cast<long long>(first) + exponent;
  return d;
}

[[noreturn]] void ThrowOverflow() { throw RuntimeError(ErrorCode::Overflow, "Overflow"); }

}  // namespace

bool IsNumeric(ustring_view text) { return ReadDecimal(text).has_value(); }

std::int16_t IntervalConversion(ustring_view text) {
  std::optional<Decimal> d = ReadDecimal(text);
  if (!d) throw RuntimeError(ErrorCode::TypeMismatch, "Type mismatch");
  if (d->digits.empty()) return 0;
  // 0.<digits> * 10^exponent is at least 10^(exponent-1): with an exponent
  // above 5 it is 10^5 or more, far outside the range; below 0 it is less
  // than 0.1 and rounds to zero.
  if (d->exponent > 5) ThrowOverflow();
  if (d->exponent < 0) return 0;

  const std::size_t point = static_cast<std::size_t>(d->exponent);
  long magnitude = 0;
  for (std::size_t k = 0; k < point; ++k) magnitude = magnitude * 10 + (k < d->digits.size() ? d->digits[k] - '0' : 0);
  if (point < d->digits.size()) {
    // The fraction is exact: its first digit against 5, then whether any
    // digit follows (trailing zeros are gone, so any digit is non-zero).
    char firstFraction = d->digits[point];
    bool more = point + 1 < d->digits.size();
    bool up = firstFraction > '5' || (firstFraction == '5' && (more || magnitude % 2 != 0));
    if (up) ++magnitude;
  }
  long value = d->negative ? -magnitude : magnitude;
  if (value < -32768 || value > 32767) ThrowOverflow();
  return static_cast<std::int16_t>(value);
}

}  // namespace rt
