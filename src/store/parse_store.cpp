#include "store/parse_store.h"

#include "common/text_encoding.h"
#include "store/database.h"
#include "store/database_rebuild.h"
#include "store/jet_sql.h"

namespace qorn {
namespace {

int64_t YesNo(bool value) { return value ? -1 : 0; }

const char* YesNoWord(bool value) { return value ? "True" : "False"; }

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

// What each row gets beside the parsed values: its crit mark and numbers
// (false and zeros when not given).
struct RowMarks {
  const RowNumbers* numbers = nullptr;
  const CritRule* crits = nullptr;
};

// "INSERT INTO ParseData (...) VALUES (...)" for `rows` rows of 14 parameters.
std::string InsertRowsSql(size_t rows) {
  std::string sql =
      "INSERT INTO ParseData (RecNum, DTime, Who, Mob, Dmg, Crit, DmgSrc, DmgType, Cpower, "
      "Inten, CoA, Reserved, EventNum, TickNum, Color) VALUES ";
  for (size_t k = 0; k < rows; ++k)
    sql += k ? ",(?,?,?,?,?,?,?,?,?,?,?,?,?,?,0)" : "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,0)";
  return sql;
}

// Writes the damage records as ParseData rows RecNum 0.. and the cast
// records as SpellCastResist rows into empty tables.
void InsertParsedRows(Database& db, const ParseResult& parsed, RowMarks marks, Progress& progress) {
  {
    progress.SetValue(0);
    progress.SetMaximum(static_cast<double>(parsed.DamageRecs.size()));
    ProgressSteps steps(progress, parsed.DamageRecs.size());
    // Rows go in batches of kBatch per statement: a statement costs more
    // to run than a row costs to bind. The last few go one at a time.
    constexpr size_t kBatch = 16;
    constexpr int kColumns = 14;
    Statement batch(db, InsertRowsSql(kBatch));
    Statement single(db, InsertRowsSql(1));
    Utf8Text who[kBatch], mob[kBatch], source[kBatch];
    const size_t count = parsed.DamageRecs.size();
    for (size_t i = 0; i < count;) {
      const bool full = count - i >= kBatch;
      Statement& insert = full ? batch : single;
      const size_t rows = full ? kBatch : 1;
      for (size_t k = 0; k < rows; ++k, ++i) {
        const DamageRec& r = parsed.DamageRecs[i];
        const auto recNum = static_cast<int64_t>(i);
        const std::string_view src = source[k](r.DmgSrc);
        const bool crit =
            r.Crit || (marks.crits != nullptr && CompareNoCase(r.DmgType, kDot) == 0 &&
                       marks.crits->IsCrit(src, r.Dmg));
        int32_t eventNum = 0, tickNum = 0;
        if (marks.numbers != nullptr) marks.numbers->Find(recNum, eventNum, tickNum);
        const int p = static_cast<int>(k) * kColumns;
        insert.Bind(p + 1, recNum)
            .Bind(p + 2, r.When)
            .BindUnowned(p + 3, who[k](r.Who))
            .BindUnowned(p + 4, mob[k](r.Mob))
            .Bind(p + 5, static_cast<int64_t>(r.Dmg))
            .Bind(p + 6, YesNo(crit))
            .BindUnowned(p + 7, src)
            .BindUnowned(p + 8, r.DmgType.empty() ? std::string_view("", 0) : r.DmgType)
            .Bind(p + 9, YesNo(r.Cpower))
            .Bind(p + 10, YesNo(r.Inten))
            .Bind(p + 11, YesNo(r.CoA))
            .Bind(p + 12, static_cast<int64_t>(r.Reserved))
            .Bind(p + 13, static_cast<int64_t>(eventNum))
            .Bind(p + 14, static_cast<int64_t>(tickNum));
      }
      insert.Step();
      insert.Reset();
      steps.Done(i);
    }
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
      insert.Bind(1, static_cast<int64_t>(i))
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

}  // namespace

std::string InsertDamageSql(size_t i, const DamageRec& r) {
  return "INSERT into ParseData values (" + std::to_string(i) + "," + SqlDateLiteral(r.When) + "," +
         SqlQuote(LogTextToUtf8(r.Who)) + "," + SqlQuote(LogTextToUtf8(r.Mob)) + "," +
         std::to_string(r.Dmg) + "," + YesNoWord(r.Crit) + "," + SqlQuote(LogTextToUtf8(r.DmgSrc)) +
         "," + SqlQuote(r.DmgType) + "," + YesNoWord(r.Cpower) + "," + YesNoWord(r.Inten) + "," +
         YesNoWord(r.CoA) + "," + std::to_string(r.Reserved) + ",0,0,0)";
}

std::string InsertCastSql(size_t i, const CastRec& r) {
  return "INSERT into SpellCastResist values (" + std::to_string(i) + "," + SqlDateLiteral(r.When) +
         "," + std::to_string(r.CorR) + "," + SqlQuote(LogTextToUtf8(r.Spell)) + ")";
}

void StoreParsedRecords(const std::string& databasePath, const ParseResult& parsed,
                        Progress& progress) {
  DatabaseRebuild rebuild(databasePath);
  rebuild.Open(false);
  InsertParsedRows(rebuild.Fresh(), parsed, {}, progress);
  rebuild.Finish();
  rebuild.Replace();
}

void StoreParsedRecords(Database& db, const ParseResult& parsed, Progress& progress) {
  db.Execute("delete * from ParseData");
  db.Execute("delete * from SpellCastResist");
  InsertParsedRows(db, parsed, {}, progress);
}

NumberedParse StoreNewParse(DatabaseRebuild& rebuild, const ParseResult& parsed,
                            int16_t eventTimerSeconds, Progress& progress) {
  NumberedParse result;
  result.Events.SpellDatRecs = LoadSpellTable(rebuild.Fresh());
  MobTexts mobs;
  std::vector<EventRow> rows;
  rows.reserve(parsed.DamageRecs.size());
  Utf8Text utf8;
  std::string_view lastMob;
  uint32_t lastIndex = 0;
  for (size_t i = 0; i < parsed.DamageRecs.size(); ++i) {
    const DamageRec& r = parsed.DamageRecs[i];
    // Runs of rows on one mob are the rule: its text is looked up once.
    if (i == 0 || r.Mob.data() != lastMob.data() || r.Mob.size() != lastMob.size()) {
      lastMob = r.Mob;
      lastIndex = mobs.Index(utf8(r.Mob));
    }
    EventRow row;
    row.When = r.When;
    row.RecNum = static_cast<int64_t>(i);
    row.Dmg = r.Dmg;
    row.Mob = lastIndex;
    row.Dot = r.DmgType == kDot;
    rows.push_back(row);
  }
  result.Events.EventCount = NumberEvents(rows, mobs.Texts(), eventTimerSeconds, progress);
  result.EventList = OverviewOfEvents(rows, mobs.Texts(), result.Events.EventCount, progress);
  const RowNumbers numbers(rows);
  std::vector<EventRow>().swap(rows);  // the memory goes back before the rows are written
  const CritRule crits(result.Events.SpellDatRecs);
  InsertParsedRows(rebuild.Fresh(), parsed, {&numbers, &crits}, progress);
  return result;
}

}  // namespace qorn
