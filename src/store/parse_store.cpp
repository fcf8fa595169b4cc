#include "store/parse_store.h"

#include <array>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "common/text_encoding.h"
#include "store/crit_marks.h"
#include "store/database.h"
#include "store/database_rebuild.h"
#include "store/fight_writer.h"
#include "store/mob_seconds.h"
#include "store/parse_state.h"
#include "store/seconds_format.h"
#include "store/stored_seconds.h"

namespace qorn {
namespace {

int64_t YesNo(bool value) { return value ? -1 : 0; }

// A log text as UTF-8, converted only when it has to be (most are ASCII). An
// empty text stays a text, never a null.
class Utf8Text {
 public:
  std::string_view operator()(std::string_view text) {
    if (text.empty()) return std::string_view("", 0);
    if (!NeedsUtf8Conversion(text)) return text;
    held_ = LogTextToUtf8(text);
    return held_;
  }

 private:
  std::string held_;
};

// The stored form of the parse's texts, worked out once per text and kept
// in a small table by address: each piece of the parse keeps one copy of
// each distinct text, so a text met again (the character, the mob of a
// fight, the few spells ticking on it) is found by its address alone. The
// same text held at two addresses is only worked out twice.
class StoredTexts {
 public:
  struct Text {
    std::string_view utf8;            // as stored; empty stays a text, never a null
    const int64_t* normal = nullptr;  // the normal damage of a spell of this name
  };

  explicit StoredTexts(const CritRule* crits) : crits_(crits) {}

  const Text& Of(std::string_view text) {
    const auto address = reinterpret_cast<uintptr_t>(text.data());
    Slot& slot = slots_[(address * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits)];
    if (!slot.filled || slot.data != text.data() || slot.size != text.size()) {
      slot.filled = true;
      slot.data = text.data();
      slot.size = text.size();
      slot.text.utf8 = Utf8(text);
      slot.text.normal = crits_ != nullptr ? crits_->NormalOf(slot.text.utf8) : nullptr;
    }
    return slot.text;
  }

 private:
  static constexpr int kSlotBits = 8;
  struct Slot {
    bool filled = false;
    const char* data = nullptr;
    size_t size = 0;
    Text text;
  };

  std::string_view Utf8(std::string_view text) {
    if (text.empty()) return std::string_view("", 0);
    if (!NeedsUtf8Conversion(text)) return text;
    auto [it, added] = converted_.try_emplace({text.data(), text.size()});
    if (added) it->second = LogTextToUtf8(text);
    return it->second;
  }

  const CritRule* crits_;
  std::array<Slot, size_t{1} << kSlotBits> slots_{};
  std::map<std::pair<const char*, size_t>, std::string> converted_;  // kept while rows are stored
};

// What each row gets beside the parsed values: its RecNum (from `firstRecNum`
// on), its crit mark (false when no rule is given) and the key of its mob
// (0 when not given).
struct RowMarks {
  int64_t firstRecNum = 0;
  const CritRule* crits = nullptr;
  const std::vector<int64_t>* keyOfRow = nullptr;  // by record
};

// The damage records of a parse as a table the database engine reads from:
// one row per record, with the columns ParseData gets (its crit mark and
// numbers included). Storing them is then one INSERT ... SELECT, which costs
// the engine less per row than running a statement with bound values.
class ParsedRowsTable {
 public:
  static constexpr const char* kName = "qorn_parsed_rows";

  ParsedRowsTable(Database& db, const ParseResult& parsed, RowMarks marks, Progress& progress)
      : db_(db), parsed_(parsed), marks_(marks), steps_(progress, parsed.DamageRecs.size()) {
    static const sqlite3_module kModule = [] {
      sqlite3_module m{};
      m.xConnect = &Connect;  // no xCreate: the table exists under the module's name only
      m.xBestIndex = &BestIndex;
      m.xDisconnect = &Disconnect;
      m.xOpen = &Open;
      m.xClose = &Close;
      m.xFilter = &Filter;
      m.xNext = &Next;
      m.xEof = &Eof;
      m.xColumn = &Column;
      m.xRowid = &Rowid;
      return m;
    }();
    if (sqlite3_create_module_v2(db.Handle(), kName, &kModule, this, nullptr) != SQLITE_OK) {
      db.Fail("make the table of parsed rows");
    }
  }
  ~ParsedRowsTable() { sqlite3_create_module_v2(db_.Handle(), kName, nullptr, nullptr, nullptr); }
  ParsedRowsTable(const ParsedRowsTable&) = delete;
  ParsedRowsTable& operator=(const ParsedRowsTable&) = delete;

 private:
  struct Cursor {
    sqlite3_vtab_cursor base;  // first, as the engine casts
    ParsedRowsTable* table;
    size_t row = 0;
    StoredTexts texts;
  };
  struct Table {
    sqlite3_vtab base;
    ParsedRowsTable* self;
  };

  static int Connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    const int rc = sqlite3_declare_vtab(
        db,
        "CREATE TABLE x(RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, Cpower, Inten, CoA, "
        "Reserved, MobKey)");
    if (rc != SQLITE_OK) return rc;
    auto* table = new Table{};
    table->self = static_cast<ParsedRowsTable*>(aux);
    *out = &table->base;
    return SQLITE_OK;
  }
  static int Disconnect(sqlite3_vtab* vtab) {
    delete reinterpret_cast<Table*>(vtab);
    return SQLITE_OK;
  }
  static int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const auto rows = static_cast<double>(reinterpret_cast<Table*>(vtab)->self->Count());
    info->estimatedCost = rows;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    return SQLITE_OK;
  }
  static int Open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
    ParsedRowsTable* table = reinterpret_cast<Table*>(vtab)->self;
    auto* cursor = new Cursor{{}, table, 0, StoredTexts(table->marks_.crits)};
    *out = &cursor->base;
    return SQLITE_OK;
  }
  static int Close(sqlite3_vtab_cursor* c) {
    delete reinterpret_cast<Cursor*>(c);
    return SQLITE_OK;
  }
  static int Filter(sqlite3_vtab_cursor* c, int, const char*, int, sqlite3_value**) {
    reinterpret_cast<Cursor*>(c)->row = 0;
    return SQLITE_OK;
  }
  static int Next(sqlite3_vtab_cursor* c) {
    auto* cursor = reinterpret_cast<Cursor*>(c);
    // An exception must not pass through the engine's frames: the engine
    // is told to stop, and the exception is thrown again once it has.
    try {
      cursor->table->steps_.Done(++cursor->row);
    } catch (...) {
      cursor->table->stopped_ = std::current_exception();
      return SQLITE_ABORT;
    }
    return SQLITE_OK;
  }
  static int Eof(sqlite3_vtab_cursor* c) {
    auto* cursor = reinterpret_cast<Cursor*>(c);
    return cursor->row >= cursor->table->Count() ? 1 : 0;
  }
  static int Rowid(sqlite3_vtab_cursor* c, sqlite3_int64* rowid) {
    *rowid = static_cast<sqlite3_int64>(reinterpret_cast<Cursor*>(c)->row);
    return SQLITE_OK;
  }
  static void Text(sqlite3_context* ctx, std::string_view text) {
    // A text from the parse's pool or a cursor's holder stays until the row is stored.
    sqlite3_result_text(ctx, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                        SQLITE_STATIC);
  }
  static int Column(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int column) {
    auto* cursor = reinterpret_cast<Cursor*>(c);
    const ParsedRowsTable& t = *cursor->table;
    const DamageRec& r = t.parsed_.DamageRecs[cursor->row];
    switch (column) {
      case 0:
        // Rows after the first take the next rowid, which is their RecNum: the
        // engine appends them without looking the number up first.
        if (cursor->row == 0) {
          sqlite3_result_int64(ctx, t.marks_.firstRecNum);
        } else {
          sqlite3_result_null(ctx);
        }
        break;
      case 1:
        sqlite3_result_double(ctx, r.When);
        break;
      case 2:
        Text(ctx, cursor->texts.Of(r.Who).utf8);
        break;
      case 3:
        Text(ctx, cursor->texts.Of(r.Mob).utf8);
        break;
      case 4:
        sqlite3_result_int64(ctx, r.Dmg);
        break;
      case 5: {
        const int64_t* normal = IsDot(r.DmgType) ? cursor->texts.Of(r.DmgSrc).normal : nullptr;
        sqlite3_result_int64(ctx, YesNo(r.Crit || CritRule::IsCritOf(normal, r.Dmg)));
        break;
      }
      case 6:
        Text(ctx, cursor->texts.Of(r.DmgSrc).utf8);
        break;
      case 7:
        Text(ctx, r.DmgType);
        break;
      case 8:
        sqlite3_result_int64(ctx, YesNo(r.Cpower));
        break;
      case 9:
        sqlite3_result_int64(ctx, YesNo(r.Inten));
        break;
      case 10:
        sqlite3_result_int64(ctx, YesNo(r.CoA));
        break;
      case 11:
        sqlite3_result_int64(ctx, r.Reserved);
        break;
      default: {
        sqlite3_result_int64(ctx,
                             t.marks_.keyOfRow != nullptr ? (*t.marks_.keyOfRow)[cursor->row] : 0);
      }
    }
    return SQLITE_OK;
  }
  size_t Count() const { return parsed_.DamageRecs.size(); }

 public:
  // Runs the statement that reads the table; what stopped it is thrown.
  void Run(const std::string& sql) {
    try {
      db_.ExecuteNative(sql);
    } catch (...) {
      if (stopped_) std::rethrow_exception(stopped_);
      throw;
    }
  }

 private:
  std::exception_ptr stopped_;

  Database& db_;
  const ParseResult& parsed_;
  RowMarks marks_;
  ProgressSteps steps_;
};

// Appends the damage records as DamageRows rows (RecNum from
// marks.firstRecNum on) and the cast records as SpellCastResist rows (RecNum
// from `firstCast` on).
void InsertParsedRows(Database& db, const ParseResult& parsed, RowMarks marks, Progress& progress,
                      int64_t firstCast = 0) {
  {
    progress.SetValue(0);
    progress.SetMaximum(static_cast<double>(parsed.DamageRecs.size()));
    ParsedRowsTable rows(db, parsed, marks, progress);
    rows.Run(
        "INSERT INTO DamageRows (RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, Cpower, "
        "Inten, CoA, Reserved, Color, MobKey) SELECT RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, "
        "DmgType, Cpower, Inten, CoA, Reserved, 0, MobKey FROM " +
        std::string(ParsedRowsTable::kName));
  }
  {
    progress.SetValue(0);
    progress.SetMaximum(static_cast<double>(parsed.CastRecs.size()));
    ProgressSteps steps(progress, parsed.CastRecs.size());
    Statement insert(db,
                     "INSERT INTO SpellCastResist (RecNum, DTime, CorR, Spell) VALUES (?,?,?,?)");
    Utf8Text spell;
    for (size_t i = 0; i < parsed.CastRecs.size(); ++i) {
      const CastRec& r = parsed.CastRecs[i];
      insert.Bind(1, firstCast + static_cast<int64_t>(i))
          .Bind(2, r.When)
          .Bind(3, static_cast<int64_t>(r.CorR))
          .BindUnowned(4, spell(r.Spell));
      insert.Step();
      insert.Reset();
      steps.Done(i + 1);
    }
  }
  progress.SetValue(0);
}

// A fizzle or interrupt read after the last stored cast changes its CorR:
// the cast before RecNum `nextCast`, when there is one.
void ChangeLastCast(Database& db, std::optional<int16_t> change, int64_t nextCast) {
  if (!change || nextCast <= 0) return;
  Statement update(db, "UPDATE SpellCastResist SET CorR = ? WHERE RecNum = ?");
  update.Bind(1, static_cast<int64_t>(*change)).Bind(2, nextCast - 1).Step();
}

// Each damage record's mob and its key (returned by record), and the records
// summed per second into `runs`, their RecNums from `firstRecNum` on.
std::vector<int64_t> SumIntoRuns(const ParseResult& records, int64_t firstRecNum, MobIdentity& mobs,
                                 SecondRuns& runs) {
  std::vector<int64_t> keys(records.DamageRecs.size());
  Utf8Text utf8;
  std::string_view lastMob;
  MobIdentity::Found of;
  for (size_t i = 0; i < records.DamageRecs.size(); ++i) {
    const DamageRec& r = records.DamageRecs[i];
    // Runs of rows on one mob are the rule: its text is looked up once.
    if (i == 0 || r.Mob.data() != lastMob.data() || r.Mob.size() != lastMob.size()) {
      lastMob = r.Mob;
      of = mobs.Of(utf8(r.Mob));
    }
    keys[i] = mobs.KeyOf(of.Mob);
    runs.Add(of.Mob, of.Spelling, r.When, firstRecNum + static_cast<int64_t>(i), r.Dmg,
             IsDot(r.DmgType));
  }
  return keys;
}

}  // namespace

ParseWriter::ParseWriter(Database& db, std::optional<int16_t> eventTimerSeconds,
                         size_t secondsInMemory)
    : db_(db), timer_(eventTimerSeconds), runs_(db, secondsInMemory) {
  spells_ = LoadSpellTable(db);
  if (timer_) crits_ = std::make_unique<CritRule>(spells_);
}

ParseWriter::~ParseWriter() = default;

void ParseWriter::Add(const ParseResult& records, std::optional<int16_t> lastCastChange) {
  const size_t count = records.DamageRecs.size();
  const std::vector<int64_t> keys = SumIntoRuns(records, damageRows_, mobs_, runs_);
  ChangeLastCast(db_, lastCastChange, castRows_);
  NullProgress quiet;  // the parse drives the bar meanwhile
  InsertParsedRows(db_, records, {damageRows_, crits_.get(), &keys}, quiet, castRows_);
  damageRows_ += static_cast<int64_t>(count);
  castRows_ += static_cast<int64_t>(records.CastRecs.size());
}

NumberedParse ParseWriter::Finish(Progress& progress, bool keepOverview, StopToken stop) {
  NumberedParse result;
  result.Events.SpellDatRecs = std::move(spells_);
  const std::vector<MobSpan> spans = WriteSecondRuns(db_, runs_, mobs_);
  if (timer_) {
    result.EventList = CutAndWriteFights(db_, *timer_, progress, keepOverview, stop);
    NoteCritSpells(db_, result.Events.SpellDatRecs);
    result.Events.EventCount = result.EventList.EventCount;
  } else {
    // Every row in "event 0".
    db_.ExecuteNative("INSERT INTO Fights (EventNum, FightKey, Total) VALUES (0, 0, 0)");
    Statement run(db_,
                  "INSERT INTO TickRuns (FightKey, TickNum, MobKey, FromTime, ToTime) VALUES "
                  "(0, 0, ?, ?, ?)");
    for (const MobSpan& m : spans) {
      run.Bind(1, m.Key).Bind(2, m.First).Bind(3, m.Last);
      run.Step();
      run.Reset();
    }
  }
  progress.SetValue(0);
  return result;
}

std::optional<SecondsChange> StoreAppendedParse(Database& db, const AppendedParse& appended,
                                                int64_t firstRecNum, int64_t firstCast,
                                                Progress& progress) {
  const ParseResult& parsed = appended.Records;
  // The stored mobs and the stored cut, read before the rows are added (which
  // makes the noted seconds and the cut stale); seconds that are not current
  // are made again from the rows by the next cut.
  std::vector<MobSeconds> bySeconds;
  SecondsTotals totals;
  const bool current = ReadStoredMobs(db, bySeconds, &totals);
  SecondsChange change;
  change.CutTimer = CurrentCutTimer(db);
  MobIdentity mobs;
  for (const MobSeconds& m : bySeconds) mobs.AddStored(m.Key, m.Texts);
  SecondRuns runs(db);
  const std::vector<int64_t> keyOfRow = SumIntoRuns(parsed, firstRecNum, mobs, runs);
  const CritRule crits(LoadSpellTable(db));
  InsertParsedRows(db, parsed, {firstRecNum, &crits, &keyOfRow}, progress, firstCast);
  ChangeLastCast(db, appended.LastCastChange, firstCast);
  if (!current) return std::nullopt;
  // Only the mobs the appended rows are on are read, and of them only the
  // last pieces of seconds, from where the appended seconds go.
  std::vector<size_t> changed(bySeconds.size(), kUnchanged);
  try {
    ForEachMobSeconds(runs, [&](uint32_t mob, std::vector<EventRow>& added) {
      if (mob >= bySeconds.size()) {
        bySeconds.resize(mob + 1);
        changed.resize(mob + 1, kUnchanged);
        ++totals.Mobs;
      } else {
        ReadStoredSecondsFrom(db, bySeconds[mob], added.front().When);
      }
      MobSeconds& m = bySeconds[mob];
      m.Key = mobs.KeyOf(mob);
      m.Texts = mobs.Mobs()[mob].Spellings;
      const size_t held = m.Seconds.size();
      changed[mob] = m.Before + AddSeconds(m, added);
      uint64_t damage = 0;
      for (const EventRow& s : added) damage += static_cast<uint64_t>(s.Dmg);
      m.NotedSeconds += m.Seconds.size() - held;
      m.NotedDamage = static_cast<int64_t>(static_cast<uint64_t>(m.NotedDamage) + damage);
      totals.Seconds += m.Seconds.size() - held;
      totals.Damage += damage;
      change.Mobs.emplace_back(m.Key, added.front().When);
    });
  } catch (const StoredSecondsDamaged&) {
    return std::nullopt;
  }
  WriteChangedSeconds(db, bySeconds, changed);
  MarkMobSecondsCurrent(db, totals);
  return change;
}

}  // namespace qorn
