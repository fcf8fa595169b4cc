// The one line-end rule, and every reader of the parser that decides by it:
// the block reader, the line starts that pieces begin at, the count of the
// vector scan, both passes of a parse, and a parse of appended lines.
#include "parse/line_end.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "parse/block_reader.h"
#include "parse/byte_scan.h"
#include "parse/log_file.h"
#include "parse/log_parser.h"
#include "support/parse_log.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

const std::string kTick = "[Fri Dec 04 17:57:44 2026] a rat has taken 1 damage from your Splurt.";

struct LineCase {
  const char* what;
  std::string bytes;
  std::vector<std::string> lines;  // the texts of its lines, without their ends
  bool endsAtLineEnd;
};

const std::vector<LineCase>& Cases() {
  static const std::vector<LineCase> cases = {
      {"line feeds", kTick + "\n" + kTick + "\n", {kTick, kTick}, true},
      {"carriage return and line feed", kTick + "\r\n" + kTick + "\r\n", {kTick, kTick}, true},
      {"lone carriage returns", kTick + "\r" + kTick + "\r", {kTick, kTick}, true},
      {"a carriage return as the last byte", kTick + "\n" + kTick + "\r", {kTick, kTick}, true},
      {"no end behind the last line", kTick + "\r\n" + kTick, {kTick, kTick}, false},
      {"all three, and empty lines between",
       kTick + "\r\r\n" + kTick + "\n\r" + kTick + "\r\n\n",
       {kTick, "", kTick, "", kTick, ""},
       true},
  };
  return cases;
}

// The lines of `bytes` by the rule alone.
std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  const char* const end = bytes.data() + bytes.size();
  const char* begin = bytes.data();
  for (const char* p = begin; p < end; ++p) {
    if (EndsLineAt(p, end)) {
      lines.emplace_back(LineText(begin, p));
      begin = p + 1;
    }
  }
  if (begin < end) lines.emplace_back(LineText(begin, end));
  return lines;
}

TEST(LineEndTest, TheRule) {
  for (const LineCase& c : Cases()) {
    EXPECT_EQ(SplitLines(c.bytes), c.lines) << c.what;
    EXPECT_EQ(IsLineEnd(c.bytes.back()), c.endsAtLineEnd) << c.what;
    long long ends = 0;
    for (size_t i = 0; i < c.bytes.size(); ++i) {
      ends += EndsLineAt(c.bytes.data() + i, c.bytes.data() + c.bytes.size());
    }
    const LineEnds counted = CountLineEnds(c.bytes.data(), c.bytes.data() + c.bytes.size());
    EXPECT_EQ(counted.Feeds + counted.LoneReturns, ends) << c.what;
  }
  // A carriage return that ends what is read ends its line; with more to
  // come, the byte behind it decides, so whole lines stop before it.
  const std::string cut = "ab\r\ncd\r";
  EXPECT_TRUE(EndsLineAt(cut.data() + 2, cut.data() + 3));
  EXPECT_FALSE(EndsLineAt(cut.data() + 2, cut.data() + 4));
  EXPECT_EQ(WholeLinesEnd(cut.data(), cut.data() + 3, true), cut.data());
  EXPECT_EQ(WholeLinesEnd(cut.data(), cut.data() + 3, false), cut.data() + 3);
  EXPECT_EQ(WholeLinesEnd(cut.data(), cut.data() + 7, true), cut.data() + 4);
  EXPECT_EQ(WholeLinesEnd(cut.data(), cut.data() + 5, true), cut.data() + 4);
}

class LineEndFileTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
};

// Blocks of every read size, so that reads end at every byte, also between
// a carriage return and its line feed: each block ends at a line end, and
// no line start lies inside a line end.
TEST_F(LineEndFileTest, BlocksAndLineStarts) {
  for (const LineCase& c : Cases()) {
    const LogFile log(dir_.Write("log.txt", c.bytes));
    for (size_t size = 1; size <= c.bytes.size() + 1; size += 7) {
      BlockReader reader(log, size);
      std::string joined;
      std::string_view block;
      while (reader.Next(block)) {
        joined.append(block);
        if (joined.size() < c.bytes.size()) {
          EXPECT_TRUE(
              EndsLineAt(c.bytes.data() + joined.size() - 1, c.bytes.data() + c.bytes.size()))
              << c.what << ", reads of " << size << " end a block inside a line or its end";
        }
      }
      EXPECT_EQ(joined, c.bytes) << c.what;
    }
    std::vector<long long> starts = {0};  // the line starts by the rule
    for (size_t i = 0; i < c.bytes.size(); ++i) {
      if (EndsLineAt(c.bytes.data() + i, c.bytes.data() + c.bytes.size())) {
        starts.push_back(static_cast<long long>(i) + 1);
      }
    }
    if (starts.back() != static_cast<long long>(c.bytes.size())) {
      starts.push_back(static_cast<long long>(c.bytes.size()));
    }
    for (long long offset = 1; offset <= static_cast<long long>(c.bytes.size()); ++offset) {
      const long long want = *std::lower_bound(starts.begin(), starts.end(), offset);
      EXPECT_EQ(log.LineStartFrom(offset), want) << c.what << ", from " << offset;
    }
  }
}

// Both passes of a parse, whole and cut into two pieces at every byte: the
// lines counted and the records are the rule's, and the record's spell
// never keeps a carriage return.
TEST_F(LineEndFileTest, ParseCountsTheRulesLines) {
  for (const LineCase& c : Cases()) {
    const std::string path = dir_.Write("log.txt", c.bytes);
    NullProgress progress;
    std::vector<ParseResult> parses;
    parses.push_back(test::ParseLogFile(path, "Soandso", progress));
    for (long long cut = 1; cut < static_cast<long long>(c.bytes.size()); ++cut) {
      parses.push_back(test::ParseLogFileInPieces(path, "Soandso", progress, {cut}));
    }
    for (const ParseResult& parsed : parses) {
      EXPECT_EQ(parsed.Lines, static_cast<long long>(c.lines.size())) << c.what;
      ASSERT_EQ(parsed.DamageRecs.size(),
                static_cast<size_t>(std::count(c.lines.begin(), c.lines.end(), kTick)))
          << c.what;
      for (const DamageRec& r : parsed.DamageRecs) EXPECT_EQ(r.DmgSrc, "Splurt.") << c.what;
      EXPECT_EQ(parsed.End.EndsAtLineEnd, c.endsAtLineEnd) << c.what;
    }
  }
}

// A carriage return that ended the bytes read ended its line: the line feed
// written behind it later ends an empty line, and the lines appended after
// it are read as a parse of the whole log reads them.
TEST_F(LineEndFileTest, ACarriageReturnAtTheEndOfARead) {
  NullProgress progress;
  const std::string first = kTick + "\r";
  const std::string path = dir_.Write("log.txt", first);
  const ParseResult before = test::ParseLogFile(path, "Soandso", progress);
  ASSERT_TRUE(before.End.EndsAtLineEnd);
  ASSERT_EQ(before.Lines, 1);
  dir_.Write("log.txt", first + "\n" + kTick + "\r\n");
  const AppendedParse appended =
      ParseAppendedLines(LogFile(path), "Soandso", before.End,
                         static_cast<long long>(first.size() + kTick.size() + 3), progress);
  EXPECT_EQ(appended.Records.Lines, 2);  // the empty line, then the tick
  ASSERT_EQ(appended.Records.DamageRecs.size(), 1u);
  EXPECT_EQ(appended.Records.DamageRecs[0].DmgSrc, "Splurt.");
  EXPECT_TRUE(appended.Records.End.EndsAtLineEnd);
}

}  // namespace
}  // namespace qorn
