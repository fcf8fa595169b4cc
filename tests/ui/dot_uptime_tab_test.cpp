// The "DoT Uptime" tab of the window: its list and lanes for a fight, the
// lane a list line picks out, sorting, the whole log, the export and layout.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QScrollArea>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "commands/program_folder.h"
#include "export/csv_export.h"
#include "export/stored_list.h"
#include "support/parse_db.h"
#include "support/reference_dump.h"
#include "ui/dot_uptime_view.h"
#include "ui/main_window.h"
#include "ui/quiet_offscreen.h"
#include "ui/report_list.h"
#include "ui/scripted_dialogs.h"
#include "ui/twips.h"
#include "ui/window_driver.h"

namespace qorn {
namespace {

enum Tab { kDamage = 1, kBuffValue = 7, kUptime = 8 };

using test::ClickRow;
using test::ClickTab;
using test::Column;

QStringList Rows(const ReportList* list) {
  QStringList rows;
  for (int r = 0; r < list->RowCount(); ++r) rows << list->RowTexts(r).join('\t');
  return rows;
}

QStringList Headers(const ReportList* list) {
  QStringList headers;
  for (int c = 0; c < list->columnCount(); ++c) headers << list->headerItem()->text(c);
  return headers;
}

void ClickLine(ReportList* list, int row) {
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

}  // namespace

class DotUptimeTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;

  // Event 1, a gnoll, 60 s: Plague. kept up from the pull, Splurt. on 12 s
  // late and dropped for 30 s. Event 2, a rat: one Dread Pyre. hit, 0 s.
  std::unique_ptr<MainWindow> OpenWithFights() {
    std::vector<test::FixtureRow> rows;
    for (int s = 0; s <= 60; s += 6) rows.push_back({"a gnoll", 18000 + s, 100, "Dot", "Plague."});
    for (int s : {12, 18, 48, 54}) rows.push_back({"a gnoll", 18000 + s, 50, "Dot", "Splurt."});
    rows.push_back({"a rat", 14700, 900, "Dot", "Dread Pyre."});
    test::WriteParseRows(InProgramFolder(home_->path().toStdString(), kDatabaseFile), rows);
    return test::OpenAfterGetPrevious(home_->path().toStdString(), dialogs_);
  }
  static void ClickWholeLog(MainWindow& w) {
    QTest::mouseClick(w.chkUptimeWholeLog, Qt::LeftButton, {},
                      QPoint(5, w.chkUptimeWholeLog->height() / 2));
    QTRY_VERIFY(!w.ViewsFilling());
  }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }

  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
  }

  void aFightsLinesAndLanesAndTheLaneALinePicks() {
    auto w = OpenWithFights();
    QCOMPARE(w->TabStrip1->tabText(kUptime), QString("DoT Uptime"));
    QCOMPARE(test::Shown(w->mnuExportDotUptime), QString("Export DoT Uptime..."));
    ClickRow(*w, 0);
    ClickTab(*w, kUptime);
    QVERIFY(w->Frame9->isVisible());
    QVERIFY(!w->Frame8->isVisible());
    QCOMPARE(w->Frame9->title(), QString("DoT Uptime - a gnoll"));
    QVERIFY(w->mnuExportDotUptime->isEnabled());
    QVERIFY(!w->mnuExportBuffValue->isEnabled());
    QCOMPARE(Headers(w->ListView6), (QStringList{"Spell", "Hits", "Uptime", "First Hit", "Drops",
                                                 "Longest Gap", "Lost Ticks"}));
    QCOMPARE(Rows(w->ListView6), (QStringList{
                                     "Plague.\t11\t100.00%\t0\t0\t6\t0",
                                     "Splurt.\t4\t40.00%\t12\t1\t30\t4",
                                     "All DoTs\t15\t100.00%\t0\t0\t6\t0",
                                 }));
    const FightDots& dots = w->picUptime->Dots();
    QCOMPARE(dots.Lanes.size(), size_t{2});
    QCOMPARE(dots.Seconds, int64_t{60});
    QCOMPARE(w->picUptime->Picked(), -1);

    // A line picks out its spell's lane, also after a sort; All DoTs none.
    ClickLine(w->ListView6, 1);
    QCOMPARE(w->picUptime->Picked(), 1);
    QHeaderView* header = w->ListView6->header();
    auto clickHeader = [&](int column) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    clickHeader(2);  // Uptime, as numbers
    QCOMPARE(Column(w->ListView6, 2), (QStringList{"40.00%", "100.00%", "100.00%"}));
    clickHeader(2);  // and the other way
    QCOMPARE(Column(w->ListView6, 0).last(1), QStringList{"Splurt."});
    ClickLine(w->ListView6, 2);
    QCOMPARE(w->picUptime->Picked(), 1);
    ClickLine(w->ListView6, 0);
    QCOMPARE(w->ListView6->selectedItems().front()->text(0), QString("Plague."));
    QCOMPARE(w->picUptime->Picked(), 0);
    for (int r = 0; r < 2; ++r) {
      if (w->ListView6->topLevelItem(r)->text(0) == "All DoTs") ClickLine(w->ListView6, r);
    }
    QCOMPARE(w->picUptime->Picked(), -1);
    // The picture is drawn with its lanes (not the note of a fight without DoTs).
    const QImage picture = w->picUptime->grab().toImage();
    QVERIFY(picture.width() >= w->UptimeArea->viewport()->width() - 1);

    // The 0-second fight: its uptime is no number.
    ClickTab(*w, kDamage);
    ClickRow(*w, 1);
    ClickTab(*w, kUptime);
    QCOMPARE(Rows(w->ListView6).first(), QString("Dread Pyre.\t1\t-\t0\t0\t-\t0"));
    QCOMPARE(w->picUptime->Dots().Lanes.size(), size_t{1});
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void wholeLogHasItsOwnColumnsAndNoLanes() {
    auto w = OpenWithFights();
    ClickRow(*w, 0);
    ClickTab(*w, kUptime);
    ClickWholeLog(*w);
    QCOMPARE(w->Frame9->title(), QString("DoT Uptime - whole log"));
    QCOMPARE(Headers(w->ListView6),
             (QStringList{"Spell", "Fights", "Hits", "Uptime", "Drops per Fight", "First Hit"}));
    QCOMPARE(Rows(w->ListView6), (QStringList{
                                     "Dread Pyre.\t1\t1\t-\t0.00\t0.00",
                                     "Plague.\t1\t11\t100.00%\t0.00\t0.00",
                                     "Splurt.\t1\t4\t40.00%\t1.00\t12.00",
                                     "All DoTs\t2\t16\t100.00%\t0.00\t0.00",
                                 }));
    QVERIFY(w->picUptime->Dots().Lanes.empty());
    // Buff Value's check box is another one.
    QVERIFY(!w->chkWholeLog->isChecked());
    // Back to the fight: its columns again.
    ClickWholeLog(*w);
    QCOMPARE(Headers(w->ListView6).size(), 7);
    QCOMPARE(w->ListView6->RowCount(), 3);
    QCOMPARE(w->picUptime->Dots().Lanes.size(), size_t{2});
  }

  void exportWritesTheListInViewAsTheCommandLineDoes() {
    auto w = OpenWithFights();
    const std::string database = InProgramFolder(home_->path().toStdString(), kDatabaseFile);
    auto exportTo = [&](const QString& path) -> std::string {
      dialogs_.openAnswers = {path};
      dialogs_.messages.clear();
      w->mnuExportDotUptime->trigger();
      return test::ReadFile(path.toStdString());
    };
    ClickRow(*w, 0);
    ClickTab(*w, kUptime);
    const QString fightPath = home_->filePath("fight.csv");
    QCOMPARE(exportTo(fightPath),
             CsvText(CsvList::DotUptime, StoredDotUptime(database, BuffScope::Fight(1))));
    QCOMPARE(dialogs_.messages,
             QStringList{"Tada!: Your DoT uptime data has been exported:\n" + fightPath});
    ClickWholeLog(*w);
    QCOMPARE(exportTo(home_->filePath("whole.csv")),
             CsvText(CsvList::DotUptime, StoredDotUptime(database, BuffScope::AllFights())));
  }

  void theLanesAndListFollowTheWindow() {
    auto w = OpenWithFights();
    ClickRow(*w, 0);
    ClickTab(*w, kUptime);
    auto check = [&] {
      // The same bottom and right edges as Buff Value's list; the lanes above the list.
      QCOMPARE(w->ListView6->geometry().bottom(), w->ListView5->geometry().bottom());
      QCOMPARE(w->ListView6->geometry().right(), w->ListView5->geometry().right());
      QCOMPARE(w->UptimeArea->geometry().right(), w->ListView5->geometry().right());
      QVERIFY(w->chkUptimeWholeLog->geometry().bottom() < w->UptimeArea->y());
      QVERIFY(w->UptimeArea->geometry().bottom() < w->ListView6->y());
      QCOMPARE(w->picUptime->width(), w->UptimeArea->viewport()->width());
    };
    test::ResizeToDesign(*w);
    check();
    w->resize(w->width() + Px(1500), w->height() + Px(1500));
    QTest::qWait(10);
    check();
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::DotUptimeTabTest)
#include "dot_uptime_tab_test.moc"
