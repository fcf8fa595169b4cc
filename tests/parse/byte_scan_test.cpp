#include "parse/byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "parse/line_end.h"
#include "parse/two_byte_starts.h"

namespace qorn {
namespace {

constexpr ScanWidth kWidths[] = {ScanWidth::k16, ScanWidth::k32};

// The SIMD scans of each width against the plain ones over texts where the
// needle stands at every offset, at the end, cut off at the end, and where
// only some of the bytes that the scan filters on agree.
TEST(ByteScanTest, FindTextAgreesWithFind) {
  const std::string_view needles[] = {"ab",      "abc",     "has taken",           "'Attacking",
                                      "Master.", " tells ", "of non-melee damage."};
  for (ScanWidth width : kWidths) {
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
          const char* found =
              FindText(text.data(), text.data() + text.size(), needle, anchor, width);
          EXPECT_EQ(static_cast<size_t>(found - text.data()), text.find(needle))
              << needle << " anchor " << anchor << " offset " << offset << " width "
              << static_cast<int>(width);
          // Cut one byte short of the whole needle at the end: not found.
          const std::string cut = std::string(offset, 'x') + std::string(needle.substr(0, 1)) +
                                  std::string(needle.substr(1, needle.size() - 2));
          EXPECT_EQ(FindText(cut.data(), cut.data() + cut.size(), needle, anchor, width),
                    cut.data() + cut.size());
        }
      }
    }
  }
}

// Two needles in one scan: the first place where either stands, also where
// the shorter stands in the last bytes, behind the last start of the longer.
TEST(ByteScanTest, FindEitherAgreesWithFind) {
  const Needle pairs[][2] = {{{"Master.", 6}, {"'Attacking", 6}},
                             {{"to your guild"}, {" tells "}},
                             {{"ab"}, {"of non-melee damage."}}};
  for (ScanWidth width : kWidths) {
    for (const auto& pair : pairs) {
      for (int order = 0; order < 2; ++order) {
        const Needle a = pair[order], b = pair[1 - order];
        for (size_t offset = 0; offset < 80; ++offset) {
          std::string text(offset, 'x');
          std::string nearMiss(a.text);
          nearMiss[a.text.size() / 2] = '#';
          text += nearMiss + std::string(b.text.substr(0, b.text.size() - 1));
          const std::string none = text;
          text += std::string(a.text) + std::string(offset % 5, 'y') + std::string(b.text);
          for (const std::string& t :
               {text, none, std::string(offset % 3, 'z') + std::string(b.text)}) {
            const size_t want = std::min(t.find(a.text), t.find(b.text));
            const char* found = FindEither(t.data(), t.data() + t.size(), a, b, width);
            EXPECT_EQ(found == t.data() + t.size() ? std::string::npos
                                                   : static_cast<size_t>(found - t.data()),
                      want)
                << a.text << " or " << b.text << " in " << t << " width "
                << static_cast<int>(width);
          }
        }
      }
    }
  }
}

TEST(ByteScanTest, CountLineEndsAndMatch64) {
  // Line feeds, carriage returns before them and lone ones, at every place
  // of the 16-byte steps and at the very end.
  std::string text;
  for (int i = 0; i < 5000; ++i) {
    text += (i % 7 == 0) ? '\n' : (i % 13 == 0 ? '\r' : (i % 11 == 0 ? ']' : 'a'));
    if (i % 29 == 0) text += "\r\n";
  }
  text += '\r';
  for (ScanWidth width : kWidths) {
    for (size_t from : {size_t{0}, size_t{3}}) {
      long long feeds = 0, lone = 0;
      // The vector counts against the one rule, byte by byte.
      for (const char* p = text.data() + from; p < text.data() + text.size(); ++p) {
        if (EndsLineAt(p, text.data() + text.size())) ++(*p == '\n' ? feeds : lone);
      }
      const LineEnds ends = CountLineEnds(text.data() + from, text.data() + text.size(), width);
      EXPECT_EQ(ends.Feeds, feeds) << from;
      EXPECT_EQ(ends.LoneReturns, lone) << from;
    }
    EXPECT_EQ(CountLineEnds(text.data() + 3, text.data() + 3, width).Feeds, 0);
    const std::string cut = "ab\r\ncd\r";
    EXPECT_EQ(CountLineEnds(cut.data(), cut.data() + 3, width).LoneReturns, 1)
        << "a carriage return at the end";

    // Matches over two steps of 64 bytes, at every offset into a step.
    std::string marked = text;
    marked[40] = '(';
    for (size_t from = 0; from < 64; from += 5) {
      uint64_t bits[2] = {}, three[2] = {};
      Match64(marked.data() + from, 2, bits, '\n', '\r', ']', '(', width);
      Match64(marked.data() + from, 2, three, '\n', ']', '(', width);
      for (size_t i = 0; i < 128; ++i) {
        const char c = marked[from + i];
        EXPECT_EQ((bits[i / 64] >> (i % 64)) & 1,
                  c == '\n' || c == '\r' || c == ']' || c == '(' ? 1u : 0u)
            << from << " " << i;
        EXPECT_EQ((three[i / 64] >> (i % 64)) & 1, c == '\n' || c == ']' || c == '(' ? 1u : 0u)
            << from << " " << i;
      }
    }
  }
}

}  // namespace
}  // namespace qorn

namespace qorn {
namespace {

TEST(TwoByteStarts, TellsATextByItsFirstTwoBytes) {
  TwoByteStarts starts;
  for (const char* text : {"Soandso", "You begin casting ", "\xE9ric", "ab"}) starts.Add(text);
  const struct {
    const char* text;
    bool may;
  } cases[] = {
      {"Soandso hit a gnoll", true},
      {"So", true},
      {"Sx", false},
      {"so", false},  // bytes as they are, case and all
      {"Your spell fizzles", true},
      {"\xE9ric`s pet", true},  // bytes above 127 are not signed chars here
      {"\xE9r", true},
      {"\xE8r", false},
      {"ba", false},
  };
  for (const auto& c : cases) EXPECT_EQ(starts.MayStart(c.text), c.may) << c.text;
}

}  // namespace
}  // namespace qorn
