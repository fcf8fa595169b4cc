#include "parse/log_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "parse/log_file.h"
#include "support/parse_log.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

using Lines = std::vector<std::string>;

// Every test line carries this stamp unless it says otherwise.
std::string L(const std::string& message) { return "[Fri Dec 04 17:57:44 2026] " + message; }

// A damage record as one comparable text: Who|Mob|Dmg|DmgType|DmgSrc|flags
// where flags are C (Chaotic Power), A (Anguish), I (Intensity) or -.
std::string Show(const DamageRec& r) {
  std::string flags =
      std::string(r.Cpower ? "C" : "-") + (r.CoA ? "A" : "-") + (r.Inten ? "I" : "-");
  return std::string(r.Who) + "|" + std::string(r.Mob) + "|" + std::to_string(r.Dmg) + "|" +
         std::string(r.DmgType) + "|" + std::string(r.DmgSrc) + "|" + flags;
}

std::string Show(const CastRec& r) { return std::to_string(r.CorR) + "|" + std::string(r.Spell); }

template <typename Rec>
std::vector<std::string> ShowAll(const std::vector<Rec>& recs) {
  std::vector<std::string> out;
  for (const Rec& r : recs) out.push_back(Show(r));
  return out;
}

class ParserTest : public ::testing::Test {
 protected:
  ParseResult Parse(const Lines& lines, const std::string& name = "Soandso") {
    NullProgress progress;
    return test::ParseLogFile(dir_.WriteLines("log.txt", lines), name, progress);
  }
  ParseResult ParseBytes(const std::string& bytes, const std::string& name = "Soandso") {
    NullProgress progress;
    return test::ParseLogFile(dir_.Write("log.txt", bytes), name, progress);
  }
  test::TempDir dir_;
};

struct DamageCase {
  const char* what;
  Lines lines;
  std::vector<std::string> expected;
  std::string name = "Soandso";
};

TEST_F(ParserTest, DamageRecords) {
  const DamageCase cases[] = {
      {"DoT tick keeps the spell's final period",
       {L("A gnoll has taken 312 damage from your Splurt.")},
       {"Soandso|A gnoll|312|Dot|Splurt.|---"}},
      {"DD with a verb",
       {L("Soandso hit a gnoll for 1200 points of non-melee damage.")},
       {"Soandso|a gnoll|1200|DD|hit|---"}},
      {"the DD test ignores case in the whole of its text",
       {L("Soandso hit a gnoll for 1200 points of Non-Melee damage."),
        L("Soandso hit a rat for 7 points of NON-MELEE DAMAGE.")},
       {"Soandso|a gnoll|1200|DD|hit|---", "Soandso|a rat|7|DD|hit|---"}},
      {"a DoT line and a DD line on one line give both, DoT first",
       {L("Soandso hit a rat for 9 points of non-melee damage. a gnoll has taken 5 damage "
          "from your Splurt.")},
       {"Soandso|Soandso hit a rat for 9 points of non-melee damage. a gnoll|5|Dot|Splurt.|---",
        "Soandso|a rat|9|DD|hit|---"}},
      {"pet from a says line, melee and non-melee",
       {L("Gobaner says 'Following you, Master.'"),
        L("Gobaner bites a gnoll for 20 points of damage."),
        L("Gobaner hit a gnoll for 33 points of non-melee damage.")},
       {"Gobaner|a gnoll|20|Pet|bites|---", "Gobaner|a gnoll|33|Pet|non-melee|---"}},
      {"pet named after the first pass line that names it, even later in the log",
       {L("Xabanar slashes a rat for 7 points of damage."),
        L("Xabanar says 'Waiting for your order to attack, Master.'")},
       {"Xabanar|a rat|7|Pet|slashes|---"}},
      {"a pet of three letters never matches",
       {L("Bob says 'Following you, Master.'"), L("Bob bites a gnoll for 20 points of damage.")},
       {}},
      {"a pet that is the target yields nothing",
       {L("Gobaner says 'Following you, Master.'"),
        L("A gnoll hits Gobaner for 20 points of damage.")},
       {}},
      {"a player's tell with 'Attacking' makes the player a pet",
       {L("Bigfoot tells you, 'Attacking a gnoll Master.'"),
        L("Bigfoot slashes a gnoll for 11 points of damage.")},
       {"Bigfoot|a gnoll|11|Pet|slashes|---"}},
      {"swarm pets and pets whose name holds the character's are Epic/Swarm",
       {L("Soandsoling says 'Following you, Master.'"),
        L("Soandso`s pet hits a gnoll for 30 points of damage."),
        L("Soandsoling hits a gnoll for 31 points of damage.")},
       {"Soandso`s pet|a gnoll|30|Epic/Swarm|hits|---",
        "Soandsoling|a gnoll|31|Epic/Swarm|hits|---"}},
      {"Guardian before any DoT has no mob, after one the last DoT's mob",
       {L("Soandso`s pet's body fills with energy."),
        L("a gnoll has taken 5 damage from your Splurt."),
        L("Soandso`s pet's body fills with energy.")},
       {"Soandso`s pet||600|Epic/Swarm|Guardian of Blood Strike|---",
        "Soandso|a gnoll|5|Dot|Splurt.|---",
        "Soandso`s pet|a gnoll|600|Epic/Swarm|Guardian of Blood Strike|---"}},
      {"chat lines yield nothing and change no buff",
       {L("Friend tells you, 'a gnoll has taken 5 damage from your Splurt.'"),
        L("Friend tells the group, 'Quivering power pulses through your hands.'"),
        L("Friend says to your guild, 'Soandso hit a rat for 9 points of non-melee damage.'"),
        L("a rat has taken 1 damage from your Splurt.")},
       {"Soandso|a rat|1|Dot|Splurt.|---"}},
      // Any player can say anything: what is spoken is never the game's message.
      {"speech yields nothing and changes no buff",
       {L("Evilguy shouts, 'A gnoll has taken 99999 damage from your Splurt.'"),
        L("Evilguy says, 'Soandso hit a rat for 9 points of non-melee damage.'"),
        L("Evilguy says out of character, 'Quivering power pulses through your hands.'"),
        L("Evilguy auctions, 'Soandso`s pet hits a rat for 50 points of damage.'"),
        L("Gobaner says 'Following you, Master.'"),
        L("Evilguy says 'Gobaner hits a rat for 51 points of damage.'"),
        L("You say, 'a rat has taken 2 damage from your Splurt.'"),
        L("You shout, 'Vile energy flows through your veins.'"),
        L("You told Evilguy, 'a rat has taken 3 damage from your Splurt.'"),
        L("a rat has taken 1 damage from your Splurt.")},
       {"Soandso|a rat|1|Dot|Splurt.|---"}},
      {"a \"] \" inside speech starts no message",
       {L("Gobaner says 'Following you, Master.'"),
        L("Yungbae says, 'lol] Soandso hit a gnoll for 7 points of non-melee damage.'"),
        L("Yungbae shouts, 'x] Gobaner hits a gnoll for 8 points of damage. ] Quivering power "
          "pulses through your hands.'"),
        L("Yungbae says, 'x] a gnoll has taken 9 damage from your Splurt.'"),
        L("a rat has taken 1 damage from your Splurt.")},
       {"Soandso|a rat|1|Dot|Splurt.|---"}},
      {"a pet phrase names a pet only as the line's own message",
       {L("Othername shouts, 'says 'Following you, Master.'"),
        L("Othername says, 'Evilguy tells you, 'Attacking a gnoll Master.'"),
        L("Othername hits a gnoll for 5 points of damage."),
        L("Evilguy hits a gnoll for 6 points of damage."),
        L("Gobaner says 'Waiting for your order to attack, Master.'"),
        L("Gobaner hits a gnoll for 7 points of damage.")},
       {"Gobaner|a gnoll|7|Pet|hits|---"}},
      {"a DoT source or target of 200 characters is kept, a longer one yields no record",
       {L("a gnoll has taken 1 damage from your " + std::string(200, 's')),
        L("a gnoll has taken 2 damage from your " + std::string(201, 's')),
        L(std::string(200, 'g') + " has taken 3 damage from your Splurt."),
        L(std::string(201, 'g') + " has taken 4 damage from your Splurt.")},
       {"Soandso|a gnoll|1|Dot|" + std::string(200, 's') + "|---",
        "Soandso|" + std::string(200, 'g') + "|3|Dot|Splurt.|---"}},
      {"buffs stamp the hits after them; being slain clears all",
       {L("Quivering power pulses through your hands."),
        L("a rat has taken 1 damage from your Splurt."), L("Vile energy flows through your veins."),
        L("Your mind sharpens and strength flows into your body."),
        L("a rat has taken 2 damage from your Splurt."), L("The power fades away."),
        L("a rat has taken 3 damage from your Splurt."), L("The vile power fades."),
        L("Your intensity fades."), L("a rat has taken 4 damage from your Splurt."),
        L("Quivering power pulses through your hands."), L("Vile energy flows through your veins."),
        L("You have been slain by a rat!"), L("a rat has taken 5 damage from your Splurt.")},
       {"Soandso|a rat|1|Dot|Splurt.|C--", "Soandso|a rat|2|Dot|Splurt.|CAI",
        "Soandso|a rat|3|Dot|Splurt.|-AI", "Soandso|a rat|4|Dot|Splurt.|---",
        "Soandso|a rat|5|Dot|Splurt.|---"}},
      // Amounts come from the damage phrase, not from every digit of the line.
      {"digits in names do not join the amount",
       {L("a gnoll 2 has taken 312 damage from your Splurt 3."),
        L("Soandso hit guard 7 for 40 points of non-melee damage.")},
       {"Soandso|a gnoll 2|312|Dot|Splurt 3.|---", "Soandso|guard 7|40|DD|hit|---"}},
      {"a target with 'for' in its name keeps its whole name",
       {L("Gobaner says 'Following you, Master.'"),
        L("Gobaner hits a forest giant for 20 points of damage."),
        L("Soandso hit a forlorn fortune teller for 40 points of non-melee damage.")},
       {"Gobaner|a forest giant|20|Pet|hits|---",
        "Soandso|a forlorn fortune teller|40|DD|hit|---"}},
      {"no number or one beyond 32 bits yields no record",
       {L("a gnoll has taken many damage from your Splurt."),
        L("a gnoll has taken 2147483648 damage from your Splurt."),
        L("a gnoll has taken 2147483647 damage from your Splurt."),
        L("Soandso hit a gnoll for lots points of non-melee damage.")},
       {"Soandso|a gnoll|2147483647|Dot|Splurt.|---"}},
      {"an unreadable stamp or an impossible time makes the line yield nothing",
       {"[Fri Dex 04 17:57:44 2026] a gnoll has taken 5 damage from your Splurt.",
        "[Fri Dec 04 1x:57:44 2026] Soandso hit a rat for 9 points of non-melee damage.",
        "a gnoll has taken 5 damage from your Splurt.",
        "[Fri Dec 04 99:99:99 2026] a gnoll has taken 6 damage from your Splurt.",
        "[Fri Dec 04 24:00:00 2026] a gnoll has taken 7 damage from your Splurt.",
        "[Tue Nov 31 10:00:00 2026] a gnoll has taken 8 damage from your Splurt."},
       {}},
      {"with no name every pet is Epic/Swarm",
       {L("Gobaner says 'Following you, Master.'"),
        L("Gobaner bites a gnoll for 20 points of damage.")},
       {"Gobaner|a gnoll|20|Epic/Swarm|bites|---"},
       ""},
      {"the swarm name is not a DD",
       {L("Soandso`s pet hit a gnoll for 50 points of non-melee damage.")},
       {"Soandso`s pet|a gnoll|50|Epic/Swarm|non-melee|---"}},
      {"one line naming two pets gives a record for each, in the order they were named",
       {L("Gobaner says 'Following you, Master.'"), L("Xabanar says 'Following you, Master.'"),
        L("Xabanar bites a rat for 5 points of damage. ] Gobaner hits a gnoll for 20 points of "
          "damage.")},
       {"Gobaner|a gnoll|20|Pet|hits|---", "Xabanar|a rat|5|Pet|bites|---"}},
      // Several messages run together on one line do not merge into one target.
      {"the target ends at the first damage phrase behind the verb",
       {L("Gobaner says 'Following you, Master.'"),
        L("Gobaner hits a gnoll for 20 points of damage. Gobaner hits a rat for 5 points of "
          "damage."),
        L("Soandso hit a gnoll for 9 points of non-melee damage. Soandso hit a rat for 7 points "
          "of non-melee damage."),
        L("Gobaner hits a gnoll for 5 minutes for 7 points of damage."),
        L("Gobaner ] Soandso hit a rat for 8 points of non-melee damage.")},
       {"Gobaner|a gnoll|20|Pet|hits|---", "Soandso|a gnoll|9|DD|hit|---",
        "Gobaner|a gnoll for 5 minutes|7|Pet|hits|---", "Soandso|a rat|8|DD|hit|---"}},
      {"a first damage phrase whose amount does not fit yields no record",
       {L("Gobaner says 'Following you, Master.'"),
        L("Gobaner hits a gnoll for 9999999999 points of damage. Gobaner hits a rat for 5 points "
          "of damage.")},
       {}},
      {"a target of 200 characters is kept, a longer one yields no record",
       {L("Gobaner says 'Following you, Master.'"),
        L("Gobaner hits " + std::string(200, 'g') + " for 1 points of damage."),
        L("Gobaner hits " + std::string(201, 'g') + " for 2 points of damage."),
        L("Soandso hit " + std::string(200, 'g') + " for 3 points of non-melee damage."),
        L("Soandso hit " + std::string(201, 'g') + " for 4 points of non-melee damage.")},
       {"Gobaner|" + std::string(200, 'g') + "|1|Pet|hits|---",
        "Soandso|" + std::string(200, 'g') + "|3|DD|hit|---"}},
      // Other players whose names begin with a pet's or the character's.
      {"a name counts only as a whole word",
       {L("Gobaner says 'Following you, Master.'"), L("Gobanerx says 'Following you, Master.'"),
        L("Gobanerx bites an elk for 23 points of damage."),
        L("Gobanerz bites an elk for 24 points of damage."),
        L("Soandsox hit a fox for 101 points of non-melee damage."),
        L("Soandsox`s pet's body fills with energy."),
        L("Soandso`s petx hits a fox for 5 points of damage."),
        L("Gobaner bites an elk for 25 points of damage."),
        L("Soandso`s pet's body fills with energy."),
        L("Soandsox hit a fox for 1 points of non-melee damage. ] Soandso hit a fox for 102 "
          "points of non-melee damage.")},
       {"Gobanerx|an elk|23|Pet|bites|---", "Gobaner|an elk|25|Pet|bites|---",
        "Soandso`s pet||600|Epic/Swarm|Guardian of Blood Strike|---",
        "Soandso|a fox|102|DD|hit|---"}},
      // With no name, "] " followed by the name is any "] ": the direct damage
      // test passes on every line, but its target would take in the stamp.
      {"with no name the DD and Guardian tests pass on any message",
       {L("a gnoll has taken 5 damage from your Splurt."),
        L("Nobody`s pet's body fills with energy."),
        L("Soandso hit a gnoll for 1200 points of non-melee damage.")},
       {"|a gnoll|5|Dot|Splurt.|---", "`s pet|a gnoll|600|Epic/Swarm|Guardian of Blood Strike|---"},
       ""},
  };
  for (const DamageCase& c : cases) {
    const ParseResult result = Parse(c.lines, c.name);
    EXPECT_EQ(ShowAll(result.DamageRecs), c.expected) << c.what;
  }
}

// The current client's and the emulated servers' shapes, most lines as the
// real excerpts hold them (tests/fixtures/real): records with a C behind them
// are marked critical.
struct ShapeCase {
  const char* what;
  Lines lines;
  std::vector<std::string> damage;
  std::vector<std::string> casts;
  std::string name = "Rumstil";
};

std::string ShowWithCrit(const DamageRec& r) { return Show(r) + (r.Crit ? " C" : ""); }

TEST_F(ParserTest, CurrentClientAndEmulatedServerShapes) {
  const ShapeCase cases[] = {
      {"a tag is never part of the spell; one that holds Critical marks the DoT tick",
       {L("A tree snake has taken 1923 damage from your Breath of Queen Malarian."),
        L("A tree snake has taken 6677 damage from your Breath of Queen Malarian. (Critical)"),
        L("A tree snake has taken 6677 damage from your Breath of Queen Malarian. (Lucky "
          "Critical)"),
        L("A tree snake has taken 1923 damage from your Breath of Queen Malarian. (Twincast)"),
        L("A tree snake has taken 6677 damage from your Breath of Queen Malarian. (Lucky "
          "Critical Twincast)"),
        L("A tree snake has taken 1923 damage from your Splurt. (Time Snap)")},
       {"Rumstil|A tree snake|1923|Dot|Breath of Queen Malarian.|---",
        "Rumstil|A tree snake|6677|Dot|Breath of Queen Malarian.|--- C",
        "Rumstil|A tree snake|6677|Dot|Breath of Queen Malarian.|--- C",
        "Rumstil|A tree snake|1923|Dot|Breath of Queen Malarian.|---",
        "Rumstil|A tree snake|6677|Dot|Breath of Queen Malarian.|--- C",
        "Rumstil|A tree snake|1923|Dot|Splurt.|---"},
       {}},
      {"parentheses that do not follow the message's final mark are no tag",
       {L("A tree snake has taken 5 damage from your Pact (Rk. II)"),
        L("A tree snake has taken 6 damage from your Pact (Rk. II).")},
       {"Rumstil|A tree snake|5|Dot|Pact (Rk. II)|---",
        "Rumstil|A tree snake|6|Dot|Pact (Rk. II).|---"},
       {}},
      {"the old direct damage and the pets' hits take the tag's crit",
       {L("Rumstil hit a kodiak bear for 2515 points of non-melee damage. (Critical)"),
        L("Kobekn says 'Following you, Master.'"),
        L("Kobekn pierces an ice giant for 156037 points of damage. (Lucky Critical Flurry)"),
        L("Kobekn pierces an ice giant for 21076 points of damage. (Flurry)")},
       {"Rumstil|a kodiak bear|2515|DD|hit|--- C", "Kobekn|an ice giant|156037|Pet|pierces|--- C",
        "Kobekn|an ice giant|21076|Pet|pierces|---"},
       {}},
      {"the current client's direct damage: the spell with its final period",
       {L("You hit a treant for 1633489 points of magic damage by Chromospheric Vortex Rk. II. "
          "(Lucky Critical)"),
        L("You hit a tirun crusher for 4578 points of magic damage by Force of Magic VII."),
        L("You hit Jortreva the Crusader for 38948 points of fire damage by Burst of Flames. "
          "(Lucky Critical Twincast)"),
        L("You hit a gnoll for 1 point of cold damage by Frost Bolt."),
        L("You hit a gnoll for 2 points of poison damage by Venom."),
        L("You hit a gnoll for 3 points of disease damage by Plague."),
        L("You hit a gnoll for 4 points of chromatic damage by Mana Repetition Strike."),
        L("You hit a gnoll for 5 points of corruption damage by Dread Pyre."),
        L("You hit a gnoll for 6 points of prismatic damage by Prism."),
        L("You hit a gnoll for 7 points of physical damage by Bone Crunch.")},
       {"Rumstil|a treant|1633489|DD|Chromospheric Vortex Rk. II.|--- C",
        "Rumstil|a tirun crusher|4578|DD|Force of Magic VII.|---",
        "Rumstil|Jortreva the Crusader|38948|DD|Burst of Flames.|--- C",
        "Rumstil|a gnoll|1|DD|Frost Bolt.|---", "Rumstil|a gnoll|2|DD|Venom.|---",
        "Rumstil|a gnoll|3|DD|Plague.|---", "Rumstil|a gnoll|4|DD|Mana Repetition Strike.|---",
        "Rumstil|a gnoll|5|DD|Dread Pyre.|---", "Rumstil|a gnoll|6|DD|Prism.|---",
        "Rumstil|a gnoll|7|DD|Bone Crunch.|---"},
       {}},
      {"other hits of the current client are no direct damage of the character",
       {L("You hit a gnoll for 9 points of unresistable damage by Bone Crunch."),
        L("You punch a corrupt orbweaver for 678 points of damage."),
        L("You hit a gnoll for 10 points of damage."),
        L("You hit a gnoll for 11 points of magic damage by ."),
        L("Fourier hit a tirun crusher for 4578 points of magic damage by Force of Magic VII."),
        L("Hacket hit an ice giant for 303431 points of magic damage by Crush of the Crying Seas "
          "X Rk. II. (Lucky Critical)")},
       {},
       {}},
      {"a hit of the character on itself is damage taken",
       {L("You hit yourself for 390 points of fire damage by Rain of Skyfire."),
        L("Trombonius hit Trombonius for 539 points of non-melee damage."),
        L("Trombonius hit himself for 540 points of non-melee damage."),
        L("Trombonius hit Eom Centien Xakra for 541 points of non-melee damage.")},
       {"Trombonius|Eom Centien Xakra|541|DD|hit|---"},
       {},
       "Trombonius"},
      {"resists, fizzles and interrupts that name the spell",
       {L("You begin casting Undermining Helix Rk. II."),
        L("A mist wolf resisted your Undermining Helix Rk. II!"),
        L("You begin casting Shield of Shadethorns."),
        L("Your Shield of Shadethorns spell fizzles!"), L("You begin casting Claimed Shots."),
        L("Your Claimed Shots spell is interrupted."), L("You begin casting Dark Plague."),
        L("Fourier's Mind Coil spell is interrupted."),
        L("a clockwork defender CXCIX's Night's Perpetual Darkness spell fizzles!"),
        L("You resist a Sebilisian bonecaster's Greater Immobilize!"),
        L("Kelce shouts, 'a rat resisted your Splurt!'"),
        L("Kelce tells you, 'Your Splurt spell fizzles!'")},
       {},
       {"0|Undermining Helix Rk. II.", "1|Undermining Helix Rk. II.", "2|Shield of Shadethorns.",
        "3|Claimed Shots.", "0|Dark Plague."}},
      {"a pet named with the character as its owner, also one that never speaks",
       {L("Lobekn (Owner: Bulron) hit a wan ghoul knight for 311 points of non-melee damage. "
          "(Earthquake)"),
        L("Kobekn (Owner: Bulron) bites a gnoll for 20 points of damage. (Critical)"),
        L("Bulron`s pet (Owner: Bulron) hits a gnoll for 21 points of damage."),
        L("Gaber (Owner: Bulron) has shielded itself from 116 points of damage. (Rune II)"),
        L("A gnoll hits Kobekn (Owner: Bulron) for 30 points of damage.")},
       {"Lobekn|a wan ghoul knight|311|Pet|non-melee|---", "Kobekn|a gnoll|20|Pet|bites|--- C",
        "Bulron`s pet|a gnoll|21|Epic/Swarm|hits|---"},
       {},
       "Bulron"},
      {"the character's ward is its swarm pet, not its direct damage",
       {L("Trombonius`s Ward of Destruction (Owner: Trombonius) hit Eom Centien Xakra for 1200 "
          "points of non-melee damage.")},
       {"Trombonius`s Ward of Destruction|Eom Centien Xakra|1200|Epic/Swarm|non-melee|---"},
       {},
       "Trombonius"},
      {"a pet with another owner gives nothing, even when its name is known",
       {L("Lobekn says 'Following you, Master.'"),
        L("Lobekn (Owner: Bulron) hit a wan ghoul knight for 311 points of non-melee damage."),
        L("Xyzzy`s Ward of Destruction (Owner: Xyzzy) hit Eom Centien Xakra for 1200 points of "
          "non-melee damage.")},
       {},
       {},
       "Xyzzy2"},
  };
  for (const ShapeCase& c : cases) {
    const ParseResult result = Parse(c.lines, c.name);
    std::vector<std::string> damage;
    for (const DamageRec& r : result.DamageRecs) damage.push_back(ShowWithCrit(r));
    EXPECT_EQ(damage, c.damage) << c.what;
    EXPECT_EQ(ShowAll(result.CastRecs), c.casts) << c.what;
  }
}

TEST_F(ParserTest, CastRecordsAndTheirOutcomes) {
  const ParseResult result = Parse({
      L("Your spell fizzles!"),  // before any cast: nothing to change
      L("You begin casting Splurt."),
      L("Your spell fizzles!"),
      L("You begin casting Pyre of Mori."),
      L("Your spell is interrupted."),
      L("You begin casting Dark Plague."),
      L("Your target resisted the Dark Plague spell."),
      L("Your target resisted the Snare spell."),
      L("Friend tells you, 'You begin casting Nothing.'"),
  });
  EXPECT_EQ(ShowAll(result.CastRecs),
            (std::vector<std::string>{"2|Splurt.", "3|Pyre of Mori.", "0|Dark Plague.",
                                      "1|Dark Plague.", "1|Snare."}));
  EXPECT_DOUBLE_EQ(result.CastRecs[0].When, *MakeDateTime({2026, 12, 4, 17, 57, 44}));
  EXPECT_TRUE(result.DamageRecs.empty());
  EXPECT_TRUE(result.DamageRecs.empty());  // no blank record stands in for an empty list
}

TEST_F(ParserTest, RecordsCarryTheirLinesTime) {
  const ParseResult result = Parse({
      "[Fri Dec 04 17:57:44 2026] a gnoll has taken 5 damage from your Splurt.",
      "[Fri Dec 04 17:57:50 2026] a gnoll has taken 6 damage from your Splurt.",
  });
  ASSERT_EQ(result.DamageRecs.size(), 2u);
  EXPECT_EQ(SecondsBetween(result.DamageRecs[0].When, result.DamageRecs[1].When), 6);
  EXPECT_EQ(result.Lines, 2);
}

TEST_F(ParserTest, InputAsItReallyIs) {
  // A byte-order mark, CRLF and LF endings, empty lines, a 600-character chat
  // line, Windows-1252 and UTF-8 bytes, and a last line cut off mid-stamp.
  std::string bytes = "\xEF\xBB\xBF" + L("a gnoll has taken 5 damage from your Splurt.") + "\r\n";
  bytes += "\r\n\n";
  bytes += L("Friend shouts, '" + std::string(600, 'x') + "'") + "\n";
  bytes += L("a caf\xE9 rat has taken 6 damage from your Splurt.") + "\r\n";
  bytes += L("a caf\xC3\xA9 rat has taken 7 damage from your Splurt.") + "\n";
  bytes += "[Fri Dec 04 17:5";
  const ParseResult result = ParseBytes(bytes);
  EXPECT_EQ(ShowAll(result.DamageRecs),
            (std::vector<std::string>{"Soandso|a gnoll|5|Dot|Splurt.|---",
                                      "Soandso|a caf\xE9 rat|6|Dot|Splurt.|---",
                                      "Soandso|a caf\xC3\xA9 rat|7|Dot|Splurt.|---"}));
  EXPECT_EQ(result.Lines, 7);
}

TEST_F(ParserTest, ALoneCarriageReturnEndsALine) {
  // Each message stands at the start of its own line, also behind a lone CR;
  // CR LF is one line end, CR CR LF two.
  std::string bytes = L("Gobaner says 'Following you, Master.'") + "\r";
  bytes += L("a gnoll has taken 5 damage from your Splurt.") + "\r";
  bytes += L("Gobaner hits a gnoll for 6 points of damage.") + "\r\r\n";
  bytes += L("Soandso hit a gnoll for 7 points of non-melee damage.") + "\r\n";
  bytes += L("You begin casting Splurt.") + "\r";
  const ParseResult result = ParseBytes(bytes);
  EXPECT_EQ(
      ShowAll(result.DamageRecs),
      (std::vector<std::string>{"Soandso|a gnoll|5|Dot|Splurt.|---",
                                "Gobaner|a gnoll|6|Pet|hits|---", "Soandso|a gnoll|7|DD|hit|---"}));
  EXPECT_EQ(ShowAll(result.CastRecs), (std::vector<std::string>{"0|Splurt."}));
  EXPECT_EQ(result.Lines, 6);
}

TEST_F(ParserTest, LinesLongerThanAReadBlock) {
  // A line that spans the reader's blocks is still seen whole.
  Lines lines(3, L("Friend shouts, '" + std::string(9 << 20, 'y') + "'"));
  lines.push_back(L("a gnoll has taken 5 damage from your Splurt."));
  EXPECT_EQ(Parse(lines).DamageRecs.size(), 1u);
}

// The first pass runs in the same pieces as the second. A pet first named in
// a later piece still owns its hits before, the names keep the order they are
// first met in, and a lone carriage return in a later piece ends the lines of
// every piece: at every cut the records are those of one piece.
TEST_F(ParserTest, PetNamesAndLineEndsFromEveryPiece) {
  const Lines messages = {"Kabober bites a rat for 1 points of damage.",
                          "Gobaner says 'Following you, Master.'",
                          "Gobaner bites a rat for 2 points of damage.",
                          "Kabober says 'Following you, Master.'",
                          "Gobaner tells you, 'Attacking a rat Master.'",
                          "Gobaner bites a rat for 4 points of damage.",
                          "Xabanar says 'Waiting for your order to attack, Master.'",
                          "Xabanar bites a rat for 3 points of damage."};
  std::string bytes;
  std::vector<long long> starts;
  for (size_t i = 0; i < messages.size(); ++i) {
    starts.push_back(static_cast<long long>(bytes.size()));
    bytes += L(messages[i]) + (i == 4 ? "\r" : "\n");
  }
  const std::string log = dir_.Write("log.txt", bytes);
  NullProgress progress;
  const ParseResult whole = test::ParseLogFile(log, "Soandso", progress);
  const std::vector<std::string> want = {
      "Kabober|a rat|1|Pet|bites|---", "Gobaner|a rat|2|Pet|bites|---",
      "Gobaner|a rat|4|Pet|bites|---", "Xabanar|a rat|3|Pet|bites|---"};
  EXPECT_EQ(ShowAll(whole.DamageRecs), want);
  EXPECT_EQ(whole.End.PetNames, (std::vector<std::string>{"Gobaner", "Kabober", "Xabanar"}));
  EXPECT_EQ(whole.Lines, 8);
  for (size_t a = 1; a < starts.size(); ++a) {
    for (size_t b = a; b < starts.size(); ++b) {
      const ParseResult pieces = test::ParseLogFileInPieces(
          log, "Soandso", progress, {starts[a], starts[b] + (b > a ? 0 : 1)});
      EXPECT_EQ(ShowAll(pieces.DamageRecs), want) << "cuts " << a << ", " << b;
      EXPECT_EQ(pieces.End.PetNames, whole.End.PetNames) << "cuts " << a << ", " << b;
      EXPECT_EQ(pieces.Lines, 8) << "cuts " << a << ", " << b;
    }
  }
}

TEST_F(ParserTest, ProgressPhases) {
  struct Recorder : Progress {
    std::vector<std::string> calls;
    void SetVisible(bool v) override { calls.push_back(v ? "visible" : "hidden"); }
    void SetMaximum(double m) override { calls.push_back("max " + std::to_string(m)); }
    void SetValue(double v) override { calls.push_back("value " + std::to_string(v)); }
  } recorder;
  Lines lines(25, L("Friend waves."));
  const std::string log = dir_.WriteLines("log.txt", lines);
  test::ParseLogFile(log, "Soandso", recorder);
  // The bar stands at 0 through the first pass and counts the second's lines.
  EXPECT_EQ(recorder.calls,
            (std::vector<std::string>{"visible", "value 0.000000", "max 3.500000", "visible",
                                      "value 2.000000", "value 0.000000"}));
  // In two pieces the bar shows the lines of both: it only grows and ends as in one.
  struct Values : Progress {
    std::vector<double> values;
    void SetVisible(bool) override {}
    void SetMaximum(double) override {}
    void SetValue(double v) override { values.push_back(v); }
  } values;
  test::ParseLogFileInPieces(log, "Soandso", values, {static_cast<long long>(L("").size() * 12)});
  ASSERT_GE(values.values.size(), 3u);
  EXPECT_EQ(values.values.back(), 0.0);
  values.values.pop_back();
  EXPECT_TRUE(std::is_sorted(values.values.begin(), values.values.end()));
  EXPECT_EQ(values.values.back(), 2.0);
}

TEST_F(ParserTest, AStopEndsEitherParseWithoutHandingOverRecords) {
  Lines lines(400, L("a rat has taken 4 damage from your Splurt."));
  const LogFile log(dir_.WriteLines("log.txt", lines));
  NullProgress none;
  const std::atomic<bool> stop = true;
  int blocks = 0;
  EXPECT_THROW(ParseLogInBlocks(
                   log, "Soandso", none, [&](RecordBlock&) { ++blocks; }, {.Every = 1000, .At = {}},
                   StopToken(stop)),
               Stopped);
  EXPECT_EQ(blocks, 0);
  EXPECT_THROW(ParseAppendedLines(log, "Soandso", ParseEnd{}, log.Size(), none, StopToken(stop)),
               Stopped);
  // Without a stop the same parse hands every record over.
  int damage = 0;
  ParseLogInBlocks(log, "Soandso", none,
                   [&](RecordBlock& b) { damage += b.Records.DamageRecs.size(); },
                   {.Every = 1000, .At = {}});
  EXPECT_EQ(damage, 400);
}

TEST_F(ParserTest, UnreadableFileIsAnErrorNamingThePath) {
  NullProgress progress;
  const std::string missing = dir_.File("missing.txt");
  try {
    test::ParseLogFile(missing, "Soandso", progress);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
  }
  EXPECT_THROW(test::ParseLogFile(dir_.path().string(), "Soandso", progress), Error);
}

TEST(ParserRealLogs, ExcerptsGiveTheExpectedRecords) {
  struct Case {
    const char* file;
    const char* name;
    size_t damage;
    size_t casts;
    const char* firstDamage;
  };
  // The wyvern raid: the necromancer's pet Vobeker announces itself by tells.
  // The 2003 shapes: one DD and one DoT of 'Soandso'.
  const Case cases[] = {
      {"p99-raid-shard-wyvern-2022.txt", "Xyz", 142, 3,
       "Vobeker|an ancient shard wyvern|26|Pet|bashes|---"},
      {"live-2003-message-shapes.txt", "Soandso", 2, 3,
       "Soandso|a Bloodguard crypt sentry|300|DD|hit|---"},
      {"p99-raid-derakor-2025.txt", "Nobodyhere", 0, 0, nullptr},
      {"p99-short-2024.txt", "Nobodyhere", 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    NullProgress progress;
    const ParseResult result =
        test::ParseLogFile(std::string(QORN_REAL_LOGS) + "/" + c.file, c.name, progress);
    EXPECT_EQ(result.DamageRecs.size(), c.damage) << c.file;
    EXPECT_EQ(result.CastRecs.size(), c.casts) << c.file;
    if (c.firstDamage != nullptr && !result.DamageRecs.empty()) {
      EXPECT_EQ(Show(result.DamageRecs.front()), c.firstDamage) << c.file;
    }
  }
}

}  // namespace
}  // namespace qorn
