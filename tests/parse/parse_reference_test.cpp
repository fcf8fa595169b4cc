// Every record the parser makes of the real excerpts, the bundled sample log
// and a piece of every generated shape of log, against the records kept in
// tests/fixtures/parse-reference/. A change of the parser that changes a
// record of a log shows here as the lines that differ.
//
// To write the reference anew (and review the change with git diff):
//   QORN_WRITE_PARSE_REFERENCE=1 build/tests/parse_test --gtest_filter='ParseReference*'
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/progress.h"
#include "parse/log_parser.h"
#include "support/parse_log.h"
#include "support/carry_over_log.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A text as it stands, or its length and hash when it is too long to read.
std::string Field(std::string_view text) {
  if (text.size() <= 300) return std::string(text);
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  char buf[64];
  std::snprintf(buf, sizeof buf, "<%zu bytes, hash %016llx>", text.size(),
                static_cast<unsigned long long>(hash));
  return buf;
}

// The records as lines of text: D for damage, C for casts, every field.
std::string Records(const ParseResult& result) {
  std::string out = "lines\t" + std::to_string(result.Lines) + "\n";
  auto flag = [](bool b) { return b ? "\t-1" : "\t0"; };
  for (const DamageRec& r : result.DamageRecs) {
    out += "D\t" + FormatSqlDateTime(r.When) + "\t" + Field(r.Who) + "\t" + Field(r.Mob) + "\t" +
           std::to_string(r.Dmg) + flag(r.Crit) + "\t" + Field(r.DmgType) + "\t" + Field(r.DmgSrc) +
           flag(r.Cpower) + flag(r.CoA) + flag(r.Inten) + "\t" + std::to_string(r.Reserved) + "\n";
  }
  for (const CastRec& r : result.CastRecs) {
    out += "C\t" + FormatSqlDateTime(r.When) + "\t" + std::to_string(r.CorR) + "\t" +
           Field(r.Spell) + "\n";
  }
  return out;
}

struct Input {
  std::string label;  // names the reference file
  std::string path;
  std::vector<std::string> names;
};

class ParseReference : public ::testing::Test {
 protected:
  void Check(const Input& input) {
    const fs::path folder = fs::path(QORN_FIXTURES) / "parse-reference";
    const bool write = std::getenv("QORN_WRITE_PARSE_REFERENCE") != nullptr;
    for (const std::string& name : input.names) {
      NullProgress progress;
      const std::string got = Records(test::ParseLogFile(input.path, name, progress));
      const fs::path kept = folder / (input.label + "." + name + ".txt");
      if (write) {
        fs::create_directories(folder);
        std::ofstream(kept, std::ios::binary) << got;
        continue;
      }
      ASSERT_TRUE(fs::exists(kept)) << kept;
      const std::string want = ReadFile(kept);
      EXPECT_TRUE(want == got) << input.label << " as " << name << ": "
                               << test::FirstDifference(want, got);
      // The second pass cut in two near the middle gives the same records.
      const long long middle = static_cast<long long>(fs::file_size(input.path)) / 2;
      const std::string halves =
          Records(test::ParseLogFileInPieces(input.path, name, progress, {middle}));
      EXPECT_TRUE(want == halves) << input.label << " as " << name << " in halves: "
                                  << test::FirstDifference(want, halves);
    }
  }

  // The message bodies of a no-timestamp excerpt, each behind one stamp.
  std::string Stamped(const std::string& file) {
    std::istringstream in(ReadFile(fs::path(QORN_REAL_LOGS) / file));
    std::string out, line;
    while (std::getline(in, line)) out += "[Fri Dec 04 17:57:44 2026] " + line + "\n";
    return dir_.Write(file, out);
  }

  test::TempDir dir_;
};

TEST_F(ParseReference, RealExcerptsAndTheSampleLog) {
  const std::string real = QORN_REAL_LOGS;
  const std::vector<Input> inputs = {
      {"sample-log", std::string(QORN_SOURCE_DIR) + "/samples/sample-log.txt", {"Qornek"}},
      {"live-2003-message-shapes", real + "/live-2003-message-shapes.txt", {"Soandso"}},
      {"live-2010-2022-quoted-lines",
       real + "/live-2010-2022-quoted-lines.txt",
       {"Rumstil", "Fourier", "Tokiel"}},
      {"live-2015-2022-messages",
       Stamped("live-2015-2022-messages-no-timestamp.txt"),
       {"Rumstil", "Fourier", "Dude"}},
      {"live-2019-2025-messages",
       Stamped("live-2019-2025-messages-no-timestamp.txt"),
       {"Hacket", "Sonozen", "Jaun", "Bulron", "Kizant"}},
      {"p99-messages", Stamped("p99-messages-no-timestamp.txt"), {"Xyz"}},
      {"p99-raid-shard-wyvern-2022", real + "/p99-raid-shard-wyvern-2022.txt", {"Xyz"}},
      {"p99-raid-derakor-2025", real + "/p99-raid-derakor-2025.txt", {"Xyz"}},
      {"p99-short-2024", real + "/p99-short-2024.txt", {"Xyz"}},
  };
  for (const Input& input : inputs) Check(input);
}

TEST_F(ParseReference, GeneratedShapes) {
  struct Shape {
    const char* name;
    const char* size;
  };
  // Long lines: 100 pet lines, then one line of 1 MB. Pets: 50,000 names come first.
  const Shape shapes[] = {{"realistic", "200K"}, {"lf", "200K"},        {"says", "200K"},
                          {"tells", "200K"},     {"dense", "100K"},     {"pets", "4M"},
                          {"mobs", "100K"},      {"long-lines", "10K"}, {"brackets", "100K"}};
  for (const Shape& shape : shapes) {
    const std::string log = dir_.File(std::string(shape.name) + ".txt");
    const std::string command = std::string(QORN_GENLOG) + " --size " + shape.size + " --shape " +
                                shape.name + " --seed 1 --name Qornek --out " + log;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    Check({std::string("shape-") + shape.name, log, {"Qornek"}});
  }
}

// A log whose records depend on lines above them (buffs, the last DoT's mob
// for the Guardian, a fizzle or interrupt that changes the last cast), cut in
// two at every line start: each cut gives the records of the whole log.
TEST_F(ParseReference, EveryCutGivesTheRecordsOfOnePass) {
  std::vector<long long> lineStarts;
  const std::string log = test::CarryOverLog(&lineStarts);
  const std::string path = dir_.Write("log.txt", log);
  NullProgress progress;
  const ParseResult whole = test::ParseLogFile(path, "Soandso", progress);
  // The log holds what the cuts must carry over.
  ASSERT_EQ(whole.DamageRecs.size(), 12u);
  EXPECT_TRUE(whole.DamageRecs[4].Cpower && whole.DamageRecs[4].CoA && whole.DamageRecs[4].Inten);
  EXPECT_EQ(whole.DamageRecs[6].Mob, "a rat");  // a Guardian far behind the DoT
  ASSERT_EQ(whole.CastRecs.size(), 4u);
  EXPECT_EQ(whole.CastRecs[1].CorR, kCastFizzled);
  EXPECT_EQ(whole.CastRecs[2].CorR, kCastInterrupted);
  EXPECT_EQ(whole.CastRecs[3].CorR, kCastBegun);

  const std::string want = Records(whole);
  for (long long cut = 1; cut <= static_cast<long long>(log.size()); ++cut) {
    const std::string got = Records(test::ParseLogFileInPieces(path, "Soandso", progress, {cut}));
    EXPECT_TRUE(want == got) << "cut at byte " << cut << ": " << test::FirstDifference(want, got);
  }
  // Three pieces: each carries over what the ones before it left.
  for (size_t a = 1; a + 1 < lineStarts.size(); ++a) {
    const std::string got = Records(test::ParseLogFileInPieces(
        path, "Soandso", progress, {lineStarts[a], lineStarts[a + 1]}));
    EXPECT_TRUE(want == got) << "cut at lines " << a << " and " << a + 1 << ": "
                             << test::FirstDifference(want, got);
  }
}

}  // namespace
}  // namespace qorn
