// The per-second sums made again from the rows.
#include <cmath>
#include <unordered_map>

#include "store/crit_marks.h"
#include "store/database_file.h"
#include "store/mob_order.h"
#include "store/stored_seconds.h"

namespace qorn {

void RebuildMobSeconds(Database& db) {
  MobTexts mobs;
  std::vector<EventRow> rows;
  std::vector<int64_t> storedKeys;  // by row
  {
    Statement all(
        db, "SELECT RecNum, DTime, Mob, DmgType, Dmg, MobKey FROM DamageRows ORDER BY RecNum");
    std::string lastMob;
    uint32_t lastIndex = 0;
    while (all.Step()) {
      // A row without its time or damage (set to nothing by hand) has no
      // place in any fight: the stored parse is damaged, not a fight of 1899.
      if (!all.ColumnIsNumber(1) || !std::isfinite(all.ColumnDouble(1)) || !all.ColumnIsNumber(4) ||
          !PossibleDamage(all.ColumnInt(4))) {
        FailImpossibleNumber(db.Path(), "the row " + std::to_string(all.ColumnInt(0)) +
                                            " has no time or damage a log gives");
      }
      EventRow row;
      row.RecNum = all.ColumnInt(0);
      row.When = all.ColumnDouble(1);
      const std::string_view mob = all.ColumnText(2);
      if (rows.empty() || mob != lastMob) {
        lastMob.assign(mob);
        lastIndex = mobs.Index(mob);
      }
      row.Mob = lastIndex;
      row.Dot = IsDot(all.ColumnText(3));
      row.Dmg = all.ColumnInt(4);
      rows.push_back(row);
      storedKeys.push_back(all.ColumnIsNull(5) ? 0 : all.ColumnInt(5));
    }
  }
  std::vector<MobSeconds> bySeconds = MobSecondsOfRows(rows, mobs.Texts());
  // The rows keep their keys where each mob's rows carry one key of their own.
  const std::vector<int64_t> made = MobKeysOf(bySeconds, mobs.Texts());
  std::unordered_map<int64_t, int64_t> storedOfMade;
  std::unordered_map<int64_t, int64_t> madeOfStored;
  bool keep = true;
  for (size_t i = 0; keep && i < rows.size(); ++i) {
    const int64_t m = made[rows[i].Mob], s = storedKeys[i];
    const auto [a, addedA] = storedOfMade.emplace(m, s);
    const auto [b, addedB] = madeOfStored.emplace(s, m);
    keep = s > 0 && a->second == s && b->second == m;
  }
  if (keep) {
    for (MobSeconds& m : bySeconds) m.Key = storedOfMade.at(m.Key);
  } else {
    Statement update(db, "UPDATE DamageRows SET MobKey = ? WHERE RecNum = ?");
    for (size_t i = 0; i < rows.size(); ++i) {
      if (storedKeys[i] == made[rows[i].Mob]) continue;
      update.Bind(1, made[rows[i].Mob]).Bind(2, rows[i].RecNum).Step();
      update.Reset();
    }
  }
  WriteMobSeconds(db, bySeconds);
  MarkMobSecondsCurrent(db);
}

}  // namespace qorn
