#include "store/stored_fights.h"

#include <optional>

#include "common/error.h"
#include "store/crit_marks.h"
#include "store/database.h"
#include "store/database_file.h"
#include "store/database_rebuild.h"
#include "store/fight_writer.h"
#include "store/parse_state.h"
#include "store/schema.h"

namespace qorn {
namespace {

[[noreturn]] void FailDamaged(const std::string& path, const std::string& detail) {
  const std::string aside = MoveDamagedAside(path);
  throw Error("The stored parse in " + path +
                  " is damaged, so the fights cannot be built from it. The file was moved to " +
                  aside + " as it was. Use Get Log to read your log again.",
              detail)
      .StoredDataChanged();
}

}  // namespace

NumberedParse CutStoredFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                              bool keepOverview, StopToken stop, const SecondsChange* change) {
  NumberedParse result;
  result.Events.SpellDatRecs = LoadSpellTable(db);
  MarkNewCrits(db, result.Events.SpellDatRecs);
  if (StoredCutIsCurrent(db, eventTimerSeconds)) {
    // The stored fights were cut from these rows with this timer.
    if (keepOverview) {
      result.EventList = StoredOverview(db);
    } else {
      Statement last(db, "SELECT coalesce(max(EventNum), 0) FROM Fights");
      last.Step();
      result.EventList.EventCount = static_cast<int32_t>(last.ColumnInt(0));
    }
    result.Events.EventCount = result.EventList.EventCount;
    return result;
  }
  result.EventList =
      CutAndWriteFights(db, eventTimerSeconds, progress, keepOverview, stop, change);
  result.Events.EventCount = result.EventList.EventCount;
  return result;
}

NumberedParse RenumberStoredParse(const std::string& databasePath, int16_t eventTimerSeconds,
                                  Progress& progress, bool keepOverview, StopToken stop) {
  const std::string path = ResolveDatabasePath(databasePath);
  RequireWritableDatabase(path);
  const DatabaseHealth health = CheckDatabaseFile(path, false);
  if (health.state == DatabaseHealth::State::kDamaged) FailDamaged(path, health.detail);
  if (health.state == DatabaseHealth::State::kMissing) {
    // Nothing stored yet: a new file with no rows and no events.
    DatabaseRebuild rebuild(path);
    rebuild.Open(false);
    NumberedParse result;
    result.Events.SpellDatRecs = LoadSpellTable(rebuild.Fresh());
    rebuild.Finish();
    rebuild.Replace();
    return result;
  }
  RemoveLeftoverReplacement(path);
  try {
    {
      Database db(path, OpenMode::kExisting);
      if (HoldsRowsApart(db)) {
        // The fights are cut again in place: the rows stay as they are, and
        // the journal keeps the stored parse whole until the new cut commits.
        Transaction tx(db);
        RestoreSchemaObjects(db);
        NumberedParse result =
            CutStoredFights(db, eventTimerSeconds, progress, keepOverview, stop);
        tx.Commit();
        return result;
      }
    }
    // A file of an earlier version: its rows go into a new file as the
    // program makes them now, once.
    DatabaseRebuild rebuild(path);
    rebuild.Open(true);
    if (!rebuild.HasStoredParse()) FailDamaged(path, rebuild.Health().detail);
    Database& fresh = rebuild.Fresh();
    fresh.ExecuteNative(
        "INSERT INTO main.DamageRows (RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, "
        "Cpower, Inten, CoA, Reserved, Color) SELECT RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, "
        "DmgType, Cpower, Inten, CoA, Reserved, Color FROM old.ParseData ORDER BY RecNum");
    fresh.ExecuteNative(
        "INSERT INTO main.SpellCastResist (RecNum, DTime, CorR, Spell) SELECT RecNum, DTime, "
        "CorR, Spell FROM old.SpellCastResist ORDER BY RecNum");
    NumberedParse result =
        CutStoredFights(fresh, eventTimerSeconds, progress, keepOverview, stop);
    rebuild.Finish();
    rebuild.Replace();
    return result;
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    FailDamaged(path, e.Detail());
  }
}

}  // namespace qorn
