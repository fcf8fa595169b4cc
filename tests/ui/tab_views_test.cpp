// The tab switch and the per-fight lists in the window, and list sorting.
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "commands/program_folder.h"
#include "support/parse_db.h"
#include "ui/main_window.h"
#include "ui/quiet_offscreen.h"
#include "ui/report_list.h"
#include "ui/scripted_dialogs.h"
#include "ui/twips.h"
#include "ui/window_driver.h"

namespace qorn {
namespace {

enum Tab { kSettings, kDamage, kBreakdown, kTicks, kTickGraph, kDamageGraph, kDetail };

using test::ClickRow;
using test::ClickTab;
using test::Column;

}  // namespace

class TabViewsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;

  std::string Database() const {
    return InProgramFolder(home_->path().toStdString(), kDatabaseFile);
  }

  // Three fights, numbered by mob: a gnoll at 10:00 PM (1200 damage, a DoT,
  // a direct-damage hit and a pet), a rat at 9:05 PM (900), Zealot at 5 PM
  // (50). The window lists them through Get Previous.
  std::unique_ptr<MainWindow> OpenWithFights() {
    test::WriteParseRows(Database(), {
                                         {"a gnoll", 18000, 1000, "Dot", "Splurt."},
                                         {"a gnoll", 18006, 200, "DD", "Ignite Bones"},
                                         {"a gnoll", 18007, 30, "Pet", "bites"},
                                         {"a rat", 14700, 900, "Dot", "Dread Pyre."},
                                         {"Zealot", 0, 50, "Dot", "Chaos Venom."},
                                     });
    return test::OpenAfterGetPrevious(home_->path().toStdString(), dialogs_);
  }
  static QList<bool> ExportsEnabled(const MainWindow& w) {
    return {w.mnuExportDmg->isEnabled(), w.mnuExportDoTBrk->isEnabled(),
            w.mnuExportDoTTick->isEnabled(), w.mnuExportGraph->isEnabled(),
            w.mnuExportAllDamageDetail->isEnabled()};
  }
  static QGroupBox* InView(const MainWindow& w) {
    QGroupBox* inView = nullptr;
    for (QGroupBox* f : {w.Frame1, w.Frame2, w.Frame3, w.Frame4, w.Frame5, w.Frame6, w.Frame7}) {
      if (f->x() == Px(120)) {
        if (inView != nullptr) return nullptr;  // two in view
        inView = f;
      } else if (f->x() != Px(-20000)) {
        return nullptr;
      }
    }
    return inView;
  }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }

  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
  }

  void eachTabBringsItsFrameItsViewAndOneExport() {
    auto w = OpenWithFights();
    QCOMPARE(w->ListView1->RowCount(), 3);
    ClickRow(*w, 0);
    QVERIFY(w->TabStrip1->isVisible());

    ClickTab(*w, kBreakdown);
    QCOMPARE(InView(*w), w->Frame2);
    QCOMPARE(w->Frame2->title(), QString("DoT Breakdown - a gnoll"));
    QCOMPARE(w->ListView2->RowCount(), 1);
    QCOMPARE(w->ListView2->RowTexts(0),
             (QStringList{"1", "a gnoll", "Splurt.", "1000", "-1", "0", "0", "0"}));  // a crit
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, true, false, false, false}));
    // Chosen again: emptied and filled again, not doubled.
    ClickTab(*w, kBreakdown);
    QCOMPARE(w->ListView2->RowCount(), 1);

    ClickTab(*w, kTicks);
    QCOMPARE(InView(*w), w->Frame3);
    QCOMPARE(w->Frame3->title(), QString("DoT Ticks - a gnoll"));
    QCOMPARE(w->ListView2->RowCount(), 0);
    QCOMPARE(w->ListView3->RowCount(), 2);
    QCOMPARE(w->ListView3->RowTexts(1), (QStringList{"2", "a gnoll", "230", "0", "0", "0"}));
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, false, true, false, false}));

    ClickTab(*w, kDetail);
    QCOMPARE(InView(*w), w->Frame5);
    QCOMPARE(w->Frame5->title(), QString("All Damage Detail - a gnoll"));
    QCOMPARE(w->ListView3->RowCount(), 0);
    QCOMPARE(Column(w->ListView4, 0),
             (QStringList{"DoTs", "  Splurt.", " TOTALS:", "Direct Damage", "  DD", "Pets", "  Pet",
                          "      -bites", "Total Damage"}));
    QCOMPARE(w->ListView4->RowTexts(8)[1], QString("1,230"));
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, false, false, false, true}));
    // "Display Pet Detail" builds the view in front again.
    w->mnuPetDetail->trigger();
    QTRY_VERIFY(!w->ViewsFilling());
    QCOMPARE(w->ListView4->RowCount(), 8);
    QVERIFY(!Column(w->ListView4, 0).contains("      -bites"));

    // Settings keeps the lists and turns every export off.
    ClickTab(*w, kSettings);
    QCOMPARE(InView(*w), w->Frame6);
    QCOMPARE(w->ListView4->RowCount(), 8);
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, false, false, false, false}));

    for (const int graph : {kTickGraph, kDamageGraph}) {
      ClickTab(*w, graph);
      QCOMPARE(InView(*w), graph == kTickGraph ? w->Frame4 : w->Frame7);
      QCOMPARE(w->ListView4->RowCount(), 0);
      QCOMPARE(ExportsEnabled(*w), (QList<bool>{false, false, false, true, false}));
    }
    QCOMPARE(w->Frame4->title(), QString("DoT Tick Graph - a gnoll"));
    QCOMPARE(w->Frame7->title(), QString("All Damage Graph - a gnoll"));

    ClickTab(*w, kDamage);
    QCOMPARE(InView(*w), w->Frame1);
    QCOMPARE(w->Frame1->title(), QString("Damage Overview"));
    QCOMPARE(ExportsEnabled(*w), (QList<bool>{true, false, false, false, false}));
    QVERIFY(dialogs_.messages.isEmpty());
  }

  // Out of view is a left edge 1333 pixels to the left. A window wider than
  // that makes the frames wider too; the frames out of view must still
  // neither show nor take the clicks meant for the frame in view.
  void inAWideWindowOnlyTheFrameInViewShowsAndTakesClicks() {
    auto w = OpenWithFights();
    w->resize(2000, 1200);
    QTRY_COMPARE(w->centralWidget()->width(), 2000);
    QVERIFY(w->Frame1->width() > -Px(-20000) + 100);
    ClickRow(*w, 0);
    QWidget* client = w->centralWidget();
    // Every frame of the window, the tabs' and any other.
    const QList<QGroupBox*> frames = client->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
    QVERIFY(frames.size() >= 7);
    for (int tab = w->TabStrip1->count() - 1; tab >= 0; --tab) {
      ClickTab(*w, tab);
      // The left edges: one frame in view, the others out of view, as ever.
      QGroupBox* inView = nullptr;
      for (QGroupBox* f : frames) {
        if (f->x() == Px(120)) {
          QVERIFY2(inView == nullptr, qPrintable(f->objectName()));
          inView = f;
        } else {
          QCOMPARE(f->x(), Px(-20000));
          QVERIFY2(!f->isVisible(), qPrintable(f->objectName()));
        }
      }
      QVERIFY(inView != nullptr);
      QVERIFY(inView->isVisible());
      // A click anywhere on the frame in view reaches it, the "Pic" buttons too.
      const QRect frame = inView->geometry();
      QList<QPoint> points = {frame.topLeft() + QPoint(20, 20), frame.center(),
                              frame.bottomLeft() + QPoint(20, -20),
                              frame.topRight() + QPoint(-20, 20)};
      for (QPushButton* pic : {w->Clipboard, w->Clipboard2}) {
        if (inView->isAncestorOf(pic)) points << pic->mapTo(client, pic->rect().center());
      }
      for (const QPoint& p : points) {
        QWidget* hit = client->childAt(p);
        while (hit != nullptr && hit->parentWidget() != client) hit = hit->parentWidget();
        QVERIFY2(hit == inView, qPrintable(QString("%1 at %2,%3: the click goes to %4")
                                               .arg(inView->objectName())
                                               .arg(p.x())
                                               .arg(p.y())
                                               .arg(hit != nullptr ? hit->objectName() : "none")));
      }
    }
  }

  void withoutASelectedFightAViewIsEmptyAndSaysSo() {
    auto w = OpenWithFights();
    ClickRow(*w, 1);
    ClickTab(*w, kBreakdown);
    QCOMPARE(w->ListView2->RowCount(), 1);
    w->ListView1->clearSelection();
    ClickTab(*w, kTicks);
    QCOMPARE(w->Frame3->title(), QString("DoT Ticks - no fight selected in Damage"));
    QCOMPARE(w->ListView3->RowCount(), 0);
    QCOMPARE(w->ListView2->RowCount(), 0);
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void theEventNumberSurvivesASort() {
    auto w = OpenWithFights();
    // By damage: Zealot (event 3) first, the gnoll (event 1) last.
    QTest::mouseClick(w->ListView1->header()->viewport(), Qt::LeftButton, {},
                      QPoint(w->ListView1->header()->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(Column(w->ListView1, 0), (QStringList{"Zealot", "a rat", "a gnoll"}));
    QCOMPARE(w->ListView1->EventNumOf(w->ListView1->topLevelItem(0)), 3);
    // A second click sorts the other way; a third as the first.
    for (const QStringList& order :
         {QStringList{"a gnoll", "a rat", "Zealot"}, QStringList{"Zealot", "a rat", "a gnoll"}}) {
      QTest::mouseClick(w->ListView1->header()->viewport(), Qt::LeftButton, {},
                        QPoint(w->ListView1->header()->sectionViewportPosition(1) + 5, 5));
      QCOMPARE(Column(w->ListView1, 0), order);
    }
    ClickRow(*w, 0);
    ClickTab(*w, kBreakdown);
    QCOMPARE(w->Frame2->title(), QString("DoT Breakdown - Zealot"));
    QCOMPARE(w->ListView2->RowTexts(0)[2], QString("Chaos Venom."));
    // The selection stays on its fight through another sort.
    ClickTab(*w, kDamage);
    w->ListView1->SortByColumn(4);  // Start: 5:00 PM, 9:05 PM, 10:00 PM
    QCOMPARE(Column(w->ListView1, 0), (QStringList{"Zealot", "a rat", "a gnoll"}));
    w->ListView1->SortByColumn(0);
    QCOMPARE(Column(w->ListView1, 0), (QStringList{"a gnoll", "a rat", "Zealot"}));
    ClickTab(*w, kTicks);
    QCOMPARE(w->Frame3->title(), QString("DoT Ticks - Zealot"));
    QCOMPARE(w->ListView3->RowTexts(0), (QStringList{"1", "Zealot", "50", "0", "0", "0"}));
  }

  void aViewThatFailsSaysWhyAndTheWindowGoesOn() {
    auto w = OpenWithFights();
    ClickRow(*w, 0);
    std::filesystem::remove(Database());
    ClickTab(*w, kDetail);
    QCOMPARE(dialogs_.messages.size(), 1);
    QVERIFY(dialogs_.messages[0].startsWith("All Damage Detail: The parse database "));
    QVERIFY(dialogs_.messages[0].contains("is missing"));
    QVERIFY(!std::filesystem::exists(Database()));
    QCOMPARE(w->ListView4->RowCount(), 0);
    ClickTab(*w, kDamage);
    QCOMPARE(InView(*w), w->Frame1);
    QCOMPARE(w->ListView1->RowCount(), 3);
  }

  void theDetailListIgnoresHeaderClicks() {
    auto w = OpenWithFights();
    ClickRow(*w, 0);
    ClickTab(*w, kDetail);
    const QStringList before = Column(w->ListView4, 0);
    QTest::mouseClick(w->ListView4->header()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    w->ListView4->SortByColumn(0);
    QCOMPARE(Column(w->ListView4, 0), before);
  }

  void comparisonsPerColumnKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QStringList>("sorted");
    QTest::addColumn<QStringList>("descending");  // the second click
    QTest::newRow("whole number") << int(SortKind::WholeNumber)
                                  << QStringList{"1,200", "900", "3.5", "2.5", "-1", "", "x"}
                                  << QStringList{"", "x", "-1", "2.5", "3.5", "900", "1,200"}
                                  << QStringList{"1,200", "900", "3.5", "2.5", "-1", "", "x"};
    QTest::newRow("halves to even tie")  // 2.5 and 2 are both 2: kept in their order
        << int(SortKind::WholeNumber) << QStringList{"2.5", "2", "1.5"}
        << QStringList{"2.5", "2", "1.5"} << QStringList{"2.5", "2", "1.5"};
    QTest::newRow("date-time") << int(SortKind::DateTime)
                               << QStringList{"12/4/2026 10:00:00 PM", "12/4/2026 9:05:00 PM",
                                              "12/3/2026 11:00:00 PM", "12/4/2026 9:05:00 AM"}
                               << QStringList{"12/3/2026 11:00:00 PM", "12/4/2026 9:05:00 AM",
                                              "12/4/2026 9:05:00 PM", "12/4/2026 10:00:00 PM"}
                               << QStringList{"12/4/2026 10:00:00 PM", "12/4/2026 9:05:00 PM",
                                              "12/4/2026 9:05:00 AM", "12/3/2026 11:00:00 PM"};
    QTest::newRow("last word")
        << int(SortKind::LastWord)
        << QStringList{"Pyre of Mori.", "Splurt.", "Dread Pyre.", "chaos venom.", "Chaos Venom."}
        << QStringList{"Pyre of Mori.", "Dread Pyre.", "Splurt.", "Chaos Venom.", "chaos venom."}
        << QStringList{"chaos venom.", "Chaos Venom.", "Splurt.", "Dread Pyre.", "Pyre of Mori."};
    QTest::newRow("text") << int(SortKind::Text) << QStringList{"b", "A", "a", "C"}
                          << QStringList{"A", "a", "b", "C"} << QStringList{"C", "b", "A", "a"};
  }

  void comparisonsPerColumnKind() {
    QFETCH(int, kind);
    QFETCH(QStringList, cells);
    QFETCH(QStringList, sorted);
    QFETCH(QStringList, descending);
    static constexpr ListColumn kColumns[] = {{"Cell", 1000}};
    ReportList list;
    list.SetColumns(kColumns, {static_cast<SortKind>(kind)});
    for (const QString& cell : cells) list.AddRow({cell});
    // Clicks on the same header alternate, starting ascending.
    for (int click = 0; click < 3; ++click) {
      list.SortByColumn(0);
      const bool down = click == 1;
      QCOMPARE(Column(&list, 0), down ? descending : sorted);
      QCOMPARE(list.header()->sortIndicatorOrder(),
               down ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    QVERIFY(list.header()->isSortIndicatorShown());
  }

  void aSortKeepsLaterRowsInOrder() {
    static constexpr ListColumn kColumns[] = {{"Tick", 500}, {"Mob", 2200}};
    ReportList list;
    list.SetColumns(kColumns, {SortKind::WholeNumber, SortKind::Text});
    list.AddRows({{"1", "b rat"}, {"2", "a gnoll"}});
    list.SortByColumn(1);
    list.clear();  // emptying keeps the mode
    list.AddRows({{"3", "c snake"}, {"4", "A bat"}, {"5", "b rat"}});
    list.AddRow({"6", "a cat"});
    QCOMPARE(Column(&list, 1), (QStringList{"A bat", "a cat", "b rat", "c snake"}));
    QCOMPARE(Column(&list, 0), (QStringList{"4", "6", "5", "3"}));
    // So does a number column, either way round, and the header shows it.
    list.SortByColumn(0);
    list.AddRow({"1", "z"});
    QCOMPARE(Column(&list, 0), (QStringList{"1", "3", "4", "5", "6"}));
    list.SortByColumn(0);
    list.clear();
    list.AddRows({{"2", "b"}, {"10", "c"}, {"9", "a"}});
    QCOMPARE(Column(&list, 0), (QStringList{"10", "9", "2"}));
    QCOMPARE(list.header()->sortIndicatorSection(), 0);
    QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::TabViewsTest)
#include "tab_views_test.moc"
