// Times the three per-fight lists (DoT Breakdown, DoT Ticks, All Damage
// Detail): the rows from the database, and the window's list filled with
// them. First the fight with the most rows of a stored parse, then made-up
// worst shapes added to a copy of it: a two-hour raid and a five-hour fight
// with tens of thousands of rows, and a cast table of a million records.
// Prints the query plans of the views' SQL texts for the largest fight.
// Usage: views_bench DATABASE [RUNS]
#include <unistd.h>
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "common/date_time.h"
#include "offscreen_qt.h"
#include "store/database.h"
#include "store/stored_fights.h"
#include "store/jet_sql.h"
#include "ui/report_list.h"
#include "views/damage_detail.h"
#include "views/dot_breakdown.h"
#include "views/dot_ticks.h"
#include "views/list_columns.h"

namespace {

using qorn::bench::LargestFight;
using qorn::bench::Stopwatch;
using Fight = qorn::bench::FightSize;

void Print(const char* what, const std::vector<double>& ms) {
  std::printf("    %-22s %s\n", what, qorn::bench::MinMedianMax(ms).c_str());
}

// One view, `runs` times: its rows, then a list of its columns filled with them.
void TimeView(const char* name, std::span<const qorn::ListColumn> columns,
              const std::function<std::vector<qorn::ListRow>()>& rows, int runs) {
  qorn::ReportList list;
  list.setAttribute(Qt::WA_DontShowOnScreen);
  list.resize(753, 425);
  list.SetColumns(columns);
  list.show();
  std::vector<double> query, fill, total;
  size_t count = 0;
  for (int run = 0; run < runs; ++run) {
    list.clear();
    Stopwatch watch;
    const std::vector<qorn::ListRow> made = rows();
    const double q = watch.Seconds() * 1000;
    watch.Restart();
    list.AddRows(made);
    QApplication::processEvents();  // the list lays out and paints its rows in view
    const double f = watch.Seconds() * 1000;
    count = made.size();
    query.push_back(q);
    fill.push_back(f);
    total.push_back(q + f);
  }
  std::printf("  %s: %zu lines\n", name, count);
  Print("rows from database", query);
  Print("list filled", fill);
  Print("total", total);
}

void TimeFight(const std::string& db, const Fight& fight, int runs) {
  std::vector<qorn::SpellDatRec> spells;
  {
    qorn::Database d(db);
    spells = qorn::LoadSpellTable(d);
  }
  TimeView(
      "DoT Breakdown", qorn::kDotBreakdownColumns,
      [&] { return qorn::FillDotBreakdown(db, fight.EventNum); }, runs);
  TimeView(
      "DoT Ticks", qorn::kDotTicksColumns,
      [&] { return qorn::FillDotTicks(db, fight.EventNum, "a mob"); }, runs);
  TimeView(
      "All Damage Detail", qorn::kDamageDetailColumns,
      [&] { return qorn::ShowAllDamageDetail(db, fight.EventNum, spells, true); }, runs);
}

// The plan SQLite makes for each of the views' SQL texts on `fight`.
void PrintPlans(const std::string& db, const Fight& fight) {
  const std::string e = std::to_string(fight.EventNum);
  const std::string start = qorn::SqlDateLiteral(fight.First);
  const std::string end = qorn::SqlDateLiteral(fight.Last);
  const std::vector<std::string> texts = {
      "SELECT * FROM ParseData WHERE EventNum = " + e + " AND DmgType = 'Dot'",
      "SELECT TickNum, Sum([dmg]), sum(Cpower), sum(CoA), sum(inten) From ParseData Where "
      "EventNum = " +
          e + "  GROUP BY TickNum;",
      "SELECT distinct(dmgsrc) FROM ParseData WHERE EventNum = " + e +
          " AND dmgtype = 'Dot' GROUP BY dmgsrc",
      "Select * FROM DPS WHERE eventnum = " + e,
      "SELECT DISTINCT (SpellCastResist.spell) FROM SpellCastResist RIGHT JOIN Spelldat ON "
      "SpellCastResist.Spell=Spelldat.spell WHERE SpellCastResist.CorR<5 AND "
      "SpellCastResist.DTime >= " +
          start + " AND SpellCastResist.DTime <= " + end,
      "SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), sum(Crit)FROM ParseData WHERE "
      "EventNum = " +
          e + " AND dmgtype = 'Dot'GROUP BY dmgsrc",
      "SELECT count(Spell), spell FROM SpellCastResist WHERE CorR = 0 AND Dtime >= " + start +
          " AND Dtime <= " + end + " GROUP BY Spell",
      "SELECT max(dmg),min(dmg), avg(dmg), sum(dmg), count(dmg), DmgSrc FROM ParseData WHERE "
      "EventNum = " +
          e + " AND dmgtype = 'Pet' Group By DmgSrc",
      "SELECT sum(dmg)FROM ParseData WHERE EventNum = " + e,
      "Select mob FROM SortMobTime WHERE eventnum = " + e,
  };
  qorn::Database d(db);
  std::printf("query plans on event %d:\n", fight.EventNum);
  for (const std::string& text : texts) {
    std::printf("  %s\n", text.c_str());
    qorn::Statement plan(d, "EXPLAIN QUERY PLAN " + qorn::TranslateJetSql(text));
    while (plan.Step()) std::printf("      %s\n", std::string(plan.ColumnText(3)).c_str());
  }
}

// Adds a fight of `ticks` six-second ticks a day after the parse's last row:
// eight DoT spells each tick, six pet hits of two pets and three swarm-pet
// hits, a DD every third tick, Chaotic Power on every tenth tick; and a cast
// or a resist of a DoT spell every tick. The fights are then cut again, as
// Get Previous cuts them.
Fight AddLongFight(const std::string& db, int ticks) {
  qorn::DateTime start = 0;
  {
    qorn::Database d(db);
    qorn::Transaction tx(d);
    int64_t rec = 0;
    {
      qorn::Statement last(d, "SELECT max(DTime), max(RecNum) FROM DamageRows");
      last.Step();
      start = last.ColumnDouble(0) + 1.0;
      rec = last.ColumnInt(1) + 1;
    }
    qorn::Statement insert(d,
                           "INSERT INTO ParseData VALUES (?, ?, 'Qornek', 'a raid boss', ?, ?, ?, "
                           "?, ?, 0, 0, 0, 0, 0, 0)");
    qorn::Statement cast(d, "INSERT INTO SpellCastResist (DTime, CorR, Spell) VALUES (?, ?, ?)");
    static const char* kDots[] = {
        "Splurt.",       "Dread Pyre.",     "Chaos Venom.",  "Pyre of Mori.",
        "Grip of Mori.", "Dark Nightmare.", "Corath Venom.", "Ancient: Curse of Mori."};
    for (int t = 1; t <= ticks; ++t) {
      const qorn::DateTime when = start + (t - 1) * 6 / 86400.0;
      auto row = [&](int64_t dmg, const char* source, const char* type, bool crit) {
        insert.Bind(1, rec++).Bind(2, when).Bind(3, dmg).Bind(4, int64_t{crit ? -1 : 0});
        insert.Bind(5, source).Bind(6, type).Bind(7, int64_t{t % 10 == 0 ? -1 : 0});
        insert.Step();
        insert.Reset();
      };
      for (int s = 0; s < 8; ++s) row(400 + (t * 7 + s * 13) % 400, kDots[s], "Dot", t % 17 == s);
      for (int p = 0; p < 6; ++p) row(100 + (t + p) % 90, p % 2 ? "bites" : "claws", "Pet", false);
      for (int p = 0; p < 3; ++p) row(600, "Guardian of Blood Strike", "Epic/Swarm", false);
      if (t % 3 == 0) row(2500, "Ignite Bones", "DD", false);
      cast.Bind(1, when).Bind(2, int64_t{t % 5 == 0 ? 1 : 0}).Bind(3, kDots[t % 8]);
      cast.Step();
      cast.Reset();
    }
    tx.Commit();
  }
  qorn::NullProgress quiet;
  qorn::RenumberStoredParse(db, 18, quiet, false);
  qorn::Database d(db);
  qorn::Statement fight(d, "SELECT EventNum FROM Fights WHERE FirstTime = ?");
  fight.Bind(1, start).Step();
  return {.EventNum = static_cast<int32_t>(fight.ColumnInt(0)),
          .Rows = 17LL * ticks + ticks / 3,
          .Ticks = ticks,
          .First = start,
          .Last = start + (ticks - 1) * 6 / 86400.0,
          .DotSources = 8};
}

// A million cast records before the log's first line, so they count in no fight.
void AddCasts(const std::string& db, int count) {
  qorn::Database d(db);
  qorn::Transaction tx(d);
  qorn::Statement cast(d, "INSERT INTO SpellCastResist (DTime, CorR, Spell) VALUES (?, ?, ?)");
  for (int i = 0; i < count; ++i) {
    cast.Bind(1, 30000.0 + i / 86400.0).Bind(2, int64_t{i % 4}).Bind(3, "Splurt.");
    cast.Step();
    cast.Reset();
  }
  tx.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: views_bench DATABASE [RUNS]\n");
    return 2;
  }
  qorn::bench::UseOffscreenQt();
  QApplication app(argc, argv);
  const std::string db = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
  if (!std::filesystem::exists(db)) {
    std::fprintf(stderr, "views_bench: no database %s\n", db.c_str());
    return 1;
  }

  const Fight largest = LargestFight(db);
  std::printf("largest fight of %s: event %d, %lld rows, %lld ticks\n", db.c_str(),
              largest.EventNum, largest.Rows, largest.Ticks);
  TimeFight(db, largest, runs);
  PrintPlans(db, largest);

  // The worst shapes go into a copy, beside the parse's own rows.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qorn-views-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string copy = (folder / "QornDB.mdb").string();
  std::filesystem::copy_file(db, copy);
  for (const int ticks : {1200, 3000}) {
    const Fight fight = AddLongFight(copy, ticks);
    std::printf("made-up fight of %d ticks (%.1f hours), %lld rows, beside the parse:\n", ticks,
                ticks * 6 / 3600.0, fight.Rows);
    TimeFight(copy, fight, std::min(runs, 5));
  }
  AddCasts(copy, 1000000);
  {
    const Fight fight = LargestFight(copy);
    std::printf("the %lld-row fight again, with a million more cast records:\n", fight.Rows);
    TimeFight(copy, fight, std::min(runs, 5));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
