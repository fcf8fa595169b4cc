#include "store/jet_sql.h"

#include <gtest/gtest.h>

#include "common/date_time.h"
#include "common/error.h"
#include "common/number_format.h"

namespace qorn {
namespace {

TEST(TranslateJetSql, RewritesOnlyOutsideStringLiterals) {
  const double when = *MakeDateTime({2026, 12, 4, 17, 57, 44});
  const std::string number = FormatDouble(when);
  struct Case {
    std::string jet;
    std::string sqlite;
  };
  const Case cases[] = {
      {"delete * from ParseData", "delete from ParseData"},
      {"DELETE  *  FROM SpellCastResist", "DELETE  FROM SpellCastResist"},
      {"INSERT into T values (0,#12/04/2026 05:57:44 PM#,'a','b',True,False)",
       std::string("INSERT into T values (0,") + number + ",'a','b',-1,0)"},
      {"select 'True #x# delete * from', 'it''s True' from T where truest = 1",
       "select 'True #x# delete * from', 'it''s True' from T where truest = 1"},
      {"SELECT TickNum, Sum([dmg]) From ParseData Where [True] = 1",
       "SELECT TickNum, Sum([dmg]) From ParseData Where [True] = 1"},
      {"SELECT DISTINCT (S.spell) FROM S RIGHT JOIN Spelldat ON S.Spell=Spelldat.spell WHERE x",
       "SELECT DISTINCT (S.spell) FROM Spelldat LEFT JOIN S ON S.Spell=Spelldat.spell WHERE x"},
      {"select a from S  right\tjoin  T\non 1", "select a from T LEFT JOIN S ON 1"},
      {"SELECT * FROM S RIGHT JOIN T ON 1", "SELECT * FROM S RIGHT JOIN T ON 1"},
      {"SELECT a FROM S RIGHT JOIN (T) ON 1", "SELECT a FROM S RIGHT JOIN (T) ON 1"},
      {"SELECT 'S RIGHT JOIN T ON' FROM U", "SELECT 'S RIGHT JOIN T ON' FROM U"},
      {"SELECT a FROM SRIGHT JOIN T ON 1", "SELECT a FROM SRIGHT JOIN T ON 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateJetSql(c.jet), c.sqlite) << c.jet;
  EXPECT_THROW(TranslateJetSql("select #13/45/2026 01:00:00 PM#"), Error);
  EXPECT_THROW(TranslateJetSql("select #12/04/2026"), Error);
}

TEST(SqlLiterals, QuotesAndDates) {
  EXPECT_EQ(SqlQuote("Tunare's guardian"), "'Tunare''s guardian'");
  EXPECT_EQ(SqlDateLiteral(*MakeDateTime({2026, 12, 4, 17, 57, 44})), "#12/04/2026 05:57:44 PM#");
}

}  // namespace
}  // namespace qorn
