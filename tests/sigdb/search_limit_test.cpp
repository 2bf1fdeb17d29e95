#include "sigdb/search_limit.h"

#include <gtest/gtest.h>

namespace vantric {
namespace {

TEST(ParseSearchLimit, AcceptedForms) {
  struct Case {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"0", 0},
      {"1024", 1024},
      {"+7", 7},
      {"-7", -7},
      {"   12", 12},
      {"007", 7},
      {"$400", 1024},
      {"x400", 1024},
      {"X400", 1024},
      {"0x400", 1024},
      {"0XfF", 255},
      {"$0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$000000010", 16},
  };
  for (const Case& c : cases) {
    auto parsed = ParseSearchLimit(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(*parsed, c.value) << c.text;
  }
}

TEST(ParseSearchLimit, RejectedForms) {
  const char* rejected[] = {
      "",    " ",   "abc",  "12 ",        "12abc",       "1 2",        "\t12",
      "+",   "-",   "$",    "0x",         "x",           "-$10",       "+$10",
      "$-1", "$G",  "0x1g", "2147483648", "-2147483649", "$100000000", "99999999999999999999",
      "1.5", "1e3", "--1",
  };
  for (const char* text : rejected) {
    EXPECT_FALSE(ParseSearchLimit(text).has_value()) << '"' << text << '"';
  }
}

TEST(EffectiveSearchLimit, InvalidOrNegativeMeansWholeFile) {
  EXPECT_EQ(EffectiveSearchLimit("$10", 100), 16);
  EXPECT_EQ(EffectiveSearchLimit("500", 100), 500);  // above the size: the matcher skips it
  EXPECT_EQ(EffectiveSearchLimit("0", 100), 0);
  EXPECT_EQ(EffectiveSearchLimit("-1", 100), 100);
  EXPECT_EQ(EffectiveSearchLimit("$FFFFFFFF", 100), 100);
  EXPECT_EQ(EffectiveSearchLimit("letters", 100), 100);
  EXPECT_EQ(EffectiveSearchLimit("", 100), 100);
  EXPECT_EQ(EffectiveSearchLimit("10 ", 100), 100);
}

}  // namespace
}  // namespace vantric
