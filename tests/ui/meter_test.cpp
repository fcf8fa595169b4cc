// The meter on the real window: opened and closed from the menu, the fight
// it shows (the selected one, or the newest while following), and its place
// kept across a restart.
#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "commands/program_folder.h"
#include "store/database.h"
#include "store/database_names.h"
#include "ui/main_window.h"
#include "ui/meter_feed.h"
#include "ui/meter_window.h"
#include "ui/quiet_offscreen.h"
#include "ui/scripted_dialogs.h"
#include "ui/settings_file.h"
#include "ui/window_driver.h"
#include "views/fight_meter.h"

Q_DECLARE_METATYPE(qorn::MeterSettings)

namespace qorn {
namespace {

// A line of the log at `when`, as the game writes it, with its line end.
std::string Line(const QDateTime& when, const std::string& message) {
  return "[" + QLocale::c().toString(when, "ddd MMM dd HH:mm:ss yyyy").toStdString() + "] " +
         message + "\r\n";
}
std::string Hit(const QDateTime& when, const char* mob, int damage, const char* spell = "Splurt.") {
  return Line(when, std::string(mob) + " has taken " + std::to_string(damage) +
                        " damage from your " + spell);
}

}  // namespace

class MeterTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;
  const QDateTime past_{QDate(2026, 12, 4), QTime(17, 0, 0)};

  QString Write(const QString& name, const std::string& bytes) {
    std::ofstream(home_->filePath(name).toStdString(), std::ios::binary) << bytes;
    return home_->filePath(name);
  }
  static void Append(const QString& path, const std::string& bytes) { test::AppendTo(path, bytes); }
  std::unique_ptr<MainWindow> Open() {
    return test::OpenAs(home_->path().toStdString(), dialogs_, "Soandso");
  }
  void GetLog(MainWindow& w, const QString& log) { test::GetLogOf(w, dialogs_, log); }
  // What the window's meter shows, as its lines' text.
  static std::vector<std::string> Shown(const MeterWindow* meter) {
    std::vector<std::string> lines;
    if (!meter->Fight()) return lines;
    lines.push_back(meter->Fight()->Mob + " " + std::to_string(meter->Fight()->Total));
    for (const ListRow& row : MeterLines(*meter->Fight())) lines.push_back(row[0] + " " + row[1]);
    return lines;
  }
  static void WaitForMeter(MainWindow& w) {
    QTRY_VERIFY_WITH_TIMEOUT(!w.MeterFeeder()->Busy(), 10000);
  }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }
  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
  }

  void openedFromTheMenuItShowsTheSelectedFight() {
    const QString log =
        Write("gnoll.txt", Hit(past_, "A gnoll", 100) +
                               Hit(past_.addSecs(6), "A gnoll", 300, "Dread Pyre.") +
                               Hit(past_.addSecs(60), "A bat", 70));
    auto w = Open();
    QVERIFY(w->mnuMeter->isCheckable() && !w->mnuMeter->isChecked());
    QVERIFY(!w->Meter()->isVisible());
    QVERIFY(!w->mnuMeterLock->isEnabled());
    GetLog(*w, log);

    w->mnuMeter->trigger();
    MeterWindow* meter = w->Meter();
    QVERIFY(meter->isVisible());
    QVERIFY(w->mnuMeterLock->isEnabled());
    // Over every window, without a frame, and never the keyboard's.
    const Qt::WindowFlags flags = meter->windowFlags();
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(flags & Qt::FramelessWindowHint);
    QVERIFY(flags & Qt::WindowDoesNotAcceptFocus);
    QVERIFY(meter->testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(!meter->isActiveWindow());
    WaitForMeter(*w);
    QVERIFY(!meter->Fight());
    QVERIFY(meter->Idle().startsWith("No fight selected."));

    test::ClickRow(*w, 1);  // A gnoll, by mob
    QCOMPARE(w->SelectedFight()->Mob, std::string("A gnoll"));
    WaitForMeter(*w);
    QCOMPARE(Shown(meter),
             (std::vector<std::string>{"A gnoll 400", "Dread Pyre. 300", "Splurt. 100"}));
    QVERIFY(meter->Ended());  // a fight of last week
    test::ClickRow(*w, 0);
    WaitForMeter(*w);
    QCOMPARE(Shown(meter), (std::vector<std::string>{"A bat 70", "Splurt. 70"}));

    // The summary of the selected fight, from the Edit menu and from the meter.
    QVERIFY(w->mnuCopySummary->isEnabled());
    QCOMPARE(w->mnuCopySummary->shortcut(), QKeySequence("Ctrl+Shift+C"));
    w->mnuCopySummary->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString("Soandso on A bat: 70 in 0:01 = 70.00 DPS | Splurt. 70 (100%)"));
    QGuiApplication::clipboard()->clear();
    meter->CopySummaryAction()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString("Soandso on A bat: 70 in 0:01 = 70.00 DPS | Splurt. 70 (100%)"));

    // A right click on a fight in the overview selects it and offers its summary.
    const QPoint row1 = w->ListView1->visualItemRect(w->ListView1->topLevelItem(1)).center();
    emit w->ListView1->customContextMenuRequested(row1);
    QCOMPARE(w->SelectedFight()->Mob, std::string("A gnoll"));
    auto* overviewMenu = w->ListView1->findChild<QMenu*>("mnuOverviewContext");
    QTRY_VERIFY(overviewMenu->isVisible());
    QVERIFY(overviewMenu->actions().contains(w->mnuCopySummary));
    overviewMenu->hide();

    // Close in its context menu unticks View › Meter.
    QVERIFY(meter->ContextMenu()->actions().contains(meter->CloseAction()));
    meter->CloseAction()->trigger();
    QVERIFY(!meter->isVisible());
    QVERIFY(!w->mnuMeter->isChecked());
    w->mnuMeter->trigger();
    QVERIFY(meter->isVisible());
    w->mnuMeter->trigger();
    QVERIFY(!meter->isVisible());
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void whileFollowingItShowsTheFightThatGrows() {
    const QString log = Write("gnoll.txt", Hit(past_, "A gnoll", 100));
    auto w = Open();
    GetLog(*w, log);
    w->mnuMeter->trigger();
    test::ClickRow(*w, 0);
    w->mnuFollowLog->trigger();
    MeterWindow* meter = w->Meter();
    QTRY_COMPARE_WITH_TIMEOUT(Shown(meter),
                              (std::vector<std::string>{"A gnoll 100", "Splurt. 100"}), 5000);

    // A fight begins now: the meter goes to it, whatever is selected, and it
    // is under way.
    const QDateTime now = QDateTime::currentDateTime();
    Append(log, Hit(now, "A bat", 70));
    QTRY_COMPARE_WITH_TIMEOUT(Shown(meter), (std::vector<std::string>{"A bat 70", "Splurt. 70"}),
                              5000);
    QCOMPARE(w->SelectedFight()->Mob, std::string("A gnoll"));
    QVERIFY(!meter->Ended());
    Append(log, Hit(now.addSecs(2), "A bat", 500, "Dread Pyre."));
    QTRY_COMPARE_WITH_TIMEOUT(
        Shown(meter), (std::vector<std::string>{"A bat 570", "Dread Pyre. 500", "Splurt. 70"}),
        5000);
    QVERIFY(!meter->Ended());
    // A line past the quiet gap: the fight is over, and still shown.
    Append(log, Line(now.addSecs(60), "You say, 'done'"));
    QTRY_VERIFY_WITH_TIMEOUT(meter->Ended(), 5000);
    QCOMPARE(Shown(meter).front(), std::string("A bat 570"));

    // Not following, it shows the selected fight again.
    w->mnuFollowLog->trigger();
    WaitForMeter(*w);
    QCOMPARE(Shown(meter).front(), std::string("A gnoll 100"));
  }

  // A hand-edited Settings.ini: what is not a setting the meter can take
  // leaves that setting at its default.
  void meterSettingsAsWritten_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<MeterSettings>("expected");
    QTest::newRow("none") << "Name=Xy\r\n" << MeterSettings{};
    QTest::newRow("all") << "Meter=1\r\nMeterPlace=-5 7 300 200\r\nMeterOpacity=60\r\nMeterLocked=1"
                         << MeterSettings{true, true, 60, MeterPlace{-5, 7, 300, 200}};
    QTest::newRow("the last of each, blanks between numbers")
        << "Meter=1,Meter=0\r\nMeterPlace=1 2  3 4\r\n"
        << MeterSettings{false, false, 80, MeterPlace{1, 2, 3, 4}};
    QTest::newRow("out of range or not numbers")
        << "Meter=yes\r\nMeterPlace=1 2 3\r\nMeterOpacity=5\r\nMeterLocked=true"
        << MeterSettings{false, false, kLeastMeterOpacity, std::nullopt};
    QTest::newRow("no size, a comma in the place") << "MeterPlace=1 2 0 4\r\nMeterOpacity=x\r\n"
                                                   << MeterSettings{};
    QTest::newRow("a comma ends the field") << "MeterPlace=1,2,3,4" << MeterSettings{};
  }
  void meterSettingsAsWritten() {
    QFETCH(QString, content);
    QFETCH(MeterSettings, expected);
    Write("Settings.ini", content.toStdString());
    QCOMPARE(ReadMeterSettings(home_->path().toStdString()), expected);
  }

  void itKeepsItsPlaceAcrossARestart() {
    {
      auto w = Open();
      w->mnuMeter->trigger();
      MeterWindow* meter = w->Meter();
      meter->setGeometry(100, 120, 300, 220);
      for (QAction* a : meter->ContextMenu()->findChild<QMenu*>("mnuMeterOpacity")->actions()) {
        if (a->data().toInt() == 60) a->trigger();
      }
      QCOMPARE(meter->Opacity(), 60);
      // Locked from the View menu, as from its own menu.
      w->mnuMeterLock->trigger();
      QVERIFY(meter->Locked() && meter->LockAction()->isChecked());
      QVERIFY(meter->windowFlags() & Qt::WindowTransparentForInput);
      meter->LockAction()->trigger();
      QVERIFY(!meter->Locked() && !w->mnuMeterLock->isChecked());
      w->mnuMeterLock->trigger();
      // The name set after keeps the meter's lines, and they the name.
      w->mnuSetName->trigger();
      w->close();
    }
    QCOMPARE(ReadSettingsName(home_->path().toStdString()), std::optional<std::string>("Soandso"));
    const MeterSettings saved = ReadMeterSettings(home_->path().toStdString());
    QCOMPARE(saved, (MeterSettings{true, true, 60, MeterPlace{100, 120, 300, 220}}));

    auto w = Open();
    MeterWindow* meter = w->Meter();
    QVERIFY(w->mnuMeter->isChecked());
    QVERIFY(meter->isVisible());
    QCOMPARE(meter->geometry(), QRect(100, 120, 300, 220));
    QCOMPARE(meter->Opacity(), 60);
    QVERIFY(meter->Locked() && w->mnuMeterLock->isChecked());
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::MeterTest)
#include "meter_test.moc"
