#include "views/fight_meter.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "common/text_encoding.h"
#include "common/text_fold.h"
#include "parse/records.h"
#include "store/crit_marks.h"
#include "store/database.h"
#include "store/event_overview.h"
#include "store/parse_state.h"
#include "views/dot_uptime.h"
#include "views/name_groups.h"

namespace qorn {
namespace {

constexpr std::string_view kPetsSource = "Pets";
constexpr std::string_view kOtherSources = "other";
// The game's names are shorter than these; a longer one is cut in the summary.
constexpr size_t kLongestCharacter = 32;
constexpr size_t kLongestMob = 64;

// A name from the log as one piece of a line: control characters (a tab, a
// line break) are blanks.
std::string PlainText(std::string_view text) {
  std::string plain(text);
  for (char& c : plain) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return plain;
}

// `text` cut to at most `bytes` bytes of UTF-8, ending in "..." when cut;
// never inside a character.
std::string CutText(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  constexpr std::string_view kEllipsis = "...";
  if (bytes < kEllipsis.size()) return std::string(kEllipsis.substr(0, bytes));
  size_t end = bytes - kEllipsis.size();
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + std::string(kEllipsis);
}

std::string SourcePart(std::string_view name, int64_t damage, int64_t total) {
  return " | " + PlainText(name) + " " + FormatWhole(static_cast<double>(damage)) + " (" +
         WholePercent(damage, total) + ")";
}

}  // namespace

std::optional<FightMeter> ReadFightMeter(Database& db, int32_t eventNum) {
  FightMeter meter;
  DateTime first = 0;
  {
    Statement fight(db, "SELECT Mob, Total, FirstTime, LastTime FROM Fights WHERE EventNum = ?");
    fight.Bind(1, static_cast<int64_t>(eventNum));
    if (eventNum < 1 || !fight.Step()) return std::nullopt;
    const OverviewRow row =
        MakeOverviewRow(eventNum, std::string(fight.ColumnText(0)), fight.ColumnInt(1),
                        fight.ColumnDouble(2), fight.ColumnDouble(3));
    meter.EventNum = eventNum;
    meter.Mob = row.Mob;
    meter.Total = row.Total;
    meter.Seconds = row.Seconds;
    meter.Dps = row.Dps;
    meter.Last = row.Last;
    first = row.First;
  }
  if (const auto name = ReadState(db, StateKey::CharName)) meter.Character = LogTextToUtf8(*name);

  // One read of the fight's rows in time order, for the sums and the DoTs'
  // lanes alike; a DoT keeps the spelling its DoT Uptime lane has.
  NameGroups dots;
  std::vector<int64_t> dotDamage;
  FightDotsBuilder lanesBuilder(first, meter.Last);
  int64_t pets = 0, direct = 0;
  bool anyPet = false, anyDirect = false;
  Statement rows(db,
                 "SELECT DmgType, DmgSrc, Dmg, DTime FROM ParseData WHERE EventNum = ? AND Dmg IS "
                 "NOT NULL ORDER BY DTime, RecNum");
  rows.Bind(1, static_cast<int64_t>(eventNum));
  while (rows.Step()) {
    const std::string_view type = rows.ColumnText(0);
    const int64_t dmg = rows.ColumnInt(2);
    if (IsDot(type)) {
      const std::string_view spell = rows.ColumnText(1);
      const size_t group = dots.IndexOf(spell);
      if (group == dotDamage.size()) dotDamage.push_back(0);
      dotDamage[group] += dmg;
      lanesBuilder.Add(spell, rows.ColumnDouble(3));
    } else if (CompareNoCase(type, kPet) == 0 || CompareNoCase(type, kEpicSwarm) == 0) {
      pets += dmg;
      anyPet = true;
    } else if (CompareNoCase(type, kDD) == 0) {
      direct += dmg;
      anyDirect = true;
    }
  }

  const FightDots lanes = std::move(lanesBuilder).Done();
  // Each DoT's lane, found by its name as the lanes tell names apart.
  NameGroups laneNames;
  for (const DotLane& lane : lanes.Lanes) laneNames.IndexOf(lane.Spell);
  for (size_t group : dots.Order()) {
    MeterSource source{dots.Spelling(group), dotDamage[group], SourceKind::Dot, std::nullopt};
    const size_t lane = laneNames.IndexOf(source.Name);
    if (lane < lanes.Lanes.size() && lanes.Seconds > 0) {
      const UptimeFigures f = MeasureUptime(lanes.Lanes[lane].Hits, lanes.Seconds);
      source.Uptime = static_cast<double>(f.Covered) / static_cast<double>(lanes.Seconds);
    }
    meter.Sources.push_back(std::move(source));
  }
  if (anyPet)
    meter.Sources.push_back({std::string(kPetsSource), pets, SourceKind::Pets, std::nullopt});
  if (anyDirect)
    meter.Sources.push_back({std::string(kDD), direct, SourceKind::Direct, std::nullopt});
  std::erase_if(meter.Sources, [](const MeterSource& s) { return s.Damage <= 0; });
  // By damage; equal damage keeps the order above (DoTs by name, Pets, DD).
  std::stable_sort(meter.Sources.begin(), meter.Sources.end(),
                   [](const MeterSource& a, const MeterSource& b) { return a.Damage > b.Damage; });
  return meter;
}

std::optional<int32_t> NewestFight(Database& db) {
  Statement newest(db,
                   "SELECT EventNum FROM Fights WHERE EventNum > 0 "
                   "ORDER BY LastTime DESC, EventNum DESC LIMIT 1");
  if (!newest.Step()) return std::nullopt;
  return static_cast<int32_t>(newest.ColumnInt(0));
}

std::vector<ListRow> MeterLines(const FightMeter& meter) {
  std::vector<ListRow> lines;
  for (const MeterSource& s : meter.Sources) {
    lines.push_back({s.Name, FormatWhole(static_cast<double>(s.Damage)),
                     WholePercent(s.Damage, meter.Total), s.Uptime ? WholePercent(*s.Uptime) : ""});
  }
  return lines;
}

std::string MinutesSeconds(int64_t seconds) {
  if (seconds < 0) return "-" + MinutesSeconds(-seconds);
  const int64_t s = seconds % 60;
  return std::to_string(seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

std::string WholePercent(double ratio) { return std::to_string(std::llround(100 * ratio)) + "%"; }

std::string WholePercent(int64_t part, int64_t whole) {
  return WholePercent(whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole));
}

std::string FightSummaryLine(const FightMeter& meter) {
  const std::string figures = ": " + FormatWhole(static_cast<double>(meter.Total)) + " in " +
                              MinutesSeconds(meter.Seconds) + " = " + FormatTwoDecimals(meter.Dps) +
                              " DPS";
  // The head: who on what, each name cut to what the game's names need, so
  // that a long one leaves room for the sources.
  const std::string who = CutText(PlainText(meter.Character), kLongestCharacter);
  const std::string mob = CutText(PlainText(meter.Mob), kLongestMob);
  const std::string on = who.empty() ? "" : " on ";
  std::string line = who + on + mob + figures;

  // The sources while each fits with room left for the rest as "other".
  int64_t rest = 0;
  for (const MeterSource& s : meter.Sources) rest += s.Damage;
  for (const MeterSource& s : meter.Sources) {
    rest -= s.Damage;
    const std::string part = SourcePart(s.Name, s.Damage, meter.Total);
    const size_t after = rest > 0 ? SourcePart(kOtherSources, rest, meter.Total).size() : 0;
    if (line.size() + part.size() + after > kSummaryLineLimit) {
      rest += s.Damage;
      break;
    }
    line += part;
  }
  if (rest > 0) {
    const std::string other = SourcePart(kOtherSources, rest, meter.Total);
    if (line.size() + other.size() <= kSummaryLineLimit) line += other;
  }
  return line;
}

bool FightEnded(DateTime lastHit, DateTime now, int timerSeconds) {
  return SecondsBetween(lastHit, now) > timerSeconds;
}

}  // namespace qorn
