// The "Buff Value" tab of the window: its frame, list, scope, sorting and
// layout beside the seven tabs before it.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include "commands/program_folder.h"
#include "export/csv_export.h"
#include "export/stored_list.h"
#include "support/parse_db.h"
#include "support/reference_dump.h"
#include "ui/main_window.h"
#include "ui/quiet_offscreen.h"
#include "ui/report_list.h"
#include "ui/scripted_dialogs.h"
#include "ui/twips.h"
#include "ui/window_driver.h"

namespace qorn {
namespace {

enum Tab { kDamage = 1, kTicks = 3, kDetail = 6, kBuffValue = 7 };

using test::ClickRow;
using test::ClickTab;
using test::Column;

QStringList Rows(const ReportList* list) {
  QStringList rows;
  for (int r = 0; r < list->RowCount(); ++r) rows << list->RowTexts(r).join('\t');
  return rows;
}

}  // namespace

class BuffValueTabTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;

  // Event 1, a gnoll: Splurt. twice with the breastplate (one a crit), once
  // without. Event 2, a rat: one Dread Pyre. tick without buffs.
  std::unique_ptr<MainWindow> OpenWithFights() {
    test::FixtureRow crit{"a gnoll", 18000, 1000, "Dot", "Splurt."};
    crit.coa = true;
    test::FixtureRow plain{"a gnoll", 18012, 120, "Dot", "Splurt."};
    plain.coa = true;
    test::WriteParseRows(InProgramFolder(home_->path().toStdString(), kDatabaseFile),
                         {
                             crit,
                             {"a gnoll", 18006, 100, "Dot", "Splurt."},
                             plain,
                             {"a gnoll", 18013, 2000, "DD", "Ignite Bones"},
                             {"a rat", 14700, 900, "Dot", "Dread Pyre."},
                         });
    return test::OpenAfterGetPrevious(home_->path().toStdString(), dialogs_);
  }
  static void ClickWholeLog(MainWindow& w) {
    QTest::mouseClick(w.chkWholeLog, Qt::LeftButton, {}, QPoint(5, w.chkWholeLog->height() / 2));
    QTRY_VERIFY(!w.ViewsFilling());
  }
  static QList<bool> ExportsEnabled(const MainWindow& w) {
    return {w.mnuExportDmg->isEnabled(),
            w.mnuExportDoTBrk->isEnabled(),
            w.mnuExportDoTTick->isEnabled(),
            w.mnuExportGraph->isEnabled(),
            w.mnuExportAllDamageDetail->isEnabled(),
            w.mnuExportBuffValue->isEnabled()};
  }
  static QList<QGroupBox*> InView(const MainWindow& w) {
    QList<QGroupBox*> inView;
    for (QGroupBox* f :
         {w.Frame1, w.Frame2, w.Frame3, w.Frame4, w.Frame5, w.Frame6, w.Frame7, w.Frame8}) {
      if (f->x() == Px(120)) inView << f;
    }
    return inView;
  }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }

  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
  }

  void theTabShowsTheSelectedFightAndItsExportOnly() {
    auto w = OpenWithFights();
    QCOMPARE(w->TabStrip1->tabText(kBuffValue), QString("Buff Value"));
    QVERIFY(!w->mnuExportBuffValue->isEnabled());
    QCOMPARE(test::Shown(w->mnuExportBuffValue), QString("Export Buff Value..."));
    ClickRow(*w, 0);
    ClickTab(*w, kDetail);
    QVERIFY(w->ListView4->RowCount() > 0);

    ClickTab(*w, kBuffValue);
    QCOMPARE(InView(*w), QList<QGroupBox*>{w->Frame8});
    QCOMPARE(w->Frame8->title(), QString("Buff Value - a gnoll"));
    QCOMPARE(w->ListView4->RowCount(), 0);  // the other per-fight lists are emptied
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, false, false, false, false, true}));
    QCOMPARE(Rows(w->ListView5),
             (QStringList{
                 "Chaotic Power\tSplurt.\t0\t0\t-\t-\t3\t1\t33.33%\t406.67\t-",
                 "Chaotic Power\tAll DoTs\t0\t0\t-\t-\t3\t1\t33.33%\t406.67\t-",
                 "Anguish BP\tSplurt.\t2\t1\t50.00%\t560.00\t1\t0\t00.00%\t100.00\t920",
                 "Anguish BP\tAll DoTs\t2\t1\t50.00%\t560.00\t1\t0\t00.00%\t100.00\t920",
                 "Intensity\tSplurt.\t0\t0\t-\t-\t3\t1\t33.33%\t406.67\t-",
                 "Intensity\tAll DoTs\t0\t0\t-\t-\t3\t1\t33.33%\t406.67\t-",
             }));
    QVERIFY(w->ListView5->headerItem()->toolTip(10).contains("hits with the buff"));
    // Chosen again: emptied and filled again, not doubled.
    ClickTab(*w, kBuffValue);
    QCOMPARE(w->ListView5->RowCount(), 6);

    ClickTab(*w, kTicks);
    QCOMPARE(InView(*w), QList<QGroupBox*>{w->Frame3});
    QCOMPARE(w->ListView5->RowCount(), 0);
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, false, true, false, false, false}));
    ClickTab(*w, kDamage);
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{true, false, false, false, false, false}));
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void wholeLogCoversEveryFightWithOrWithoutASelection() {
    auto w = OpenWithFights();
    ClickRow(*w, 1);  // the rat
    ClickTab(*w, kBuffValue);
    QCOMPARE(w->Frame8->title(), QString("Buff Value - a rat"));
    QCOMPARE(Column(w->ListView5, 1).mid(0, 2), (QStringList{"Dread Pyre.", "All DoTs"}));

    ClickWholeLog(*w);
    QVERIFY(w->chkWholeLog->isChecked());
    QCOMPARE(w->Frame8->title(), QString("Buff Value - whole log"));
    QCOMPARE(w->ListView5->RowCount(), 9);
    QCOMPARE(w->ListView5->RowTexts(5).join('\t'),
             QString("Anguish BP\tAll DoTs\t2\t1\t50.00%\t560.00\t2\t0\t00.00%\t500.00\t120"));

    // No fight selected: the whole log still shows, one fight cannot.
    w->ListView1->clearSelection();
    ClickTab(*w, kBuffValue);
    QCOMPARE(w->ListView5->RowCount(), 9);
    ClickWholeLog(*w);
    QCOMPARE(w->Frame8->title(), QString("Buff Value - no fight selected in Damage"));
    QCOMPARE(w->ListView5->RowCount(), 0);
    // Away from the tab the check box only changes what the tab shows next.
    ClickTab(*w, kDamage);
    ClickRow(*w, 0);
    ClickWholeLog(*w);
    QCOMPARE(w->ListView5->RowCount(), 0);
    QCOMPARE(InView(*w), QList<QGroupBox*>{w->Frame1});
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void headerClicksSortNumbersAsNumbers() {
    auto w = OpenWithFights();
    ClickWholeLog(*w);
    ClickTab(*w, kBuffValue);
    QHeaderView* header = w->ListView5->header();
    auto clickHeader = [&](int column) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    clickHeader(5);  // Avg On: lines without hits on ("-") first
    QCOMPARE(Column(w->ListView5, 5),
             (QStringList{"-", "-", "-", "-", "-", "-", "-", "560.00", "560.00"}));
    clickHeader(9);  // Avg Off
    QCOMPARE(Column(w->ListView5, 9), (QStringList{"100.00", "406.67", "406.67", "500.00", "530.00",
                                                   "530.00", "900.00", "900.00", "900.00"}));
    clickHeader(1);  // Source, as text
    QCOMPARE(Column(w->ListView5, 1).first(3), (QStringList{"All DoTs", "All DoTs", "All DoTs"}));
  }

  void numberSortTakesDecimalsPercentsAndSigns() {
    static constexpr ListColumn kColumns[] = {{"Cell", 1000}};
    ReportList list;
    list.SetColumns(kColumns, {SortKind::Number});
    for (const char* cell : {"1,500.00", "66.67%", "-", "-1,034", "66.4%", "0.5", "100.00%"}) {
      list.AddRow({cell});
    }
    list.SortByColumn(0);
    QCOMPARE(Column(&list, 0),
             (QStringList{"-", "-1,034", "0.5", "66.4%", "66.67%", "100.00%", "1,500.00"}));
  }

  void exportWritesTheListInViewAsTheCommandLineDoes() {
    auto w = OpenWithFights();
    const std::string database = InProgramFolder(home_->path().toStdString(), kDatabaseFile);
    // The file's bytes; the message that confirms it is left in dialogs_.
    auto exportTo = [&](const QString& path) -> std::string {
      dialogs_.openAnswers = {path};
      dialogs_.messages.clear();
      w->mnuExportBuffValue->trigger();
      return test::ReadFile(path.toStdString());
    };
    ClickRow(*w, 0);
    ClickTab(*w, kBuffValue);
    QVERIFY(w->mnuExportBuffValue->isEnabled());
    const QString fightPath = home_->filePath("fight.csv");
    const std::string fight = exportTo(fightPath);
    QCOMPARE(dialogs_.messages,
             QStringList{"Tada!: Your buff value data has been exported:\n" + fightPath});
    QCOMPARE(fight, CsvText(CsvList::BuffValue, StoredBuffValue(database, BuffScope::Fight(1))));
    QVERIFY(fight.find("Anguish BP,Splurt.,2,1,50.00%,560.00,1,0,00.00%,100.00,920\r\n") !=
            std::string::npos);
    ClickWholeLog(*w);
    QCOMPARE(exportTo(home_->filePath("whole.csv")),
             CsvText(CsvList::BuffValue, StoredBuffValue(database, BuffScope::AllFights())));
  }

  void theListFollowsTheWindowBelowItsCheckBox() {
    auto w = OpenWithFights();
    auto check = [&](int listW, int listH) {
      QCOMPARE(Twips(w->ListView5->width()), listW);
      QCOMPARE(Twips(w->ListView5->height()), listH);
      QCOMPARE(Twips(w->Frame8->width()), Twips(w->Frame5->width()));
      QCOMPARE(Twips(w->Frame8->height()), Twips(w->Frame5->height()));
      // The same bottom and right edges as the detail report's list.
      QCOMPARE(w->ListView5->geometry().bottom(), w->ListView4->geometry().bottom());
      QCOMPARE(w->ListView5->geometry().right(), w->ListView4->geometry().right());
      QVERIFY(w->chkWholeLog->geometry().bottom() < w->ListView5->y());
    };
    test::ResizeToDesign(*w);
    check(11295, 6015);
    w->resize(w->width() + Px(1500), w->height() + Px(1500));
    QTest::qWait(10);
    check(12795, 7515);
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::BuffValueTabTest)
#include "buff_value_tab_test.moc"
