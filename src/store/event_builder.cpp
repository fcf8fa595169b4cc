#include "store/event_builder.h"

#include <optional>

#include "common/error.h"
#include "store/database.h"
#include "store/database_file.h"
#include "store/database_rebuild.h"
#include "store/fight_tables.h"
#include "store/schema.h"

namespace qorn {
namespace {

// The crit rule as an SQL function of a row's DoT source and damage, for the
// one statement that marks the new crits.
class CritFunction {
 public:
  CritFunction(Database& db, const CritRule& crits) : db_(db), crits_(crits) {
    if (sqlite3_create_function_v2(db_.Handle(), "qorn_crit", 2, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                   this, &CritOf, nullptr, nullptr, nullptr) != SQLITE_OK) {
      db_.Fail("make the function qorn_crit");
    }
  }
  ~CritFunction() {
    sqlite3_create_function_v2(db_.Handle(), "qorn_crit", 2, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
  }
  CritFunction(const CritFunction&) = delete;
  CritFunction& operator=(const CritFunction&) = delete;

 private:
  static void CritOf(sqlite3_context* c, int, sqlite3_value** v) {
    const auto& self = *static_cast<const CritFunction*>(sqlite3_user_data(c));
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v[0]));
    const std::string_view source =
        text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(v[0])))
             : std::string_view();
    sqlite3_result_int(c, self.crits_.IsCrit(source, sqlite3_value_int64(v[1])) ? 1 : 0);
  }

  Database& db_;
  const CritRule& crits_;
};

// The spell table as it decided the stored crit marks.
std::string SpellTableText(const std::vector<SpellDatRec>& spells) {
  std::string text;
  for (const SpellDatRec& s : spells) {
    text += s.Spell + '\t' + std::to_string(s.Dmg) + '\n';
  }
  return text;
}

[[noreturn]] void FailDamaged(const std::string& path, const std::string& detail) {
  const std::string aside = MoveDamagedAside(path);
  throw Error("The stored parse in " + path +
                  " is damaged, so the fights cannot be built from it. The file was moved to " +
                  aside + " as it was. Use Get Log to read your log again.",
              detail)
      .StoredDataChanged();
}

}  // namespace

void NoteCritSpells(Database& db, const std::vector<SpellDatRec>& spells) {
  Statement mark(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES ('CritSpells', ?)");
  mark.Bind(1, SpellTableText(spells)).Step();
}

void MarkNewCrits(Database& db, const std::vector<SpellDatRec>& spells) {
  {
    Statement stored(db, "SELECT Value FROM ParseState WHERE Name = 'CritSpells'");
    if (stored.Step() && stored.ColumnText(0) == SpellTableText(spells)) return;
  }
  const CritRule crits(spells);
  if (!crits.Empty()) {
    const CritFunction function(db, crits);
    db.ExecuteNative(
        "UPDATE DamageRows SET Crit = -1 WHERE Crit = 0 AND DmgType = 'Dot' AND "
        "qorn_crit(DmgSrc, Dmg)");
  }
  NoteCritSpells(db, spells);
}

NumberedParse CutStoredFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                              bool keepOverview) {
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
  result.EventList = CutAndWriteFights(db, eventTimerSeconds, progress, keepOverview);
  result.Events.EventCount = result.EventList.EventCount;
  return result;
}

std::vector<SpellDatRec> LoadSpellTable(Database& db) {
  std::vector<SpellDatRec> spells;
  Recordset rs(db, "SELECT * FROM SpellDat");
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
    // Damage and mana are kept in full: a damage above 16 bits still compares right.
    spells.push_back({rs.Field("Spell").AsText(), static_cast<int32_t>(rs.Field("Dmg").AsInt()),
                      static_cast<int32_t>(rs.Field("Mana").AsInt())});
  }
  return spells;
}

NumberedParse RenumberStoredParse(const std::string& databasePath, int16_t eventTimerSeconds,
                                  Progress& progress, bool keepOverview) {
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
        NumberedParse result = CutStoredFights(db, eventTimerSeconds, progress, keepOverview);
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
    NumberedParse result = CutStoredFights(fresh, eventTimerSeconds, progress, keepOverview);
    rebuild.Finish();
    rebuild.Replace();
    return result;
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    FailDamaged(path, e.Detail());
  }
}

}  // namespace qorn
