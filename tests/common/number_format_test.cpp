#include "common/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qorn {
namespace {

TEST(NumberMasks, RoundHalvesAwayFromZeroAndGroupThousands) {
  struct Case {
    double value;
    const char* whole;
    const char* twoDecimals;
    const char* shortDecimal;
  };
  const Case cases[] = {
      {0, "0", "0.00", "0"},
      {0.5, "1", "0.50", "0.5"},
      {12.5, "13", "12.50", "12.5"},
      {100, "100", "100.00", "100"},
      {12345.5, "12,346", "12,345.50", "12345.5"},
      {1234.567, "1,235", "1,234.57", "1234.57"},
      {2.5, "3", "2.50", "2.5"},
      {1.005, "1", "1.01", "1.01"},  // as written, not as its binary neighbour
      {2.345, "2", "2.35", "2.35"},
      {99.999, "100", "100.00", "100"},
      {0.004, "0", "0.00", "0"},
      {999999.995, "1,000,000", "1,000,000.00", "1000000"},
      {1234567.891, "1,234,568", "1,234,567.89", "1234567.89"},
      {200.0 / 6, "33", "33.33", "33.33"},
      {-1234.5, "-1,235", "-1,234.50", "-1234.5"},
      {-0.001, "0", "0.00", "0"},
      {2147483647, "2,147,483,647", "2,147,483,647.00", "2147483647"},
      {1e20, "100,000,000,000,000,000,000", "100,000,000,000,000,000,000.00",
       "100000000000000000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatWhole(c.value), c.whole) << c.value;
    EXPECT_EQ(FormatTwoDecimals(c.value), c.twoDecimals) << c.value;
    EXPECT_EQ(FormatShortDecimal(c.value), c.shortDecimal) << c.value;
  }
  EXPECT_EQ(RoundTwoDecimals(1234.567), 1234.57);
  EXPECT_EQ(RoundTwoDecimals(1.005), 1.01);
}

TEST(NumberMasks, Percent) {
  const std::pair<double, const char*> cases[] = {
      {0.0512, "05.12%"},  {1, "100.00%"},      {0.25, "25.00%"},      {0, "00.00%"},
      {3.0 / 7, "42.86%"}, {0.00125, "00.13%"}, {12.3456, "1234.56%"},
  };
  for (const auto& [ratio, text] : cases) EXPECT_EQ(FormatPercent(ratio), text) << ratio;
}

TEST(NumberText, DoublesReadBackExactly) {
  for (double v : {46360.748425925926, 0.1, 1e300, -2.5, 0.0, 5e-324, 123456789.0}) {
    const std::string text = FormatDouble(v);
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    ASSERT_TRUE(ParseDouble(text)) << text;
    EXPECT_EQ(*ParseDouble(text), v) << text;
  }
  EXPECT_EQ(FormatDouble(0.1), "0.1");
  EXPECT_EQ(FormatDouble(46360.5), "46360.5");
}

TEST(NumberText, ParseTakesOnlyWholeNumbers) {
  const std::pair<const char*, double> accepted[] = {
      {"21.5", 21.5},
      {"+7", 7},
      {"-3", -3},
      {".5", 0.5},
      {"5.", 5},
      {"2e1", 20},
      {"1E-2", 0.01},
      // Below the smallest double is zero, as strtod has it.
      {"1e-999", 0},
      {"-1e-400", 0},
      {"0.0000000000000000000000000000000000000000000000000000000000000"
       "00000000000000000000000000000000000000000000000000000000000000"
       "00000000000000000000000000000000000000000000000000000000000000"
       "00000000000000000000000000000000000000000000000000000000000000"
       "00000000000000000000000000000000000000000000000000000000000000"
       "0000000000000000000000000000000000000000000000000000000000001",
       0},
      {"100000e-99999999999999999999", 0},
  };
  for (const auto& [text, value] : accepted) {
    ASSERT_TRUE(ParseDouble(text)) << text;
    EXPECT_EQ(*ParseDouble(text), value) << text;
  }
  for (const char* text : {"", "21,5", " 1", "1 ", "1e", "abc", "inf", "-nan", "0x10", ".", "+",
                           "--1", "1e999", "0.001e99999999999999999999", "1000e306"}) {
    EXPECT_FALSE(ParseDouble(text)) << text;
  }
  EXPECT_EQ(ParseInt("-42"), -42);
  EXPECT_EQ(ParseInt("+42"), 42);
  EXPECT_EQ(ParseInt("9223372036854775807"), std::numeric_limits<int64_t>::max());
  for (const char* text : {"", "4.2", "1,000", "9223372036854775808", "x"}) {
    EXPECT_FALSE(ParseInt(text)) << text;
  }
}

TEST(NumberText, ShownNumbersReadBack) {
  const std::pair<const char*, double> accepted[] = {
      {"1,234.50", 1234.5}, {"12,346", 12346},     {"33.33", 33.33},
      {"-7", -7},           {"1,000,000.00", 1e6}, {"900", 900},
  };
  for (const auto& [text, value] : accepted) {
    ASSERT_TRUE(ParseShownNumber(text)) << text;
    EXPECT_EQ(*ParseShownNumber(text), value) << text;
  }
  for (const char* text : {",5", "1,", "1.2,3", "05.12%", "", "1,,2", "a,b"}) {
    EXPECT_FALSE(ParseShownNumber(text)) << text;
  }
  for (double v : {1234.567, 0.5, 1e9 + 0.25}) {
    EXPECT_EQ(*ParseShownNumber(FormatTwoDecimals(v)), RoundTwoDecimals(v)) << v;
  }
}

TEST(NumberFormat, RoundHalfEvenGoesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(3.4999), 3);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(437.0), 437);
}

}  // namespace
}  // namespace qorn
