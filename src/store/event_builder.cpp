#include "store/event_builder.h"

#include <future>
#include <limits>
#include <optional>

#include "common/error.h"
#include "store/database.h"
#include "store/database_rebuild.h"

namespace qorn {
namespace {

// Each row's new crit mark, event and tick number, as SQL functions of the
// row's RecNum and DoT source, for the one statement that writes them all.
class NumberingFunctions {
 public:
  NumberingFunctions(Database& db, const RowNumbers& numbers, const CritRule& crits)
      : db_(db), numbers_(numbers), crits_(crits) {
    Register("qorn_event", 1, &EventOf);
    Register("qorn_tick", 1, &TickOf);
    Register("qorn_crit", 2, &CritOf);
  }
  ~NumberingFunctions() {
    for (const char* name : {"qorn_event", "qorn_tick"}) Unregister(name, 1);
    Unregister("qorn_crit", 2);
  }
  NumberingFunctions(const NumberingFunctions&) = delete;
  NumberingFunctions& operator=(const NumberingFunctions&) = delete;

  // The rows whose crit mark changes: DoT ticks not marked yet that the
  // spell table says are critical. They are marked -1; any other mark stays.
  static constexpr const char* kNewCrit = "Crit = 0 AND DmgType = 'Dot' AND qorn_crit(DmgSrc, Dmg)";
  static std::string Crit() {
    return "CASE WHEN " + std::string(kNewCrit) + " THEN -1 ELSE Crit END";
  }

 private:
  using Function = void (*)(sqlite3_context*, int, sqlite3_value**);
  void Register(const char* name, int args, Function f) {
    if (sqlite3_create_function_v2(db_.Handle(), name, args, SQLITE_UTF8 | SQLITE_DIRECTONLY, this,
                                   f, nullptr, nullptr, nullptr) != SQLITE_OK) {
      db_.Fail("make the function " + std::string(name));
    }
  }
  void Unregister(const char* name, int args) {
    sqlite3_create_function_v2(db_.Handle(), name, args, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
  }
  static const NumberingFunctions& Self(sqlite3_context* c) {
    return *static_cast<const NumberingFunctions*>(sqlite3_user_data(c));
  }
  static void EventOf(sqlite3_context* c, int, sqlite3_value** v) {
    int32_t event = 0, tick = 0;
    Self(c).numbers_.Find(sqlite3_value_int64(v[0]), event, tick);
    sqlite3_result_int64(c, event);
  }
  static void TickOf(sqlite3_context* c, int, sqlite3_value** v) {
    int32_t event = 0, tick = 0;
    Self(c).numbers_.Find(sqlite3_value_int64(v[0]), event, tick);
    sqlite3_result_int64(c, tick);
  }
  static void CritOf(sqlite3_context* c, int, sqlite3_value** v) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v[0]));
    const std::string_view source =
        text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(v[0])))
             : std::string_view();
    sqlite3_result_int(c, Self(c).crits_.IsCrit(source, sqlite3_value_int64(v[1])) ? 1 : 0);
  }

  Database& db_;
  const RowNumbers& numbers_;
  const CritRule& crits_;
};

// A stored event or tick number as the numbering gives them, or 0, which it
// never gives, for none: a null, another type, or a number out of range.
int32_t StoredNumber(const Statement& row, int column) {
  if (!row.ColumnIsInteger(column)) return 0;
  const int64_t n = row.ColumnInt(column);
  return n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()
             ? 0
             : static_cast<int32_t>(n);
}

// The stored rows with RecNum from `first` to `last` as event building reads
// them, with the event and tick numbers they carry, in RecNum order, their
// mobs indexed in `mobs`; room is made for `expected` rows.
std::vector<EventRow> ReadEventRows(Database& db, MobTexts& mobs, int64_t first, int64_t last,
                                    size_t expected) {
  std::vector<EventRow> rows;
  rows.reserve(expected);
  Statement all(db,
                "SELECT RecNum, DTime, Mob, DmgType, Dmg, EventNum, TickNum FROM ParseData WHERE "
                "RecNum BETWEEN ? AND ? ORDER BY RecNum");
  all.Bind(1, first).Bind(2, last);
  std::string lastMob;
  uint32_t lastIndex = 0;
  while (all.Step()) {
    EventRow row;
    row.RecNum = all.ColumnInt(0);
    row.When = all.ColumnDouble(1);
    // Runs of rows on one mob are the rule: its text is looked up once.
    const std::string_view mob = all.ColumnText(2);
    if (rows.empty() || mob != lastMob) {
      lastMob.assign(mob);
      lastIndex = mobs.Index(mob);
    }
    row.Mob = lastIndex;
    row.Dot = all.ColumnText(3) == "Dot";
    row.Dmg = all.ColumnInt(4);
    row.EventNum = StoredNumber(all, 5);
    row.TickNum = StoredNumber(all, 6);
    rows.push_back(row);
  }
  return rows;
}

// Lets a connection read its pages straight from the file's mapping rather
// than by a system call and a copy each.
void ReadThroughMapping(Database& db) {
  db.ExecuteNative("PRAGMA mmap_size = " + std::to_string(kMappedBytes));
}

int64_t QueryInt(Database& db, std::string_view sql) {
  Statement query(db, sql);
  query.Step();
  return query.ColumnInt(0);
}

// All stored rows as event building reads them, in RecNum order.
std::vector<EventRow> ReadEventRows(Database& db, MobTexts& mobs) {
  const auto count = static_cast<size_t>(QueryInt(db, "SELECT count(*) FROM ParseData"));
  return ReadEventRows(db, mobs, std::numeric_limits<int64_t>::min(),
                       std::numeric_limits<int64_t>::max(), count);
}

// The same from the stored file at `path`, of which `db` is a connection
// inside a transaction; the upper half of the RecNums is read on the second
// core through a connection of its own.
std::vector<EventRow> ReadEventRowsInHalves(Database& db, const std::string& path, MobTexts& mobs) {
  ReadThroughMapping(db);
  const auto count = static_cast<size_t>(QueryInt(db, "SELECT count(*) FROM ParseData"));
  if (count < 2) return ReadEventRows(db, mobs);
  // Each on its own: asked together, the engine would read every row.
  const int64_t low = QueryInt(db, "SELECT min(RecNum) FROM ParseData");
  const int64_t high = QueryInt(db, "SELECT max(RecNum) FROM ParseData");
  const int64_t middle = low / 2 + high / 2;  // halves first: no overflow at the extremes
  MobTexts upperMobs;
  auto upper = std::async(std::launch::async, [&] {
    Database reader(path, OpenMode::kReadOnly);
    ReadThroughMapping(reader);
    return ReadEventRows(reader, upperMobs, middle + 1, high, count / 2 + 1);
  });
  std::vector<EventRow> rows;
  try {
    rows = ReadEventRows(db, mobs, low, middle, count);
  } catch (...) {
    upper.wait();
    throw;
  }
  const std::vector<EventRow> upperRows = upper.get();
  std::vector<uint32_t> mobIndex;
  mobIndex.reserve(upperMobs.Texts().size());
  for (const std::string& mob : upperMobs.Texts()) mobIndex.push_back(mobs.Index(mob));
  for (EventRow row : upperRows) {
    row.Mob = mobIndex[row.Mob];
    rows.push_back(row);
  }
  return rows;
}

[[noreturn]] void FailDamaged(DatabaseRebuild& rebuild, const std::string& detail) {
  const std::string path = rebuild.StoredPath();
  const std::string aside = rebuild.MoveStoredAside();
  throw Error("The stored parse in " + path +
                  " is damaged, so the fights cannot be built from it. The file was moved to " +
                  aside + " as it was. Use Get Log to read your log again.",
              detail)
      .StoredDataChanged();
}

// Whether a stored row gets a new crit mark.
bool AnyNewCrit(Database& stored, const RowNumbers& numbers, const CritRule& crits) {
  if (crits.Empty()) return false;
  const NumberingFunctions functions(stored, numbers, crits);
  return QueryInt(stored, "SELECT EXISTS (SELECT 1 FROM ParseData WHERE " +
                              std::string(NumberingFunctions::kNewCrit) + ")") != 0;
}

// Numbers the events of `rows` (the stored rows, in RecNum order, with the
// numbers they carry) and makes the overview. When a row's numbers or crit
// mark change, or the stored file is not as a copy would make it, copies the
// stored rows into the new file with their crit marks and numbers and
// returns true; else copies nothing and returns false.
bool CopyNumberedRows(DatabaseRebuild& rebuild, std::vector<EventRow>& rows, const MobTexts& mobs,
                      int16_t eventTimerSeconds, Progress& progress, NumberedParse& result) {
  std::optional<RowNumbers> stored;
  if (rebuild.StoredAsMade()) stored.emplace(rows);
  result.Events.EventCount = NumberEvents(rows, mobs.Texts(), eventTimerSeconds, progress);
  result.EventList = OverviewOfEvents(rows, mobs.Texts(), result.Events.EventCount, progress);
  const RowNumbers numbers(rows);
  std::vector<EventRow>().swap(rows);  // the memory goes back before the copy
  const CritRule crits(result.Events.SpellDatRecs);
  if (stored && *stored == numbers && !AnyNewCrit(rebuild.Stored(), numbers, crits)) {
    return false;
  }
  stored.reset();
  Database& fresh = rebuild.Fresh();
  const NumberingFunctions functions(fresh, numbers, crits);
  // RecNums 0 to n-1 are copied in order as the next rowid after the first
  // (appended without a lookup); any others as they are.
  const char* recNum = numbers.Consecutive() ? "CASE WHEN RecNum = 0 THEN 0 END" : "RecNum";
  fresh.ExecuteNative(
      "INSERT INTO main.ParseData (RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, Cpower, "
      "Inten, CoA, Reserved, EventNum, TickNum, Color) SELECT " +
      std::string(recNum) + ", DTime, Who, Mob, Dmg, " + NumberingFunctions::Crit() +
      ", DmgSrc, DmgType, Cpower, Inten, CoA, Reserved, qorn_event(RecNum), qorn_tick(RecNum), "
      "Color FROM old.ParseData ORDER BY RecNum");
  fresh.ExecuteNative(
      "INSERT INTO main.SpellCastResist (RecNum, DTime, CorR, Spell) SELECT RecNum, DTime, CorR, "
      "Spell FROM old.SpellCastResist ORDER BY RecNum");
  return true;
}

}  // namespace

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

NumberedParse RenumberStoredParse(DatabaseRebuild& rebuild, int16_t eventTimerSeconds,
                                  Progress& progress) {
  if (rebuild.Health().state == DatabaseHealth::State::kDamaged) {
    FailDamaged(rebuild, rebuild.Health().detail);
  }
  NumberedParse result;
  if (!rebuild.HasStoredParse()) {
    // Nothing stored yet: a new file with no rows and no events.
    result.Events.SpellDatRecs = LoadSpellTable(rebuild.Fresh());
    return result;
  }
  MobTexts mobs;
  std::vector<EventRow> rows;
  try {
    result.Events.SpellDatRecs = LoadSpellTable(rebuild.Stored());
    rows = ReadEventRowsInHalves(rebuild.Stored(), rebuild.StoredPath(), mobs);
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    FailDamaged(rebuild, e.Detail());
  }
  // SQLite's check of every page runs on the second core while the rows are
  // numbered and copied; the new file only takes the stored one's place when
  // the check passes.
  auto quickCheck = std::async(std::launch::async, QuickCheckDatabaseFile, rebuild.StoredPath());
  bool copied = true;
  try {
    copied = CopyNumberedRows(rebuild, rows, mobs, eventTimerSeconds, progress, result);
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    quickCheck.wait();
    FailDamaged(rebuild, e.Detail());
  }
  if (const std::string problems = quickCheck.get(); !problems.empty()) {
    FailDamaged(rebuild, problems);
  }
  if (!copied) rebuild.KeepStored();
  return result;
}

EventBuildResult BuildEvents(const std::string& databasePath, int16_t eventTimerSeconds,
                             Progress& progress) {
  DatabaseRebuild rebuild(databasePath);
  rebuild.Open(false);  // the quick check runs beside the reading
  NumberedParse numbered = RenumberStoredParse(rebuild, eventTimerSeconds, progress);
  rebuild.Finish();
  rebuild.Replace();
  return std::move(numbered.Events);
}

EventBuildResult BuildEvents(Database& db, int16_t eventTimerSeconds, Progress& progress) {
  EventBuildResult result;
  result.SpellDatRecs = LoadSpellTable(db);
  MobTexts mobs;
  std::vector<EventRow> rows = ReadEventRows(db, mobs);
  result.EventCount = NumberEvents(rows, mobs.Texts(), eventTimerSeconds, progress);
  const RowNumbers numbers(rows);
  const CritRule crits(result.SpellDatRecs);
  const NumberingFunctions functions(db, numbers, crits);
  db.ExecuteNative("UPDATE ParseData SET Crit = " + NumberingFunctions::Crit() +
                   ", EventNum = qorn_event(RecNum), TickNum = qorn_tick(RecNum)");
  return result;
}

}  // namespace qorn
