#include "parse/log_time.h"

#include <gtest/gtest.h>

namespace qorn {
namespace {

TEST(ConvertLogTime, ReadsTheStamp) {
  struct Case {
    const char* line;
    CivilTime expected;
  };
  const Case cases[] = {
      {"[Xyz Dec 04 23:59:59 2026] anything", {2026, 12, 4, 23, 59, 59}},  // weekday not read
      {"[Fri Jan 01 00:00:00 2027] ", {2027, 1, 1, 0, 0, 0}},
      {"[Sat Sep 27 13:18:53 2003]", {2003, 9, 27, 13, 18, 53}},
      {"[Mon Feb 29 01:02:03 2024] leap day", {2024, 2, 29, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    const auto value = ConvertLogTime(c.line);
    ASSERT_TRUE(value) << c.line;
    EXPECT_DOUBLE_EQ(*value, *MakeDateTime(c.expected)) << c.line;
  }
}

TEST(ConvertLogTime, UnreadableStampsGiveNothing) {
  for (const char* line : {
           "",
           "[Fri Dec 04 23:59",             // cut short
           "[Fri dec 04 23:59:59 2026] x",  // month is case-sensitive
           "[Fri Dez 04 23:59:59 2026] x",  // unknown month
           "[Fri Dec 4  23:59:59 2026] x",  // non-digit day
           "[Fri Dec 04 2a:59:59 2026] x",  // non-digit hour
           "[Fri Dec 04 23:59:59 20x6] x",  // non-digit year
           "[Thu Feb 30 10:00:00 2026] x",  // no such date
           "[Mon Nov 31 10:00:00 2026] x",  // no such date
           "[Fri Dec 04 99:99:99 2026] x",  // no such time
           "[Fri Dec 04 24:00:00 2026] x",  // the next day's midnight is 00:00:00
           "[Fri Dec 04 23:60:00 2026] x",
           "[Fri Dec 04 23:59:60 2026] x",
       }) {
    EXPECT_FALSE(ConvertLogTime(line)) << line;
  }
}

}  // namespace
}  // namespace qorn
