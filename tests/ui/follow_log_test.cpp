// Follow Log on the real window: lines appended to the log while the window
// follows it reach the overview, which keeps its selection, sort and tab.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "commands/program_folder.h"
#include "ui/main_window.h"
#include "ui/quiet_offscreen.h"
#include "ui/scripted_dialogs.h"
#include "ui/window_driver.h"

namespace qorn {
namespace {

// A DoT line of the character's at 17:MM:SS on 4 Dec 2026, without its line end.
std::string Hit(const char* time, const char* mob, int damage) {
  return std::string("[Fri Dec 04 17:") + time + " 2026] " + mob + " has taken " +
         std::to_string(damage) + " damage from your Splurt.";
}

}  // namespace

class FollowLogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;

  QString Write(const QString& name, const std::string& bytes) {
    std::ofstream(home_->filePath(name).toStdString(), std::ios::binary) << bytes;
    return home_->filePath(name);
  }
  static void Append(const QString& path, const std::string& bytes) { test::AppendTo(path, bytes); }
  // Two fights of a gnoll, 40 s apart.
  QString GnollLog() {
    return Write("gnoll.txt", Hit("00:00", "A gnoll", 100) + "\r\n" + Hit("00:06", "A gnoll", 100) +
                                  "\r\n" + Hit("00:46", "A gnoll", 100) + "\r\n");
  }
  std::unique_ptr<MainWindow> Open() {
    return test::OpenAs(home_->path().toStdString(), dialogs_, "Soandso");
  }
  void GetLog(MainWindow& w, const QString& log) { test::GetLogOf(w, dialogs_, log); }
  // The cells of the fight selected in the overview.
  static QStringList Selected(MainWindow& w) {
    const QList<QTreeWidgetItem*> items = w.ListView1->selectedItems();
    if (items.isEmpty()) return {};
    return w.ListView1->RowTexts(w.ListView1->indexOfTopLevelItem(items.front()));
  }
  static QString DamageOf(MainWindow& w, const QString& mob) {
    for (int r = 0; r < w.ListView1->RowCount(); ++r) {
      if (w.ListView1->RowTexts(r)[0] == mob) return w.ListView1->RowTexts(r)[1];
    }
    return {};
  }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }
  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
  }

  void appendedLinesReachTheOverviewInPlace() {
    const QString log = GnollLog();
    auto w = Open();
    QVERIFY(!w->mnuFollowLog->isEnabled());
    GetLog(*w, log);
    QCOMPARE(w->ListView1->RowCount(), 2);
    QVERIFY(w->mnuFollowLog->isEnabled() && w->mnuFollowLog->isCheckable());
    QVERIFY(!w->mnuFollowLog->isChecked());
    // Sorted by mob (a text sort, which new rows keep), the second gnoll
    // fight selected, its DoT Breakdown in front.
    QHeaderView* header = w->ListView1->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QCOMPARE(w->ListView1->SortColumn(), std::optional<int>(0));
    test::ClickRow(*w, 1);
    QCOMPARE(w->SelectedFight()->EventNum, 2);
    test::ClickTab(*w, 2);
    QCOMPARE(w->ListView2->RowCount(), 1);

    w->mnuFollowLog->trigger();
    QVERIFY(w->mnuFollowLog->isChecked());
    QCOMPARE(w->windowTitle(), "Qorn - " + log + " - following, last line 12/4/2026 5:00:46 PM");

    // The selected fight grows and a bat's fight begins.
    Append(log, Hit("00:50", "A gnoll", 150) + "\r\n" + Hit("10:00", "A bat", 70) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(w->ListView1->RowCount(), 3, 5000);
    QCOMPARE(test::Column(w->ListView1, 0), (QStringList{"A bat", "A gnoll", "A gnoll"}));
    // The bat's fight sorts first, so the gnoll's fights have new numbers:
    // the selection stays on its fight, which grew.
    QCOMPARE(Selected(*w).mid(0, 2), (QStringList{"A gnoll", "250"}));
    QCOMPARE(Selected(*w)[4], QString("12/4/2026 5:00:46 PM"));
    QCOMPARE(w->SelectedFight()->EventNum, 3);
    QCOMPARE(w->TabStrip1->currentIndex(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(w->ListView2->RowCount(), 2, 5000);
    QCOMPARE(w->Frame2->title(), QString("DoT Breakdown - A gnoll"));
    QCOMPARE(w->windowTitle(), "Qorn - " + log + " - following, last line 12/4/2026 5:10:00 PM");
    QTRY_VERIFY_WITH_TIMEOUT(w->Command1->isEnabled() && w->mnuOpen->isEnabled(), 5000);

    // A line the game has not ended yet waits for its end.
    Append(log, Hit("10:03", "A bat", 30).substr(0, 40));
    Append(log, Hit("10:03", "A bat", 30).substr(40) + "\n");
    QTRY_COMPARE_WITH_TIMEOUT(DamageOf(*w, "A bat"), QString("100"), 5000);
    QCOMPARE(Selected(*w)[1], QString("250"));

    // Unticked, the caption names the log as Get Log does.
    w->mnuFollowLog->trigger();
    QVERIFY(!w->mnuFollowLog->isChecked());
    QCOMPARE(w->windowTitle(), "Qorn - " + log);
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void anotherLogStartsOver() {
    const QString log = GnollLog();
    auto w = Open();
    GetLog(*w, log);
    test::ClickRow(*w, 0);
    w->mnuFollowLog->trigger();

    // Another file renamed onto the log's name: its fights, none selected.
    const QString other = Write("other.txt", Hit("20:00", "A snake", 500) + "\r\n");
    std::filesystem::rename(other.toStdString(), log.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(test::Column(w->ListView1, 0), QStringList{"A snake"}, 5000);
    QVERIFY(!w->SelectedFight());

    // Get Log of another file while following: that file is followed from then on.
    const QString rats = Write("rats.txt", Hit("30:00", "A rat", 10) + "\r\n");
    GetLog(*w, rats);
    QVERIFY(w->mnuFollowLog->isChecked());
    QCOMPARE(w->windowTitle(), "Qorn - " + rats + " - following, last line 12/4/2026 5:30:00 PM");
    Append(rats, Hit("40:00", "A rat", 20) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(w->ListView1->RowCount(), 2, 5000);
    QVERIFY(dialogs_.messages.isEmpty());
  }

  // Lines whose time is earlier than lines already read fill the gap between
  // two fights: the one gone leaves the list, and the view in front shows
  // the fight selected now, not the one gone.
  void mergedFightsLeaveTheList() {
    const QString log = GnollLog();
    Append(log, Hit("01:00", "A rat", 10) + "\r\n");
    auto w = Open();
    GetLog(*w, log);
    QCOMPARE(w->ListView1->RowCount(), 3);
    test::ClickRow(*w, 1);
    QCOMPARE(Selected(*w)[4], QString("12/4/2026 5:00:46 PM"));
    test::ClickTab(*w, 2);
    QCOMPARE(w->ListView2->RowCount(), 1);
    w->mnuFollowLog->trigger();
    Append(log, Hit("00:22", "A gnoll", 50) + "\r\n" + Hit("00:38", "A gnoll", 50) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(DamageOf(*w, "A gnoll"), QString("400"), 5000);
    QCOMPARE(test::Column(w->ListView1, 0), (QStringList{"A gnoll", "A rat"}));
    if (w->SelectedFight()) {
      const QString mob = Selected(*w)[0];
      QTRY_COMPARE_WITH_TIMEOUT(w->Frame2->title(), "DoT Breakdown - " + mob, 5000);
      QTRY_COMPARE_WITH_TIMEOUT(w->ListView2->RowCount(), mob == "A rat" ? 1 : 5, 5000);
    } else {
      QTRY_COMPARE_WITH_TIMEOUT(w->ListView2->RowCount(), 0, 5000);
      QCOMPARE(w->Frame2->title(), QString("DoT Breakdown - no fight selected in Damage"));
    }
  }

  // Follow cuts with the timer of the last command that cut the fights.
  void aGetPreviousWithAnotherTimerHolds() {
    const QString log = GnollLog();
    auto w = Open();
    GetLog(*w, log);
    QCOMPARE(w->ListView1->RowCount(), 2);
    w->mnuFollowLog->trigger();
    w->cmbEventTimer->setCurrentIndex(4);  // 00:00:42: the 40 s gap no longer splits the gnoll
    QSignalSpy done(w.get(), &MainWindow::commandFinished);
    w->mnuOpenPrevious->trigger();
    QVERIFY(done.wait(60000));
    QCOMPARE(w->ListView1->RowCount(), 1);
    Append(log, Hit("00:50", "A gnoll", 100) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(DamageOf(*w, "A gnoll"), QString("400"), 5000);
    QCOMPARE(w->ListView1->RowCount(), 1);
    QVERIFY(w->mnuFollowLog->isChecked());
  }

  // A click on a header of the overview, as the user makes it.
  static void ClickHeader(MainWindow& w, int column) {
    QHeaderView* header = w.ListView1->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  }
  static QStringList Starts(MainWindow& w) { return test::Column(w.ListView1, 4); }

  void newAndGrownFightsTakeTheirPlaceByTheSort() {
    const QString log = GnollLog();
    auto w = Open();
    GetLog(*w, log);
    // Newest first: the second click on Start.
    ClickHeader(*w, 4);
    ClickHeader(*w, 4);
    QCOMPARE(w->ListView1->header()->sortIndicatorSection(), 4);
    QCOMPARE(w->ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(Starts(*w), (QStringList{"12/4/2026 5:00:46 PM", "12/4/2026 5:00:00 PM"}));
    test::ClickRow(*w, 1);  // the first gnoll fight, 200
    w->mnuFollowLog->trigger();

    // A new fight comes first, the selection stays on its fight.
    Append(log, Hit("10:00", "A bat", 70) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(w->ListView1->RowCount(), 3, 5000);
    QCOMPARE(Starts(*w),
             (QStringList{"12/4/2026 5:10:00 PM", "12/4/2026 5:00:46 PM", "12/4/2026 5:00:00 PM"}));
    QCOMPARE(Selected(*w)[4], QString("12/4/2026 5:00:00 PM"));

    // By damage, most first: the fight that grows past the others moves up.
    ClickHeader(*w, 1);
    ClickHeader(*w, 1);
    QCOMPARE(test::Column(w->ListView1, 1), (QStringList{"200", "100", "70"}));
    test::ClickRow(*w, 2);  // the bat
    Append(log, Hit("10:03", "A bat", 500) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(test::Column(w->ListView1, 1), (QStringList{"570", "200", "100"}),
                              5000);
    QCOMPARE(Selected(*w)[0], QString("A bat"));
    QCOMPARE(w->ListView1->header()->sortIndicatorSection(), 1);
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void theRowsFollowTheHeaderWheneverTheListIsFilledAgain() {
    const QString log = GnollLog();
    const QString bats =
        Write("bats.txt", Hit("05:00", "A bat", 10) + "\r\n" + Hit("30:00", "A bat", 20) + "\r\n");
    auto w = Open();
    GetLog(*w, log);
    ClickHeader(*w, 4);
    ClickHeader(*w, 4);  // newest first
    const QStringList gnolls = {"12/4/2026 5:00:46 PM", "12/4/2026 5:00:00 PM"};
    const QStringList batStarts = {"12/4/2026 5:30:00 PM", "12/4/2026 5:05:00 PM"};
    // Get Log of the same log, and of another.
    GetLog(*w, log);
    QCOMPARE(Starts(*w), gnolls);
    GetLog(*w, bats);
    QCOMPARE(Starts(*w), batStarts);
    // Get Log of another log while following, and the followed log replaced.
    w->mnuFollowLog->trigger();
    GetLog(*w, log);
    QCOMPARE(Starts(*w), gnolls);
    const QString other = Write(
        "other.txt", Hit("20:00", "A snake", 500) + "\r\n" + Hit("50:00", "A snake", 5) + "\r\n");
    std::filesystem::rename(other.toStdString(), log.toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(test::Column(w->ListView1, 0), (QStringList{"A snake", "A snake"}),
                              5000);
    QCOMPARE(Starts(*w), (QStringList{"12/4/2026 5:50:00 PM", "12/4/2026 5:20:00 PM"}));
    QCOMPARE(w->ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QVERIFY(dialogs_.messages.isEmpty());
  }

  // A log deleted is waited for, the caption saying so; one that cannot be
  // read stops following and says why.
  void aLogGoneIsWaitedForAndAnUnreadableOneStops() {
    const QString log = GnollLog();
    auto w = Open();
    GetLog(*w, log);
    w->mnuFollowLog->trigger();
    QFile::remove(log);
    QTRY_VERIFY_WITH_TIMEOUT(
        w->windowTitle().endsWith(" - The log " + log +
                                  " is gone; waiting for the game to write it again."),
        5000);
    QVERIFY(w->mnuFollowLog->isChecked());
    Write("gnoll.txt", Hit("20:00", "A snake", 500) + "\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(test::Column(w->ListView1, 0), QStringList{"A snake"}, 5000);
    QCOMPARE(w->windowTitle(), "Qorn - " + log + " - following, last line 12/4/2026 5:20:00 PM");
    QVERIFY(dialogs_.messages.isEmpty());

    QFile::remove(log);
    std::filesystem::create_symlink(log.toStdString(), log.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(!w->mnuFollowLog->isChecked(), 5000);
    QCOMPARE(dialogs_.messages.size(), 1);
    QVERIFY2(dialogs_.messages[0].startsWith("Follow Log: Follow Log has stopped: Cannot read the "
                                             "log file " +
                                             log + ": "),
             qPrintable(dialogs_.messages[0]));
    QCOMPARE(w->windowTitle(), "Qorn - " + log);
  }

  void aFailureStopsFollowing() {
    const QString log = GnollLog();
    auto w = Open();
    GetLog(*w, log);
    w->mnuFollowLog->trigger();
    // A read-only database cannot take the new parse.
    const QString db =
        QString::fromStdString(InProgramFolder(home_->path().toStdString(), kDatabaseFile));
    QFile::setPermissions(db, QFileDevice::ReadOwner);
    Append(log, Hit("10:00", "A bat", 70) + "\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!w->mnuFollowLog->isChecked(), 5000);
    QCOMPARE(dialogs_.messages.size(), 1);
    QVERIFY2(
        dialogs_.messages[0].startsWith("Follow Log: Follow Log has stopped: The parse database") &&
            dialogs_.messages[0].endsWith("The stored fights are as they were."),
        qPrintable(dialogs_.messages[0]));
    QCOMPARE(w->ListView1->RowCount(), 2);
    QCOMPARE(w->windowTitle(), "Qorn - " + log);
    QVERIFY(w->Command1->isEnabled() || !w->Command1->isVisible());
    QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::FollowLogTest)
#include "follow_log_test.moc"
