#include "store/crit_marks.h"

#include <optional>

#include "store/database.h"
#include "store/parse_state.h"

namespace qorn {
namespace {

// The crit rule as an SQL function of a row's damage type, source and damage,
// for the one statement that marks the new crits.
class CritFunction {
 public:
  CritFunction(Database& db, const CritRule& crits) : db_(db), crits_(crits) {
    if (sqlite3_create_function_v2(db_.Handle(), "qorn_crit", 3, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                   this, &CritOf, nullptr, nullptr, nullptr) != SQLITE_OK) {
      db_.Fail("make the function qorn_crit");
    }
  }
  ~CritFunction() {
    sqlite3_create_function_v2(db_.Handle(), "qorn_crit", 3, SQLITE_UTF8, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
  }
  CritFunction(const CritFunction&) = delete;
  CritFunction& operator=(const CritFunction&) = delete;

 private:
  static std::string_view TextOf(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value)))
                : std::string_view();
  }
  static void CritOf(sqlite3_context* c, int, sqlite3_value** v) {
    const auto& self = *static_cast<const CritFunction*>(sqlite3_user_data(c));
    sqlite3_result_int(
        c, IsDot(TextOf(v[0])) && self.crits_.IsCrit(TextOf(v[1]), sqlite3_value_int64(v[2])) ? 1
                                                                                              : 0);
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

void NoteCritSpells(Database& db, const std::vector<SpellDatRec>& spells) {
  WriteState(db, StateKey::CritSpells, SpellTableText(spells));
}

void MarkNewCrits(Database& db, const std::vector<SpellDatRec>& spells) {
  if (ReadState(db, StateKey::CritSpells) == SpellTableText(spells)) return;
  const CritRule crits(spells);
  if (!crits.Empty()) {
    const CritFunction function(db, crits);
    db.ExecuteNative(
        "UPDATE DamageRows SET Crit = -1 WHERE Crit = 0 AND qorn_crit(DmgType, DmgSrc, Dmg)");
  }
  NoteCritSpells(db, spells);
}

}  // namespace qorn
