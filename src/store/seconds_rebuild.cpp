// The per-second sums made again from the rows.
#include <cmath>
#include <unordered_map>

#include "store/crit_marks.h"
#include "store/database_file.h"
#include "store/mob_identity.h"
#include "store/second_runs.h"
#include "store/stored_seconds.h"

namespace qorn {
namespace {

// Whether the stored rows give each mob one key of its own: then they keep
// them. Told a row at a time.
class StoredKeys {
 public:
  void Row(uint32_t mob, int64_t stored) {
    if (!kept_) return;
    if (mob >= keyOf_.size()) keyOf_.resize(mob + 1, 0);
    if (keyOf_[mob] == 0) {
      const auto [it, added] = mobOf_.emplace(stored, mob);
      kept_ = stored > 0 && added;
      keyOf_[mob] = stored;
    } else {
      kept_ = keyOf_[mob] == stored;
    }
  }
  bool Kept() const { return kept_; }
  // The stored key of each mob, when kept.
  void GiveTo(MobIdentity& mobs) const {
    for (uint32_t m = 0; m < keyOf_.size(); ++m) mobs.SetKey(m, keyOf_[m]);
  }

 private:
  bool kept_ = true;
  std::vector<int64_t> keyOf_;  // by mob; 0 before its first row
  std::unordered_map<int64_t, uint32_t> mobOf_;
};

}  // namespace

void RebuildMobSeconds(Database& db, size_t secondsInMemory, StopToken stop) {
  MobIdentity mobs;
  SecondRuns runs(db, secondsInMemory);
  StoredKeys stored;
  {
    Statement all(
        db, "SELECT RecNum, DTime, Mob, DmgType, Dmg, MobKey FROM DamageRows ORDER BY RecNum");
    std::string lastMob;
    MobIdentity::Found of;
    size_t rows = 0;
    for (bool first = true; all.Step(); first = false) {
      // A rebuild of millions of rows is a step at which a command stops.
      if ((++rows & 0xFFFF) == 0) stop.StopHere();
      // A row without its time or damage (set to nothing by hand) has no
      // place in any fight: the stored parse is damaged, not a fight of 1899.
      if (!all.ColumnIsNumber(1) || !std::isfinite(all.ColumnDouble(1)) || !all.ColumnIsNumber(4) ||
          !PossibleDamage(all.ColumnInt(4))) {
        FailImpossibleNumber(db.Path(), "the row " + std::to_string(all.ColumnInt(0)) +
                                            " has no time or damage a log gives");
      }
      const std::string_view mob = all.ColumnText(2);
      if (first || mob != lastMob) {
        lastMob.assign(mob);
        of = mobs.Of(mob);
      }
      runs.Add(of.Mob, of.Spelling, all.ColumnDouble(1), all.ColumnInt(0), all.ColumnInt(4),
               IsDot(all.ColumnText(3)));
      stored.Row(of.Mob, all.ColumnIsNull(5) ? 0 : all.ColumnInt(5));
    }
  }
  if (stored.Kept()) {
    stored.GiveTo(mobs);
  } else {
    // The rows are given their mob's key where they carry another.
    Statement all(db, "SELECT RecNum, Mob, MobKey FROM DamageRows ORDER BY RecNum");
    Statement update(db, "UPDATE DamageRows SET MobKey = ? WHERE RecNum = ?");
    while (all.Step()) {
      const int64_t key = mobs.KeyOf(mobs.Of(all.ColumnText(1)).Mob);
      if (!all.ColumnIsNull(2) && all.ColumnInt(2) == key) continue;
      // The row read last is changed: the rows still to come are read as they are.
      update.Bind(1, key).Bind(2, all.ColumnInt(0)).Step();
      update.Reset();
    }
  }
  WriteSecondRuns(db, runs, mobs);
}

}  // namespace qorn
