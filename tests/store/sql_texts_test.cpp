// Every SQL text the program's views, lists and exports run, against one
// small fixture: the texts must run as written and return what the routines
// that use them expect.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/date_time.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "support/parse_db.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

using test::FixtureRow;

// A field as text; date-times as "MM/DD/YYYY hh:mm:ss AM/PM".
std::string Show(const Value& v) {
  if (const auto* d = std::get_if<double>(&v.Raw()); d && *d > 10000) return FormatSqlDateTime(*d);
  return v.AsText();
}

std::vector<std::string> Rows(Database& db, const std::string& sql) {
  Recordset rs(db, sql);
  std::vector<std::string> rows;
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) {
    std::string row;
    for (int i = 0; i < rs.FieldCount(); ++i) row += (i ? "|" : "") + Show(rs.Field(i));
    rows.push_back(row);
  }
  return rows;
}

class SqlTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    // Event 1, "a gnoll" (ticks 1..3 anchored at the first DoT tick); event 2, "a rat".
    test::WriteParseRows(path_,
                         {
                             {"a gnoll", 0, 96, "Dot", "Splurt.", true},  // tick 1
                             {"a gnoll", 0, 20, "Pet", "bites"},          // tick 1
                             {"a gnoll", 6, 192, "Dot", "Splurt."},       // tick 2, a crit
                             {"a gnoll", 6, 956, "Dot", "Dread Pyre."},   // tick 2
                             {"a gnoll", 7, 1000, "DD", "hit"},           // tick 2
                             {"a gnoll", 8, 30, "Epic/Swarm", "hits", false, true},  // tick 2
                             {"A gnoll", 12, 90, "Dot", "Splurt."},                  // tick 3
                             {"a rat", 100, 5, "Pet", "bites"},  // event 2, tick 1
                             {"a rat", 106, 50, "DD", "hit"},    // event 2, tick 2
                         });
    test::WriteCasts(path_, {{-2, 0, "Splurt."},
                             {0, 0, "Dread Pyre."},
                             {3, 1, "Dread Pyre."},
                             {5, 2, "Splurt."},
                             {9, 3, "Ignite Blood."},
                             {9, 0, "Not A Spell."},
                             {50, 0, "Splurt."}});
    NullProgress progress;
    RenumberStoredParse(path_, 18, progress);
  }
  test::TempDir dir_;
  std::string path_ = dir_.File("QornDB.mdb");
};

// The fight's window, as the detail report writes it into its texts.
const std::string kStart = "12/04/2026 05:00:00 PM";
const std::string kEnd = "12/04/2026 05:00:12 PM";

TEST_F(SqlTexts, QueriesReturnWhatTheirCallersExpect) {
  struct Case {
    std::string sql;
    std::vector<std::string> rows;
  };
  const std::string t0 = "12/04/2026 05:00:00 PM";
  const Case cases[] = {
      // Event building and the overview.
      {"SELECT * FROM ParseData WHERE DmgType = 'Dot'",
       {t0 + "|Soandso|a gnoll|96|0|Splurt.|Dot|-1|0|0|0|1|1|0",
        "2|12/04/2026 05:00:06 PM|Soandso|a gnoll|192|-1|Splurt.|Dot|0|0|0|0|1|2|0",
        "3|12/04/2026 05:00:06 PM|Soandso|a gnoll|956|0|Dread Pyre.|Dot|0|0|0|0|1|2|0",
        "6|12/04/2026 05:00:12 PM|Soandso|A gnoll|90|0|Splurt.|Dot|0|0|0|0|1|3|0"}},
      {"select max(EventNum) from ParseData", {"2"}},
      {"Select max(Dtime), min(Dtime) FROM SortMobTime WHERE eventnum = 1", {kEnd + "|" + kStart}},
      {"Select sum(dmg) FROM SortMobTime WHERE eventnum = 1", {"2384"}},
      {"Select mob FROM SortMobTime WHERE eventnum = 2", {"a rat", "a rat"}},
      // DoT breakdown and DoT ticks.
      {"SELECT TickNum, Sum([dmg]), sum(Cpower), sum(CoA), sum(inten) From ParseData Where "
       "EventNum = 1  GROUP BY TickNum;",
       {"1|116|-1|0|0", "2|2178|0|-1|0", "3|90|0|0|0"}},
      // The graphs.
      {"SELECT max(TickNum) From ParseData Where EventNum = 1 ", {"3"}},
      {"SELECT sum(dmg) From ParseData Where EventNum = 1 AND (dmgtype = 'Pet' or dmgtype = "
       "'Epic/Swarm') AND ticknum = 2 GROUP BY ticknum",
       {"30"}},
      {"SELECT sum(dmg) From ParseData Where EventNum = 1 AND (dmgtype = 'Pet' or dmgtype = "
       "'Epic/Swarm') AND ticknum = 3 GROUP BY ticknum",
       {}},
      {"SELECT sum(dmg) From ParseData Where EventNum = 1 AND dmgtype = 'DD' AND ticknum = 2 "
       "GROUP BY ticknum",
       {"1000"}},
      // The detail report.
      {"SELECT distinct(dmgsrc) FROM ParseData WHERE EventNum = 1 AND dmgtype = 'Dot' GROUP BY "
       "dmgsrc",
       {"Dread Pyre.", "Splurt."}},
      {"Select * FROM DPS WHERE eventnum = 1", {"1|2384|" + kEnd + "|" + kStart}},
      {"SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), sum(Crit)FROM ParseData WHERE "
       "EventNum = 1 AND dmgtype = 'Dot'GROUP BY dmgsrc",
       {"956|956|956|956|1|0", "192|90|126|378|3|-1"}},
      {"SELECT count(Spell), spell FROM SpellCastResist WHERE CorR = 0 AND Dtime >= #" + kStart +
           "# AND Dtime <= #" + kEnd + "# GROUP BY Spell",
       {"1|Dread Pyre.", "1|Not A Spell."}},
      {"SELECT count(Spell), spell FROM SpellCastResist WHERE CorR = 1 AND Dtime >= #" + kStart +
           "# AND Dtime <= #" + kEnd + "# GROUP BY Spell",
       {"1|Dread Pyre."}},
      {"SELECT count(Spell), spell FROM SpellCastResist WHERE CorR = 2 AND Dtime >= #" + kStart +
           "# AND Dtime <= #" + kEnd + "# GROUP BY Spell",
       {"1|Splurt."}},
      {"SELECT count(Spell), spell FROM SpellCastResist WHERE CorR = 3 AND Dtime >= #" + kStart +
           "# AND Dtime <= #" + kEnd + "# GROUP BY Spell",
       {"1|Ignite Blood."}},
      {"SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg)FROM ParseData WHERE EventNum = "
       "1 AND dmgtype = 'DD'",
       {"1000|1000|1000|1000|1"}},
      {"SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg)FROM ParseData WHERE EventNum = "
       "2 AND dmgtype = 'Epic/Swarm'",
       {"||||0"}},
      {"SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), DmgSrc FROM ParseData WHERE "
       "EventNum = 1 AND dmgtype = 'Pet' Group By DmgSrc",
       {"20|20|20|20|1|bites"}},
      {"SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), DmgSrc FROM ParseData WHERE "
       "EventNum = 1 AND dmgtype = 'Epic/Swarm' Group By DmgSrc",
       {"30|30|30|30|1|hits"}},
      {"SELECT sum(dmg)FROM ParseData WHERE EventNum = 1", {"2384"}},
      // The HTML tick graph.
      {"Select max(ticknum) FROM SortMobTime WHERE eventnum = 1", {"3"}},
      {"Select sum(cpower) FROM SortMobTime WHERE ticknum = 1 and eventnum = 1", {"-1"}},
      {"Select sum(coa) FROM SortMobTime WHERE ticknum = 2 and eventnum = 1", {"-1"}},
      {"Select sum(inten) FROM SortMobTime WHERE ticknum = 2 and eventnum = 1", {"0"}},
      {"Select sum(dmg) FROM SortMobTime WHERE (dmgtype = 'Epic/Swarm' or dmgtype = 'Pet') and "
       "ticknum = 1 and eventnum = 1",
       {"20"}},
      {"Select sum(dmg) FROM SortMobTime WHERE dmgtype = 'DD' and ticknum = 3 and eventnum = 1",
       {""}},
  };
  Database db(path_);
  for (const Case& c : cases) {
    std::vector<std::string> expected = c.rows;
    if (c.sql.starts_with("SELECT * FROM ParseData WHERE DmgType")) {
      expected[0] = "0|" + expected[0];
    }
    EXPECT_EQ(Rows(db, c.sql), expected) << c.sql;
  }
}

TEST_F(SqlTexts, RowQueriesInTheViewsOrder) {
  Database db(path_);
  // By mob without regard to case, then time: the rat's rows come last.
  auto column = [&](const std::string& sql, const char* field) {
    Recordset rs(db, sql);
    std::vector<std::string> values;
    for (; !rs.EndOfFile(); rs.MoveNext()) values.push_back(rs.Field(field).AsText());
    return values;
  };
  EXPECT_EQ(column("SELECT * FROM SortMobTime", "RecNum"),
            (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_EQ(column("Select * FROM SortMobTime WHERE eventnum = 1", "TickNum"),
            (std::vector<std::string>{"1", "1", "2", "2", "2", "2", "3"}));
  EXPECT_EQ(column("SELECT * FROM ParseData WHERE EventNum = 1 AND DmgType = 'Dot'", "DmgSrc"),
            (std::vector<std::string>{"Splurt.", "Splurt.", "Dread Pyre.", "Splurt."}));
  EXPECT_EQ(column("SELECT * From ParseData Where EventNum = 1  AND DmgType = 'Dot' ", "Dmg"),
            (std::vector<std::string>{"96", "192", "956", "90"}));
  EXPECT_EQ(column("Select * FROM SortMobTime WHERE ticknum = 2 and eventnum = 1", "Dmg"),
            (std::vector<std::string>{"192", "956", "1000", "30"}));
  EXPECT_EQ(column("SELECT * FROM SpellDat", "Spell").size(), 37u);

  auto sources = column(
      "Select distinct dmgsrc FROM SortMobTime WHERE dmgtype = 'Dot' and eventnum = 1", "dmgsrc");
  std::sort(sources.begin(), sources.end());
  EXPECT_EQ(sources, (std::vector<std::string>{"Dread Pyre.", "Splurt."}));

  // Spells cast in the fight's window that the spell table knows.
  auto cast = column(
      "SELECT DISTINCT (SpellCastResist.spell) FROM SpellCastResist RIGHT JOIN Spelldat ON "
      "SpellCastResist.Spell=Spelldat.spell WHERE SpellCastResist.CorR<5 AND "
      "SpellCastResist.DTime >= #" +
          kStart + "# AND SpellCastResist.DTime <= #" + kEnd + "#",
      "spell");
  std::sort(cast.begin(), cast.end());
  EXPECT_EQ(cast, (std::vector<std::string>{"Dread Pyre.", "Ignite Blood.", "Splurt."}));
}

TEST_F(SqlTexts, EditingRowsAndDeletingParses) {
  Database db(path_);
  // The HTML export colours a fight's rows by editing them in place.
  db.Execute("UPDATE ParseData SET Color = 1 WHERE EventNum = 1 AND DmgType = 'DD'");
  EXPECT_EQ(Rows(db, "SELECT RecNum FROM ParseData WHERE Color = 1"),
            (std::vector<std::string>{"4"}));
  db.Execute("delete * from ParseData");
  db.Execute("delete * from SpellCastResist");
  EXPECT_TRUE(Rows(db, "SELECT * FROM ParseData").empty());
  EXPECT_TRUE(Rows(db, "SELECT * FROM SpellCastResist").empty());
}

}  // namespace
}  // namespace qorn
