#include "parse/byte_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace qorn {
namespace {

// The SIMD scans against the plain ones over texts where the needle stands at
// every offset, at the end, cut off at the end, and where only some of the
// bytes that the scan filters on agree.
TEST(ByteScanTest, FindTextAgreesWithFind) {
  const std::string_view needles[] = {"ab",      "abc",     "has taken",           "'Attacking",
                                      "Master.", " tells ", "of non-melee damage."};
  for (std::string_view needle : needles) {
    for (size_t anchor : {size_t{0}, size_t{1}, needle.size() - 1}) {
      for (size_t offset = 0; offset < 70; ++offset) {
        std::string text(offset, 'x');
        // Near misses: first and last byte right, middle wrong; first and anchor right.
        std::string nearMiss(needle);
        nearMiss[needle.size() / 2] = '#';
        text += nearMiss;
        text += std::string(needle.substr(0, needle.size() - 1));
        text += needle;
        text += std::string(offset % 17, 'y');
        const char* found = FindText(text.data(), text.data() + text.size(), needle, anchor);
        EXPECT_EQ(static_cast<size_t>(found - text.data()), text.find(needle))
            << needle << " anchor " << anchor << " offset " << offset;
        // Cut one byte short of the whole needle at the end: not found.
        const std::string cut = std::string(offset, 'x') + std::string(needle.substr(0, 1)) +
                                std::string(needle.substr(1, needle.size() - 2));
        EXPECT_EQ(FindText(cut.data(), cut.data() + cut.size(), needle, anchor),
                  cut.data() + cut.size());
      }
    }
  }
}

TEST(ByteScanTest, CountByteAndMatch64) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += (i % 7 == 0) ? '\n' : (i % 11 == 0 ? ']' : 'a');
  long long feeds = 0;
  for (char c : text) feeds += c == '\n';
  EXPECT_EQ(CountByte(text.data(), text.data() + text.size(), '\n'), feeds);
  EXPECT_EQ(CountByte(text.data() + 3, text.data() + 3, '\n'), 0);

  text[40] = '(';
  const uint64_t bits = Match64(text.data() + 5, '\n', ']', '(');
  for (int i = 0; i < 64; ++i) {
    const char c = text[5 + i];
    EXPECT_EQ((bits >> i) & 1, c == '\n' || c == ']' || c == '(' ? 1u : 0u) << i;
  }
}

}  // namespace
}  // namespace qorn
