#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/numeric.h"
#include "test_support.h"

namespace {

using strumlet::testing::U;

struct ConversionCase {
  const char* text;
  std::optional<int> value;  // nothing: an error
  rt::ErrorCode error = rt::ErrorCode::TypeMismatch;
};

TEST(IntervalConversion, FollowsTheNumberRules) {
  const ConversionCase cases[] = {
      {"20", 20},
      {" 20 ", 20},
      {"5 ", 5},
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {"-3.5", -4},
      {"0.5", 0},
      {"1.5", 2},
      {"2.4999", 2},
      {"2.5001", 3},
      {"1e2", 100},
      {"1E2", 100},
      {"1.5e1", 15},
      {"+7", 7},
      {"-3", -3},
      {"007", 7},
      {".5", 0},
      {"5.", 5},
      {"32767", 32767},
      {"-32768", -32768},
      {"32767.4", 32767},
      {"-32768.5", -32768},
      {"32768", std::nullopt, rt::ErrorCode::Overflow},
      {"32767.5", std::nullopt, rt::ErrorCode::Overflow},
      {"-32769", std::nullopt, rt::ErrorCode::Overflow},
      {"1e5", std::nullopt, rt::ErrorCode::Overflow},
      {"1e999", std::nullopt, rt::ErrorCode::Overflow},
      {"-1e999", std::nullopt, rt::ErrorCode::Overflow},
      {"1e-999", 0},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"5s", std::nullopt},
      {"1,5", std::nullopt},
      {"1 000", std::nullopt},
      {"&H10", std::nullopt},
      {"0x10", std::nullopt},
      {"$5", std::nullopt},
      {"e5", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {".", std::nullopt},
      {"+", std::nullopt},
      {"--5", std::nullopt},
      {"5-", std::nullopt},
      {"\t5", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"\xEF\xBC\x95", std::nullopt},  // fullwidth digit five
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.value) {
      EXPECT_EQ(rt::IntervalConversion(U(c.text)), *c.value);
    } else {
      try {
        rt::IntervalConversion(U(c.text));
        ADD_FAILURE() << "no error";
      } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.Code(), c.error);
      }
    }
  }
}

TEST(IsNumeric, AcceptsWhatTheConversionReadsAsANumber) {
  const struct {
    const char* text;
    bool numeric;
  } cases[] = {
      {"4", true},       {" 2 ", true},  {"1.5", true},  {"-1", true},   {"1e400", true}, {"99999", true},
      {"", false},       {"x", false},   {"LEFT 42", false}, {"a{5", false}, {"1.2.3", false}, {"- 1", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(rt::IsNumeric(U(c.text)), c.numeric);
  }
}

std::string Zeros(int n) { return std::string(static_cast<std::size_t>(n), '0'); }
std::string Nines(int n) { return std::string(static_cast<std::size_t>(n), '9'); }

struct LongCase {
  std::string text;
  std::optional<int> value;  // nothing: Overflow
};

// Texts far longer than a double's digits: the written decimal decides,
// digit for digit, never a floating-point approximation of it.
TEST(IntervalConversion, ReadsDecimalsOfAnyLengthExactly) {
  const LongCase cases[] = {
      {"0." + Zeros(400) + "1", 0},
      {"-0." + Zeros(400) + "1", 0},
      {"1" + Zeros(400) + "e-10", std::nullopt},
      {"-1" + Zeros(400) + "e-10", std::nullopt},
      {"1" + Zeros(400), std::nullopt},
      {"1" + Zeros(400) + "e-400", 1},
      {"5" + Zeros(400) + "e-401", 0},    // 0.5, a tie: to the even 0
      {"15" + Zeros(400) + "e-401", 2},   // 1.5
      {"25" + Zeros(400) + "e-401", 2},   // 2.5
      {"2.5" + Zeros(400), 2},
      {"2.5" + Zeros(400) + "1", 3},
      {"3.5" + Zeros(400), 4},
      {"2.4" + Nines(400), 2},
      {"-2.5" + Zeros(400) + "1", -3},
      {Zeros(400) + "5", 5},
      {Zeros(400) + "32767", 32767},
      {Zeros(400) + "32768", std::nullopt},
      {"32767.4" + Nines(400), 32767},
      {"32767.5" + Zeros(400), std::nullopt},  // the tie goes to 32768
      {"32767.49" + Nines(400), 32767},
      {"-32768.5" + Zeros(400), -32768},       // the tie goes to the even -32768
      {"-32768.5" + Zeros(400) + "1", std::nullopt},
      {"0." + Zeros(400) + "1e402", 10},
      {"." + Zeros(400) + "5e401", 5},
      {"3276" + Zeros(396) + "7e-397", 3276},  // 3276.0...07
      {"32766" + Nines(400) + "e-400", 32767}, // 32766.999...
      {"0e" + Nines(400), 0},
      {"0." + Zeros(400) + "e" + Nines(400), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40) + "... (" + std::to_string(c.text.size()) + " characters)");
    if (c.value) {
      EXPECT_EQ(rt::IntervalConversion(U(c.text.c_str())), *c.value);
    } else {
      try {
        rt::IntervalConversion(U(c.text.c_str()));
        ADD_FAILURE() << "no error";
      } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.Code(), rt::ErrorCode::Overflow);
      }
    }
  }
}

// Exponents written with hundreds of digits, leading zeros included, and
// exponents beyond any machine integer.
TEST(IntervalConversion, ReadsExponentsOfAnyLength) {
  const LongCase cases[] = {
      {"1e" + Zeros(400) + "2", 100},
      {"1e+" + Zeros(400) + "4", 10000},
      {"1e-" + Zeros(400) + "1", 0},
      {"5e-" + Zeros(400) + "0", 5},
      {"1e" + Zeros(400) + "5", std::nullopt},
      {"1e" + Nines(400), std::nullopt},
      {"1e+" + Nines(400), std::nullopt},
      {"-1e" + Nines(400), std::nullopt},
      {"1e-" + Nines(400), 0},
      {"-1e-" + Nines(400), 0},
      {"1e99999999999999999999", std::nullopt},
      {"1e-99999999999999999999", 0},
      {"1" + Zeros(400) + "e-" + Zeros(400) + "399", 10},
      {"0.00001e" + Zeros(300) + "9", 10000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40) + "... (" + std::to_string(c.text.size()) + " characters)");
    if (c.value) {
      EXPECT_EQ(rt::IntervalConversion(U(c.text.c_str())), *c.value);
    } else {
      try {
        rt::IntervalConversion(U(c.text.c_str()));
        ADD_FAILURE() << "no error";
      } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.Code(), rt::ErrorCode::Overflow);
      }
    }
  }
}

TEST(IsNumeric, DoesNotDependOnTheLengthOfTheText) {
  const struct {
    std::string text;
    bool numeric;
  } cases[] = {
      {"0." + Zeros(400) + "1", true},
      {"1" + Zeros(400) + "e-10", true},
      {"1e" + Nines(400), true},
      {" " + Zeros(5000) + " ", true},
      {Zeros(400) + "x", false},
      {"1e" + Nines(400) + ".5", false},
      {"1." + Zeros(400) + ".", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_EQ(rt::IsNumeric(U(c.text.c_str())), c.numeric);
  }
}

}  // namespace
