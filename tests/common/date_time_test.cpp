#include "common/date_time.h"

#include <gtest/gtest.h>

namespace qorn {
namespace {

TEST(DateTime, EpochAndKnownDays) {
  EXPECT_DOUBLE_EQ(*MakeDateTime({1899, 12, 30, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(*MakeDateTime({1900, 1, 1, 0, 0, 0}), 2.0);
  EXPECT_DOUBLE_EQ(*MakeDateTime({2026, 12, 4, 12, 0, 0}), 46360.5);
  EXPECT_FALSE(MakeDateTime({2026, 2, 29, 0, 0, 0}));
  EXPECT_TRUE(MakeDateTime({2024, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(MakeDateTime({2026, 13, 1, 0, 0, 0}));
}

TEST(DateTime, TextForms) {
  struct Case {
    CivilTime civil;
    const char* sql;
    const char* general;
  };
  const Case cases[] = {
      {{2026, 12, 4, 17, 57, 44}, "12/04/2026 05:57:44 PM", "12/4/2026 5:57:44 PM"},
      {{2026, 1, 9, 0, 0, 0}, "01/09/2026 12:00:00 AM", "1/9/2026 12:00:00 AM"},
      {{2026, 1, 9, 12, 0, 5}, "01/09/2026 12:00:05 PM", "1/9/2026 12:00:05 PM"},
      {{2003, 9, 27, 23, 18, 53}, "09/27/2003 11:18:53 PM", "9/27/2003 11:18:53 PM"},
      {{1899, 12, 30, 0, 0, 0}, "12/30/1899 12:00:00 AM", "12/30/1899 12:00:00 AM"},
  };
  for (const Case& c : cases) {
    const DateTime value = *MakeDateTime(c.civil);
    EXPECT_EQ(FormatSqlDateTime(value), c.sql);
    EXPECT_EQ(FormatGeneralDate(value), c.general);
    // Both forms read back to the same second, so lists can sort by them.
    EXPECT_EQ(SecondsBetween(*ParseDateText(c.sql), value), 0) << c.sql;
    EXPECT_EQ(SecondsBetween(*ParseDateText(c.general), value), 0) << c.general;
  }
}

TEST(DateTime, ParseRejectsMalformedText) {
  for (const char* text :
       {"", "12/4/2026 5:57:44", "13/4/2026 1:00:00 PM", "2/30/2026", "12/4/2026 13:00:00 PM",
        "12/4/2026 5:57:44 XM", "x/4/2026", "12/4/2026 5:57:44 PMx"}) {
    EXPECT_FALSE(ParseDateText(text)) << text;
  }
  EXPECT_TRUE(ParseDateText("12/4/2026"));
}

TEST(DateTime, SecondsBetweenIsExactAcrossDays) {
  const DateTime a = *MakeDateTime({2026, 12, 31, 23, 59, 50});
  const DateTime b = *MakeDateTime({2027, 1, 1, 0, 0, 8});
  EXPECT_EQ(SecondsBetween(a, b), 18);
  EXPECT_EQ(SecondsBetween(b, a), -18);
}

}  // namespace
}  // namespace qorn
