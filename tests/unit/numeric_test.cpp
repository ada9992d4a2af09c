#include <gtest/gtest.h>

#include <optional>

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

}  // namespace
