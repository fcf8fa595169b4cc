#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "views/fight.h"

namespace qorn {

// One damage source of a fight as the meter and the summary line show it: a
// DoT spell, "Pets" (pets and swarm pets) or "DD".
enum class SourceKind { Dot, Pets, Direct };
struct MeterSource {
  std::string Name;
  int64_t Damage = 0;
  SourceKind Kind = SourceKind::Dot;
  // A DoT's share of the fight's seconds that it was ticking (its Uptime in
  // the DoT Uptime list); none for pets and direct damage, and for a DoT of
  // a fight without seconds.
  std::optional<double> Uptime;
};

// A fight at a glance: its line of the overview and its sources.
struct FightMeter {
  int32_t EventNum = 0;
  std::string Character;  // the name the log was read for; empty when unknown
  std::string Mob;
  int64_t Total = 0;
  int64_t Seconds = 1;  // as the overview: at least 1
  double Dps = 0;       // as the overview: rounded to two decimals
  DateTime Last = 0;    // the fight's last hit
  // The sources with damage, most damage first (equal damage by name); their
  // damage adds up to Total.
  std::vector<MeterSource> Sources;
};

// The meter of stored fight `eventNum`; nullopt when there is no such fight.
// Throws qorn::Error.
std::optional<FightMeter> ReadFightMeter(Database& db, int32_t eventNum);
// The fight of the last hit stored (the latest end; of two, the higher
// number); nullopt when no fight is stored.
std::optional<int32_t> NewestFight(Database& db);

// The meter's lines as text: Source, Damage, Share of the fight, Uptime
// (blank for pets and direct damage), in the meter's order.
std::vector<ListRow> MeterLines(const FightMeter& meter);

// Seconds as minutes and seconds: "2:39", "0:05", "75:03".
std::string MinutesSeconds(int64_t seconds);
// A share as whole percent: "46%" (halves away from zero).
std::string WholePercent(double ratio);
std::string WholePercent(int64_t part, int64_t whole);

// The game cuts a chat line longer than this many characters.
inline constexpr size_t kSummaryLineLimit = 250;
// The fight as one line to paste into the game's chat: "Qornek on a lizard:
// 89,929 in 2:39 = 565.59 DPS | Pyre of Mori. 41,210 (46%) | Pets 12,400
// (14%)", the sources by damage while they fit, the rest summed as "other".
// At most kSummaryLineLimit bytes of UTF-8 (so as many characters at most);
// a character name of more than 32 bytes and a mob of more than 64 (longer
// than any the game gives) are cut, ending "...", never inside a character;
// tabs, line breaks and other control characters of a name are blanks.
std::string FightSummaryLine(const FightMeter& meter);

// Whether a fight whose last hit was at `lastHit` is over at `now`: the
// quiet gap that ends a fight (`timerSeconds`) has passed.
bool FightEnded(DateTime lastHit, DateTime now, int timerSeconds);

}  // namespace qorn
