#include "store/parse_store.h"

#include "common/text_encoding.h"
#include "store/database.h"
#include "store/jet_sql.h"

namespace qorn {
namespace {

int64_t YesNo(bool value) { return value ? -1 : 0; }

// A log text as UTF-8, converted only when it has to be (most are ASCII).
class Utf8Text {
 public:
  std::string_view operator()(std::string_view text) {
    if (!NeedsUtf8Conversion(text)) return text;
    held_ = LogTextToUtf8(text);
    return held_;
  }

 private:
  std::string held_;
};
const char* YesNoWord(bool value) { return value ? "True" : "False"; }

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
  Database db(databasePath);
  Transaction tx(db);
  StoreParsedRecords(db, parsed, progress);
  tx.Commit();
}

void StoreParsedRecords(Database& db, const ParseResult& parsed, Progress& progress) {
  db.Execute("delete * from ParseData");
  {
    progress.SetValue(0);
    progress.SetMaximum(static_cast<double>(parsed.DamageRecs.size()));
    ProgressSteps steps(progress, parsed.DamageRecs.size());
    Statement insert(db, "INSERT INTO ParseData VALUES (?,?,?,?,?,?,?,?,?,?,?,?,0,0,0)");
    Utf8Text who, mob, source;
    for (size_t i = 0; i < parsed.DamageRecs.size(); ++i) {
      const DamageRec& r = parsed.DamageRecs[i];
      insert.Bind(1, static_cast<int64_t>(i))
          .Bind(2, r.When)
          .Bind(3, who(r.Who))
          .Bind(4, mob(r.Mob))
          .Bind(5, static_cast<int64_t>(r.Dmg))
          .Bind(6, YesNo(r.Crit))
          .Bind(7, source(r.DmgSrc))
          .Bind(8, r.DmgType)
          .Bind(9, YesNo(r.Cpower))
          .Bind(10, YesNo(r.Inten))
          .Bind(11, YesNo(r.CoA))
          .Bind(12, static_cast<int64_t>(r.Reserved));
      insert.Step();
      insert.Reset();
      steps.Done(i + 1);
    }
  }

  db.Execute("delete * from SpellCastResist");
  {
    progress.SetValue(0);
    progress.SetMaximum(static_cast<double>(parsed.CastRecs.size()));
    ProgressSteps steps(progress, parsed.CastRecs.size());
    Statement insert(db, "INSERT INTO SpellCastResist VALUES (?,?,?,?)");
    Utf8Text spell;
    for (size_t i = 0; i < parsed.CastRecs.size(); ++i) {
      const CastRec& r = parsed.CastRecs[i];
      insert.Bind(1, static_cast<int64_t>(i))
          .Bind(2, r.When)
          .Bind(3, static_cast<int64_t>(r.CorR))
          .Bind(4, spell(r.Spell));
      insert.Step();
      insert.Reset();
      steps.Done(i + 1);
    }
  }
  progress.SetValue(0);
}

}  // namespace qorn
