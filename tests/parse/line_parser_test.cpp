// The recognizer of one line, fed text without a file: each family of
// messages, one line at a time.
#include "parse/line_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "parse/block_scan.h"

namespace qorn {
namespace {

struct Recognized {
  std::vector<std::string> damage;  // Who|Mob|Dmg|DmgType|DmgSrc
  std::vector<std::string> casts;   // CorR|Spell
  std::optional<int16_t> castChangeBefore;
};

// The records that the lines `text` make for Soandso, whose pet is Gobaner.
Recognized Recognize(const std::string& text) {
  TextPool pool;
  parse::LogNames names(pool, "Soandso");
  names.AddPet("Gobaner");
  parse::Piece piece;
  parse::LineParser parser(names, piece);
  long long lines = 0;
  parse::ScanRecords(text, parser, lines, false);
  std::vector<DamageRec> damage;
  std::vector<CastRec> casts;
  piece.DamageRecs.MoveTo(damage);
  piece.CastRecs.MoveTo(casts);
  Recognized out;
  for (const DamageRec& r : damage) {
    out.damage.push_back(std::string(r.Who) + "|" + std::string(r.Mob) + "|" +
                         std::to_string(r.Dmg) + "|" + std::string(r.DmgType) + "|" +
                         std::string(r.DmgSrc));
  }
  for (const CastRec& r : casts)
    out.casts.push_back(std::to_string(r.CorR) + "|" + std::string(r.Spell));
  out.castChangeBefore = piece.CastChangeBeforeCast;
  return out;
}

TEST(LineParserTest, OneMessageOfEachFamily) {
  const std::string stamp = "[Fri Dec 04 17:57:44 2026] ";
  struct Case {
    const char* message;
    std::vector<std::string> damage;
    std::vector<std::string> casts;
  };
  const Case cases[] = {
      {"a gnoll has taken 312 damage from your Splurt.", {"Soandso|a gnoll|312|Dot|Splurt."}, {}},
      {"Soandso hit a gnoll for 1200 points of non-melee damage.",
       {"Soandso|a gnoll|1200|DD|hit"},
       {}},
      {"You hit a gnoll for 900 points of magic damage by Ignite Bones. (Critical)",
       {"Soandso|a gnoll|900|DD|Ignite Bones."},
       {}},
      {"Gobaner bites a gnoll for 20 points of damage.", {"Gobaner|a gnoll|20|Pet|bites"}, {}},
      {"Kizzy (Owner: Soandso) hits a rat for 7 points of damage.", {"Kizzy|a rat|7|Pet|hits"}, {}},
      {"Soandso`s pet hits a gnoll for 30 points of damage.",
       {"Soandso`s pet|a gnoll|30|Epic/Swarm|hits"},
       {}},
      {"You begin casting Splurt.", {}, {"0|Splurt."}},
      {"Your target resisted the Splurt spell.", {}, {"1|Splurt."}},
      {"a gnoll resisted your Splurt!", {}, {"1|Splurt."}},
      {"Evilguy says, 'Soandso hit a rat for 9 points of non-melee damage.'", {}, {}},
      {"Friend tells you, 'a gnoll has taken 5 damage from your Splurt.'", {}, {}},
      {"Soandsox hit a gnoll for 1200 points of non-melee damage.", {}, {}},
  };
  for (const Case& c : cases) {
    const Recognized got = Recognize(stamp + c.message + "\n");
    EXPECT_EQ(got.damage, c.damage) << c.message;
    EXPECT_EQ(got.casts, c.casts) << c.message;
  }
  // A fizzle before any cast of the lines read changes the cast before them.
  const Recognized fizzle = Recognize(stamp + "Your spell fizzles!\n");
  EXPECT_TRUE(fizzle.casts.empty());
  EXPECT_EQ(fizzle.castChangeBefore, kCastFizzled);
}

}  // namespace
}  // namespace qorn
