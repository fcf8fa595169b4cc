#include "common/event_timer.h"

#include <gtest/gtest.h>

#include <utility>

namespace qorn {
namespace {

TEST(ParseEventTimer, AcceptsNumbersInRangeRoundingHalvesToEven) {
  const std::pair<const char*, int> accepted[] = {
      {"45", 45}, {"18", 18},   {" 30 ", 30},       {"-31999", -31999},
      {"0", 0},   {"20.5", 20}, {"21.5", 22},       {"2e1", 20},
      {"+7", 7},  {".5", 0},    {"31999.4", 31999}, {"1e-999", 0},
  };
  for (const auto& [text, value] : accepted) {
    const auto timer = ParseEventTimer(text);
    ASSERT_TRUE(timer) << text;
    EXPECT_EQ(*timer, value) << text;
  }
  for (const char* text :
       {"abc", "", "32000", "-32000", "1e5", "12s", "0x10", "inf", "nan", ".", "1e999"}) {
    EXPECT_FALSE(ParseEventTimer(text)) << text;
  }
}

TEST(EventTimerText, AsTheTimerBoxWritesItsItems) {
  const std::pair<int, const char*> cases[] = {
      {18, "00:00:18"}, {300, "00:05:00"}, {0, "00:00:00"}, {31999, "08:53:19"}, {-45, "-00:00:45"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(EventTimerText(seconds), text) << seconds;
}

}  // namespace
}  // namespace qorn
