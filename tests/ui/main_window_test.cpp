#include "ui/main_window.h"

#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QBarSeries>
#include <QChart>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <fstream>

#include "commands/commands.h"
#include "store/database.h"
#include "commands/program_folder.h"
#include "ui/bar_progress.h"
#include "ui/quiet_offscreen.h"
#include "ui/scripted_dialogs.h"
#include "ui/settings_file.h"
#include "ui/twips.h"
#include "ui/window_driver.h"
#include "ui/window_layout.h"

namespace qorn {

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;

  std::string Home() const { return home_->path().toStdString(); }
  void WriteFile(const QString& name, const std::string& bytes) {
    std::ofstream(home_->filePath(name).toStdString(), std::ios::binary) << bytes;
  }
  std::unique_ptr<MainWindow> Open() {
    auto window = std::make_unique<MainWindow>(Home(), dialogs_);
    window->show();
    return window;
  }
  static void RunAndWait(MainWindow& w, QAction* action) {
    QSignalSpy done(&w, &MainWindow::commandFinished);
    action->trigger();
    if (w.CommandRunning()) QVERIFY(done.wait(60000));
  }
  // A frame's left edge, read back in twips (pixels hold them to 15 twips).
  static int LeftTwips(QWidget* w) { return w->x() == Px(-20000) ? -20000 : Twips(w->x()); }
  QString SampleLog() {
    // Two fights of a gnoll 40 s apart, and a rat.
    const std::string path = home_->filePath("fight.txt").toStdString();
    std::ofstream out(path, std::ios::binary);
    out << "[Fri Dec 04 17:00:00 2026] A gnoll has taken 100 damage from your Splurt.\r\n"
           "[Fri Dec 04 17:00:06 2026] A gnoll has taken 100 damage from your Splurt.\r\n"
           "[Fri Dec 04 17:00:46 2026] A gnoll has taken 100 damage from your Splurt.\r\n"
           "[Fri Dec 04 17:05:00 2026] Soandso hit a rat for 50 points of non-melee damage.\r\n";
    return QString::fromStdString(path);
  }
  // A log long enough that a command on it still runs when the test stops it.
  QString LongLog() {
    const std::string line =
        "[Fri Dec 04 17:00:00 2026] A gnoll has taken 100 damage from your Splurt.\r\n";
    std::string block;
    for (int i = 0; i < 10000; ++i) block += line;
    const std::string path = home_->filePath("long.txt").toStdString();
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 30; ++i) out << block;
    return QString::fromStdString(path);
  }
  QStringList Overview(const MainWindow& w) const {
    QStringList rows;
    for (int r = 0; r < w.ListView1->RowCount(); ++r) rows << w.ListView1->RowTexts(r).join('|');
    return rows;
  }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }

  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
  }

  void startUpState() {
    auto w = Open();
    QCOMPARE(w->objectName(), QString("Form1"));
    QCOMPARE(w->windowTitle(), QString("Qorn"));
    QCOMPARE(w->TabStrip1->count(), 9);
    QCOMPARE(w->TabStrip1->tabText(6), QString("All Damage Detail"));
    QCOMPARE(w->TabStrip1->tabText(7), QString("Buff Value"));
    QCOMPARE(w->TabStrip1->tabText(8), QString("DoT Uptime"));
    QCOMPARE(w->TabStrip1->currentIndex(), 0);
    QVERIFY(!w->TabStrip1->isVisible());
    QVERIFY(!w->ProgressBar1->isVisible());
    QVERIFY(!w->ProgressBar2->isVisible());
    QCOMPARE(w->Frame6->title(), QString("Settings"));
    QCOMPARE(LeftTwips(w->Frame6), 120);
    for (QGroupBox* f : {w->Frame1, w->Frame2, w->Frame3, w->Frame4, w->Frame5, w->Frame7}) {
      QCOMPARE(LeftTwips(f), -20000);
    }
    QCOMPARE(w->cmbEventTimer->count(), 148);
    QCOMPARE(w->cmbEventTimer->itemText(0), QString("00:00:18"));
    QCOMPARE(w->cmbEventTimer->itemText(147), QString("00:15:00"));
    QCOMPARE(w->cmbEventTimer->currentIndex(), -1);
    QCOMPARE(w->EventTimerSeconds(), int16_t{18});
    QCOMPARE(w->Yourname->text(), QString("Type your name here"));
    QVERIFY(w->mnuSetName->isEnabled());
    QVERIFY(!w->mnuOpenSavedEvents->isEnabled() && !w->mnuSaveEvent->isEnabled());
    for (QAction* a : {w->mnuExportDmg, w->mnuExportDoTBrk, w->mnuExportDoTTick, w->mnuExportGraph,
                       w->mnuExportAllDamageDetail}) {
      QVERIFY(!a->isEnabled());
    }
    QVERIFY(w->mnuPetDetail->isChecked() && w->mnuSpellDetail->isChecked());
    QCOMPARE(w->mnuOpen->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(w->mnuQuit->shortcut(), QKeySequence("Ctrl+Q"));
    QCOMPARE(w->mnuAbout->shortcut(), QKeySequence("Ctrl+A"));
    QCOMPARE(w->mnuHelp2->shortcut(), QKeySequence("Ctrl+H"));
    QCOMPARE(w->mnuOpen->text(), QString("&Open Log..."));
    QCOMPARE(w->ListView1->RowTexts(-1), QStringList());
    QCOMPARE(w->ListView1->headerItem()->text(4), QString("Start"));
    QCOMPARE(w->ListView4->columnCount(), 13);
    QCOMPARE(w->ListView4->ColumnWidthTwips(8), 1050);
    QVERIFY(w->ListView4->headerItem()->textAlignment(1) & Qt::AlignRight);
    QCOMPARE(w->ListView2->ColumnWidthTwips(0), 500);
    // Every control carries its name.
    for (const char* name : {"TabStrip1",
                             "ProgressBar1",
                             "ProgressBar2",
                             "Frame1",
                             "Frame7",
                             "Label2",
                             "Label3",
                             "Yourname",
                             "cmbEventTimer",
                             "Command1",
                             "Command2",
                             "ListView1",
                             "ListView4",
                             "MSChart1",
                             "MSChart2",
                             "Clipboard",
                             "Clipboard2",
                             "mnuFule",
                             "mnuExportAllDamageDetail",
                             "mnuSpellDetail",
                             "mnuAbout"}) {
      QVERIFY2(w->findChild<QObject*>(name) != nullptr, name);
    }
  }

  void settingsFileAtStartUp_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("setNameEnabled");
    QTest::newRow("Name=Xy") << "Name=Xy\r\n"
                             << "Xy" << true;
    QTest::newRow("bare Name=") << "Name=\r\n"
                                << "" << false;
    QTest::newRow("two lines") << "Name=First\r\nName=Second\r\n"
                               << "Second" << true;
    QTest::newRow("no such field") << "Other=1\r\n"
                                   << "Type your name here" << true;
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBFName=Xy\r\n"
                                     << "Xy" << true;
    QTest::newRow("fields") << "Other=1, Name=Cd  ,\r\n \"Name=A,b\" x\r\n"
                            << "A,b" << true;
    // A huge field is skipped, not held: an earlier name stays.
    QTest::newRow("1 MB field") << "Name=Xy\r\nName=" + QString(1 << 20, 'z') + "\r\n"
                                << "Xy" << true;
  }
  void settingsFileAtStartUp() {
    QFETCH(QString, content);
    QFETCH(QString, expected);
    QFETCH(bool, setNameEnabled);
    WriteFile("Settings.ini", content.toStdString());
    auto w = Open();
    QCOMPARE(w->Yourname->text(), expected);
    QCOMPARE(w->mnuSetName->isEnabled(), setNameEnabled);
  }

  void aFolderNamedSettingsIniIsNoFile() {
    QDir(home_->path()).mkdir("Settings.ini");
    auto w = Open();
    QCOMPARE(w->Yourname->text(), QString("Type your name here"));
  }

  void getLogEndToEnd() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    const QString log = SampleLog();
    dialogs_.openAnswers = {log};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(dialogs_.fileTitles,
             QStringList{"Pick a log file already | Text files (*.txt)|*.TXT"});
    QCOMPARE(w->windowTitle(), "Qorn - " + log);
    QCOMPARE(w->ListView1->RowCount(), 3);
    QCOMPARE(w->ListView1->RowTexts(0),
             (QStringList{"A gnoll", "200", "33.33", "6", "12/4/2026 5:00:00 PM",
                          "12/4/2026 5:00:06 PM"}));
    QCOMPARE(w->ListView1->EventNumOf(w->ListView1->topLevelItem(2)), 3);
    QCOMPARE(LeftTwips(w->Frame1), 120);
    QCOMPARE(LeftTwips(w->Frame6), -20000);
    QVERIFY(!w->Command1->isVisible() && !w->Command2->isVisible() && !w->Yourname->isVisible());
    QVERIFY(w->mnuExportDmg->isEnabled());
    QVERIFY(w->TabStrip1->isVisible());
    QCOMPARE(w->TabStrip1->currentIndex(), 1);
    QVERIFY(!w->ProgressBar1->isVisible() && !w->ProgressBar2->isVisible());
    QVERIFY(w->mnuOpen->isEnabled() && w->mnuOpenPrevious->isEnabled());
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void getLogReadsTheWholeLogWhenAsked() {
    // Get Log of a log read before and unchanged changes the stored file in
    // place; "Get Log (read the whole log)" reads it all into a new file.
    auto w = Open();
    w->Yourname->setText("Soandso");
    const QString log = SampleLog();
    const QString db = QString::fromStdString(InProgramFolder(Home(), kDatabaseFile));
    auto inode = [&] {
      struct stat st {};
      return ::stat(db.toStdString().c_str(), &st) == 0 ? st.st_ino : 0;
    };
    dialogs_.openAnswers = {log, log, log};
    RunAndWait(*w, w->mnuOpen);
    const auto first = inode();
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(inode(), first);
    QCOMPARE(w->mnuOpenWhole->text(), QString("Get Log (read the &whole log)"));
    RunAndWait(*w, w->mnuOpenWhole);
    QVERIFY(inode() != first);
    QCOMPARE(w->ListView1->RowCount(), 3);
    QVERIFY(dialogs_.messages.isEmpty());
  }

  void getLogTakesTheNameAsTheGameWritesIt() {
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    // The prompt is no name, and a file whose name names no character gives
    // none: Get Log refuses it as Set Character Name does.
    dialogs_.openAnswers = {SampleLog()};
    w->Yourname->setFocus();
    QTest::keyClick(w->Yourname, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(
        dialogs_.messages,
        QStringList{"You broke it!: Sorry, you need to use only letters for a character name."});
    QCOMPARE(dialogs_.fileTitles.size(), 1);
    QVERIFY(!w->CommandRunning());
    QCOMPARE(w->Yourname->text(), QString("Type your name here"));
    // A name typed is refused before the file is asked for.
    w->Yourname->setText("Ab1");
    QTest::keyClick(w->Yourname, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialogs_.fileTitles.size(), 1);
    QCOMPARE(dialogs_.messages.size(), 2);
    w->Yourname->setText("Type your name here");
    // A click into the box selects the prompt: typing replaces it.
    QTest::mouseClick(w->Yourname, Qt::LeftButton, {}, QPoint(8, w->Yourname->height() / 2));
    QTest::keyClicks(w->Yourname, "soANDso");
    QCOMPARE(w->Yourname->text(), QString("soANDso"));
    // Typed in another case, the name is the one the log writes: the rat's
    // direct damage is found.
    dialogs_.openAnswers = {SampleLog()};
    QSignalSpy done(w.get(), &MainWindow::commandFinished);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(done.wait(60000));
    QCOMPARE(w->Yourname->text(), QString("Soandso"));
    QCOMPARE(w->ListView1->RowCount(), 3);
    QCOMPARE(w->ListView1->RowTexts(2)[0], QString("a rat"));
  }

  void aLogNamedForAnotherCharacterAsksFirst() {
    // The game's name for Soandso's log; the rat is Soandso's direct damage.
    const QString log = home_->filePath("eqlog_Soandso_test.txt");
    QFile::copy(SampleLog(), log);
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto getLog = [&](const QString& typed) {
      test::ClickTab(*w, 0);
      if (!typed.isEmpty()) {
        QTest::mouseClick(w->Yourname, Qt::LeftButton);
        QTest::keyClick(w->Yourname, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w->Yourname, typed);
      }
      dialogs_.openAnswers = {log};
      QSignalSpy done(w.get(), &MainWindow::commandFinished);
      QTest::mouseClick(w->Command1, Qt::LeftButton);
      if (w->CommandRunning()) QVERIFY(done.wait(60000));
    };
    const QString question =
        "Get Log? The log file eqlog_Soandso_test.txt is Soandso's, not Zzyzx's. Read under "
        "Zzyzx, it gives its DoT ticks and pets but none of Soandso's direct damage.\n\n"
        "Whose log shall it be read as? [Use Soandso|Use Zzyzx]";
    // The box holds its prompt: the file's name fills it, nothing is asked.
    w->TabStrip1->show();
    getLog("");
    QCOMPARE(w->Yourname->text(), QString("Soandso"));
    QCOMPARE(test::Column(w->ListView1, 0), (QStringList{"A gnoll", "A gnoll", "a rat"}));
    QVERIFY2(dialogs_.messages.isEmpty(), qPrintable(dialogs_.messages.join('\n')));
    // Another name: asked first, the file's name the default (Enter).
    getLog("zzyzx");
    QCOMPARE(dialogs_.messages, QStringList{question});
    QCOMPARE(w->Yourname->text(), QString("Soandso"));
    QCOMPARE(w->ListView1->RowCount(), 3);
    // Read under the other name: the character's direct damage is not found.
    dialogs_.messages.clear();
    dialogs_.askAnswers = {1};
    getLog("Zzyzx");
    QCOMPARE(dialogs_.messages, QStringList{question});
    QCOMPARE(w->Yourname->text(), QString("Zzyzx"));
    QCOMPARE(test::Column(w->ListView1, 0), (QStringList{"A gnoll", "A gnoll"}));
    // Cancel reads nothing; the same name in another case asks nothing.
    dialogs_.messages.clear();
    dialogs_.askAnswers = {-1};
    const QString title = w->windowTitle();
    getLog("Zzyzx");
    QCOMPARE(dialogs_.messages, QStringList{question});
    QVERIFY(!w->CommandRunning());
    QCOMPARE(w->windowTitle(), title);
    QCOMPARE(w->ListView1->RowCount(), 2);
    dialogs_.messages.clear();
    getLog("SOANDSO");
    QVERIFY2(dialogs_.messages.isEmpty(), qPrintable(dialogs_.messages.join('\n')));
    QCOMPARE(w->ListView1->RowCount(), 3);
  }

  void cancelLeavesTheWindowAsItWas() {
    auto w = Open();
    dialogs_.openAnswers = {""};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(w->windowTitle(), QString("Qorn"));
    QCOMPARE(w->ListView1->RowCount(), 0);
    QCOMPARE(LeftTwips(w->Frame6), 120);
    QVERIFY(w->Command1->isVisible());
    QVERIFY(!w->mnuExportDmg->isEnabled());
  }

  void getPreviousWithAnotherTimer() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {SampleLog()};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(w->ListView1->RowCount(), 3);
    w->cmbEventTimer->setCurrentIndex(4);  // 00:00:42
    RunAndWait(*w, w->mnuOpenPrevious);
    QCOMPARE(w->EventTimerSeconds(), int16_t{42});
    QCOMPARE(w->ListView1->RowCount(), 2);  // the 40 s gap no longer splits the gnoll
    QCOMPARE(w->ListView1->RowTexts(0)[1], QString("300"));
    QVERIFY(w->Yourname->isVisible() || !w->Frame6->isVisible());
  }

  void getPreviousLeavesTheTabStripHiddenUntilTheOverviewIsClicked() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {SampleLog()};
    RunAndWait(*w, w->mnuOpen);
    auto w2 = Open();
    RunAndWait(*w2, w2->mnuOpenPrevious);
    QCOMPARE(w2->ListView1->RowCount(), 3);
    QVERIFY(!w2->TabStrip1->isVisible());
    QCOMPARE(w2->TabStrip1->currentIndex(), 1);
    QVERIFY(!w2->mnuExportAllDamageDetail->isEnabled());
    QCOMPARE(LeftTwips(w2->Frame1), 120);
    test::ClickRow(*w2, 0);
    QVERIFY(w2->TabStrip1->isVisible());
  }

  void getPreviousOnAnEmptyDatabaseIsNoDeadEnd() {
    // A new database, and one whose stored parse holds no fight.
    for (const char* database : {"none", "empty"}) {
      if (QString(database) == "empty") {
        WriteFile("quiet.txt", "[Fri Dec 04 17:00:00 2026] You begin casting Splurt.\r\n");
        QFile::remove(home_->filePath("QornDB.mdb"));
        auto first = Open();
        first->Yourname->setText("Soandso");
        dialogs_.openAnswers = {home_->filePath("quiet.txt")};
        RunAndWait(*first, first->mnuOpen);
      }
      auto w = Open();
      dialogs_.messages.clear();
      QTest::mouseClick(w->Command2, Qt::LeftButton);
      QTRY_VERIFY(!w->CommandRunning());
      QCOMPARE(dialogs_.messages,
               QStringList{"Get Previous: No fights are stored yet. Get Log reads a log file and "
                           "stores its fights."});
      QCOMPARE(LeftTwips(w->Frame6), 120);
      QVERIFY2(w->Yourname->isVisible() && w->Command1->isVisible() && w->Command2->isVisible(),
               database);
      QVERIFY(!w->ProgressBar1->isVisible() && !w->ProgressBar2->isVisible());
    }
  }

  void theSettingsFrameAlwaysHasItsNameBoxAndButtons() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {SampleLog()};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(w->ListView1->RowCount(), 3);
    test::ClickTab(*w, 0);
    QCOMPARE(LeftTwips(w->Frame6), 120);
    QVERIFY(w->Yourname->isVisible() && w->Command1->isVisible() && w->Command2->isVisible());
    // The name can be changed and set at once, and the buttons run again.
    QTest::mouseClick(w->Yourname, Qt::LeftButton, {}, QPoint(w->Yourname->width() - 4, 8));
    QTest::keyClick(w->Yourname, Qt::Key_End);
    QTest::keyClicks(w->Yourname, "x");
    w->mnuSetName->trigger();
    QCOMPARE(dialogs_.messages.last(),
             QString("Tada!: Your character name, Soandsox, has been set."));
    QSignalSpy done(w.get(), &MainWindow::commandFinished);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(done.wait(60000));
    QCOMPARE(w->ListView1->RowCount(), 3);
  }

  void aCancelledOrFailedCommandKeepsWhatIsInView() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    const QString log = SampleLog();
    dialogs_.openAnswers = {log};
    RunAndWait(*w, w->mnuOpen);
    const QStringList rows = {w->ListView1->RowTexts(0).join('|'),
                              w->ListView1->RowTexts(2).join('|')};
    auto keptAsItWas = [&] {
      QCOMPARE(w->ListView1->RowCount(), 3);
      QCOMPARE(w->ListView1->RowTexts(0).join('|'), rows[0]);
      QCOMPARE(w->ListView1->RowTexts(2).join('|'), rows[1]);
      QCOMPARE(w->windowTitle(), "Qorn - " + log);
      QVERIFY(w->mnuExportDmg->isEnabled());
      QCOMPARE(LeftTwips(w->Frame1), 120);
      QVERIFY(w->TabStrip1->isVisible());
    };
    dialogs_.openAnswers = {""};
    RunAndWait(*w, w->mnuOpen);
    keptAsItWas();
    if (QTest::currentTestFailed()) return;

    // A log that cannot be read, and one with nothing of the character
    // (another file, another name).
    WriteFile("quiet.txt", "[Fri Dec 04 17:00:00 2026] Hello.\r\n");
    const std::pair<QString, QString> logs[] = {
        {home_->filePath("missing.txt"), "Get Log: Cannot open the log file"},
        {home_->filePath("quiet.txt"), "What the duce?: "}};
    for (const auto& [path, message] : logs) {
      dialogs_.openAnswers = {path};
      RunAndWait(*w, w->mnuOpen);
      QVERIFY2(dialogs_.messages.last().startsWith(message), qPrintable(dialogs_.messages.last()));
      keptAsItWas();
      if (QTest::currentTestFailed()) return;
    }
    RunAndWait(*w, w->mnuOpenPrevious);
    QCOMPARE(w->ListView1->RowCount(), 3);
    QCOMPARE(w->ListView1->RowTexts(2).join('|'), rows[1]);
    dialogs_.openAnswers = {log};
    RunAndWait(*w, w->mnuOpen);  // as it was, with the tab strip

    // A read-only database cannot take the new event numbers.
    const QString db = QString::fromStdString(InProgramFolder(Home(), kDatabaseFile));
    QFile::setPermissions(db, QFileDevice::ReadOwner);
    RunAndWait(*w, w->mnuOpenPrevious);
    QVERIFY2(dialogs_.messages.last().startsWith("Get Previous: The parse database ") &&
                 dialogs_.messages.last().contains("read-only"),
             qPrintable(dialogs_.messages.last()));
    keptAsItWas();
    QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }

  void escapeOrCancelStopsACommandAndKeepsTheStoredParse() {
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {SampleLog()};
    RunAndWait(*w, w->mnuOpen);
    const QStringList before = Overview(*w);
    QCOMPARE(before.size(), 3);
    const QString title = w->windowTitle();
    const QString longLog = LongLog();
    for (const char* how : {"Escape", "Cancel"}) {
      dialogs_.openAnswers = {longLog};
      QSignalSpy done(w.get(), &MainWindow::commandFinished);
      w->mnuOpen->trigger();
      QVERIFY(w->CommandRunning());
      QVERIFY(w->cmdCancel->isVisible() && w->lblStep->isVisible());
      // The bars say how far, the caption beside them which step, and none
      // covers the caption of the frame in view.
      QTRY_COMPARE(w->lblStep->text(), QString("Reading the log"));
      QVERIFY(w->ProgressBar2->isVisible() && w->ProgressBar2->text() == "Step 1 of 5");
      for (QWidget* row :
           {static_cast<QWidget*>(w->ProgressBar1), static_cast<QWidget*>(w->ProgressBar2),
            static_cast<QWidget*>(w->lblStep), static_cast<QWidget*>(w->cmdCancel)}) {
        QVERIFY2(row->geometry().bottom() < w->Frame1->y(), qPrintable(row->objectName()));
        QVERIFY(row->geometry().top() > w->TabStrip1->geometry().bottom());
      }
      if (QString(how) == "Escape") {
        QTest::keyClick(w->ListView1, Qt::Key_Escape);
      } else {
        QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
      }
      QVERIFY2(done.wait(10000), how);
      QVERIFY2(dialogs_.messages.isEmpty(), qPrintable(dialogs_.messages.join('\n')));
      QCOMPARE(Overview(*w), before);
      QCOMPARE(w->windowTitle(), title);
      QVERIFY(w->mnuExportDmg->isEnabled() && w->mnuOpen->isEnabled());
      QVERIFY(!w->cmdCancel->isVisible() && !w->ProgressBar2->isVisible());
    }
    RunAndWait(*w, w->mnuOpenPrevious);
    QCOMPARE(Overview(*w), before);
    // Escape without a command changes nothing.
    QTest::keyClick(w->ListView1, Qt::Key_Escape);
    QVERIFY(w->isVisible() && !w->CommandRunning());
  }

  void quitDuringACommandStopsItAndKeepsTheStoredParse() {
    QStringList before;
    {
      auto w = Open();
      w->Yourname->setText("Soandso");
      dialogs_.openAnswers = {SampleLog()};
      RunAndWait(*w, w->mnuOpen);
      before = Overview(*w);
      dialogs_.openAnswers = {LongLog()};
      w->mnuOpen->trigger();
      QVERIFY(w->CommandRunning());
      w->mnuQuit->trigger();
      QVERIFY(!w->isVisible());
      QVERIFY(!w->CommandRunning());
    }
    QCoreApplication::processEvents();  // the command's end, sent before the window went
    auto w = test::OpenAfterGetPrevious(Home(), dialogs_);
    QCOMPARE(Overview(*w), before);
    QVERIFY2(dialogs_.messages.isEmpty(), qPrintable(dialogs_.messages.join('\n')));
  }

  void theTimerBoxChoosesTheItemItShows() {
    auto w = Open();
    QComboBox* box = w->cmbEventTimer;
    auto type = [&](const char* text) {
      box->setFocus();
      box->lineEdit()->selectAll();
      QTest::keyClicks(box, text);
      QCOMPARE(box->currentText(), QString(text));
    };
    auto timerOfGetPrevious = [&] {
      RunAndWait(*w, w->mnuOpenPrevious);
      return w->EventTimerSeconds();
    };
    // Pick 00:00:30, then type 45: text that is no item chooses none, and
    // the timer keeps its value.
    box->setCurrentIndex(2);
    type("45");
    QCOMPARE(timerOfGetPrevious(), int16_t{18});
    // Text that is an item's text chooses that item.
    type("00:00:42");
    QCOMPARE(timerOfGetPrevious(), int16_t{42});
    // The dialog's value stays while no item is chosen ...
    dialogs_.inputAnswers = {"50"};
    w->mnuEventTimer->trigger();
    type("45");
    QCOMPARE(timerOfGetPrevious(), int16_t{50});
    // ... and a chosen item at position 2 replaces it with 30 s.
    dialogs_.inputAnswers = {"50"};
    w->mnuEventTimer->trigger();
    box->setCurrentIndex(2);
    QCOMPARE(box->currentText(), QString("00:00:30"));
    QCOMPARE(timerOfGetPrevious(), int16_t{30});
    // The dialog after a chosen item: the value it confirms is the one used,
    // and the box shows it.
    struct Step {
      const char* reply;
      const char* shown;
      int16_t timer;
    };
    for (const Step& step : {Step{"300", "00:05:00", 300}, Step{"50", "00:00:50", 50},
                             Step{"0", "00:00:00", 0}, Step{"-45", "-00:00:45", -45}}) {
      box->setCurrentIndex(7);
      QCOMPARE(box->currentText(), QString("00:01:00"));
      dialogs_.inputAnswers = {step.reply};
      w->mnuEventTimer->trigger();
      QCOMPARE(dialogs_.messages.last(),
               QString("Event Timer: Your event timer has been set to %1.").arg(step.timer));
      QCOMPARE(box->currentText(), QString(step.shown));
      QCOMPARE(timerOfGetPrevious(), step.timer);
    }
    // A refused reply changes neither the timer nor the box.
    box->setCurrentIndex(7);
    dialogs_.inputAnswers = {"abc"};
    w->mnuEventTimer->trigger();
    QCOMPARE(box->currentText(), QString("00:01:00"));
    QCOMPARE(timerOfGetPrevious(), int16_t{60});
  }

  void failuresAndALogWithoutDamage() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {home_->filePath("missing.txt")};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(dialogs_.messages.size(), 1);
    QVERIFY2(dialogs_.messages[0].startsWith("Get Log: Cannot open the log file"),
             qPrintable(dialogs_.messages[0]));
    QVERIFY(w->Command1->isVisible() && w->Command1->isEnabled());
    QVERIFY(w->mnuOpen->isEnabled());

    dialogs_.messages.clear();
    WriteFile("quiet.txt", "[Fri Dec 04 17:00:00 2026] Hello.\r\n");
    dialogs_.openAnswers = {home_->filePath("quiet.txt")};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(dialogs_.messages,
             QStringList{"What the duce?: Dude, you have no damage in the log file!\n\n"
                         "No damage or casts of Soandso were found in that log, so the stored "
                         "fights are kept as they were."});
    QCOMPARE(w->ListView1->RowCount(), 0);
  }

  void aDamagedDatabaseIsMovedAsideAndTheUserIsTold() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    WriteFile("QornDB.mdb", std::string(4096, 'x'));
    dialogs_.openAnswers = {SampleLog()};
    RunAndWait(*w, w->mnuOpen);
    QCOMPARE(w->ListView1->RowCount(), 3);
    QCOMPARE(dialogs_.messages.size(), 1);
    QVERIFY2(dialogs_.messages[0].startsWith("Get Log: The parse database ") &&
                 dialogs_.messages[0].contains("was damaged") &&
                 dialogs_.messages[0].contains("QornDB.mdb.damaged-"),
             qPrintable(dialogs_.messages[0]));

    dialogs_.messages.clear();
    WriteFile("QornDB.mdb", std::string(4096, 'x'));
    RunAndWait(*w, w->mnuOpenPrevious);
    QCOMPARE(dialogs_.messages.size(), 1);
    QVERIFY2(dialogs_.messages[0].startsWith("Get Previous: The stored parse in ") &&
                 dialogs_.messages[0].contains("Use Get Log") &&
                 !dialogs_.messages[0].contains("as they were"),
             qPrintable(dialogs_.messages[0]));
  }

  void characterName() {
    auto w = Open();
    w->Yourname->setText("Ab1");
    w->mnuSetName->trigger();
    QCOMPARE(dialogs_.messages.last(),
             QString("You broke it!: Sorry, you need to use only letters for a character name."));
    QVERIFY(!QFile::exists(home_->filePath("Settings.ini")));
    w->Yourname->setText("AbCd");
    w->mnuSetName->trigger();
    w->Yourname->setText("Second");
    w->mnuSetName->trigger();
    QCOMPARE(dialogs_.messages.last(),
             QString("Tada!: Your character name, Second, has been set."));
    QFile file(home_->filePath("Settings.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Name=Second\r\n"));
    w->Yourname->setText("");
    QVERIFY(!w->mnuSetName->isEnabled());
  }

  void characterNameThatCannotBeSaved() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    QDir(home_->path()).mkpath("Settings.ini/inside");  // a folder in the file's place
    w->mnuSetName->trigger();
    QVERIFY2(dialogs_.messages.last().startsWith(
                 "Set Character Name: Your character name was not saved."),
             qPrintable(dialogs_.messages.last()));
  }

  void eventTimerDialog() {
    auto w = Open();
    struct Step {
      const char* reply;
      int16_t timer;
      const char* message;
    };
    const Step steps[] = {
        {"45", 45, "Event Timer: Your event timer has been set to 45."},
        {"abc", 45, "Event Timer: I didn't like your input, so I'm keeping the event timer at 45."},
        {"", 45, "Event Timer: I didn't like your input, so I'm keeping the event timer at 45."},
        {"32000", 45,
         "Event Timer: I didn't like your input, so I'm keeping the event timer at 45."},
        {"-31999", -31999, "Event Timer: Your event timer has been set to -31999."},
        {"20.5", 20, "Event Timer: Your event timer has been set to 20."},
        {"18", 18, "Event Timer: Your event timer has been set to 18."},
    };
    for (const Step& s : steps) {
      dialogs_.inputAnswers = {s.reply};
      w->mnuEventTimer->trigger();
      QCOMPARE(dialogs_.messages.last(), QString(s.message));
      QCOMPARE(w->EventTimerSeconds(), s.timer);
    }
    QVERIFY(dialogs_.messages.contains("Event Timer? How many seconds between fights?"));
  }

  void displayToggles() {
    auto w = Open();
    w->mnuSpellDetail->trigger();
    QVERIFY(!w->mnuSpellDetail->isChecked());
    for (int c = 9; c <= 12; ++c) QCOMPARE(w->ListView4->ColumnWidthTwips(c), 0);
    w->mnuSpellDetail->trigger();
    QCOMPARE(w->ListView4->ColumnWidthTwips(9), 750);
    QCOMPARE(w->ListView4->ColumnWidthTwips(12), 1000);
    w->mnuPetDetail->trigger();
    QVERIFY(!w->mnuPetDetail->isChecked());
  }

  void helpAboutAndQuit() {
    auto w = Open();
    w->mnuAbout->trigger();
    w->mnuHelp2->trigger();
    QVERIFY(dialogs_.messages[0].startsWith("About Qorn: I created this because"));
    QVERIFY(dialogs_.messages[0].endsWith("\n\nBeta Version 0.0.31"));
    // Where the data is kept, the folder the window was opened with.
    QVERIFY(dialogs_.messages[0].contains(
        QString::fromStdString("QornDB.mdb and Settings.ini are kept in\n" + Home() + "\n")));
    QVERIFY(dialogs_.messages[1].startsWith("help me: This is so incredibly beta"));
    QCOMPARE(dialogs_.messages[1].count('\n'), 5);
    w->Yourname->setText("Unsaved");
    w->mnuQuit->trigger();
    QVERIFY(!w->isVisible());
    QVERIFY(!QFile::exists(home_->filePath("Settings.ini")));
  }

  void menuShortcutsWinOverTheTextBoxes() {
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->Yourname->setText("Soandso");
    for (QWidget* box :
         {static_cast<QWidget*>(w->Yourname), static_cast<QWidget*>(w->cmbEventTimer),
          static_cast<QWidget*>(w->ListView1)}) {
      box->setFocus();
      QVERIFY(box->hasFocus());
      dialogs_.messages.clear();
      dialogs_.fileTitles.clear();
      QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(box, Qt::Key_H, Qt::ControlModifier);
      dialogs_.openAnswers = {""};
      QTest::keyClick(box, Qt::Key_O, Qt::ControlModifier);
      // Ctrl+A in the name box selects its text, as in any text box; About
      // keeps it everywhere else.
      QStringList expected = {"help me: "};
      if (box != w->Yourname) expected.prepend("About Qorn: ");
      QCOMPARE(dialogs_.messages.size(), expected.size());
      for (int i = 0; i < expected.size(); ++i) {
        QVERIFY2(dialogs_.messages[i].startsWith(expected[i]), qPrintable(box->objectName()));
      }
      QCOMPARE(dialogs_.fileTitles.size(), 1);
    }
    // The name box still takes the keys that are no menu's.
    QCOMPARE(w->Yourname->text(), QString("Soandso"));
    w->Yourname->setFocus();
    QTest::keyClick(w->Yourname, Qt::Key_End);
    QTest::keyClick(w->Yourname, Qt::Key_Backspace);
    QCOMPARE(w->Yourname->text(), QString("Soands"));
    w->Yourname->setFocus();
    QTest::keyClick(w->Yourname, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!w->isVisible());
  }

  void graphTabsDrawTheSelectedFight() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {SampleLog()};
    RunAndWait(*w, w->mnuOpen);
    // Tabs: 1 Damage, 4 DoT Tick Graph, 5 All Damage Graph.
    auto show = [&](int row, int tab) {
      w->TabStrip1->setCurrentIndex(1);
      w->ListView1->setCurrentItem(w->ListView1->topLevelItem(row));
      QSignalSpy filled(w.get(), &MainWindow::viewFilled);
      w->TabStrip1->setCurrentIndex(tab);
      QVERIFY(filled.wait(10000));
    };
    auto bars = [](GraphView* chart) {
      const auto series = chart->Chart()->series();
      return series.size() == 1 ? static_cast<QBarSeries*>(series.front())->count() : -1;
    };
    show(0, 4);
    QCOMPARE(ChartGridText(w->MSChart1->Grid()), "\tSplurt.\n1\t100\n2\t100\n          A gnoll\n");
    QCOMPARE(bars(w->MSChart1), 1);
    QCOMPARE(w->MSChart1->FootnoteShown(), QString("          A gnoll"));
    QCOMPARE(w->Frame4->title(), QString("DoT Tick Graph - A gnoll"));
    // The rat took direct damage only: its DoT graph has no bars left from the gnoll.
    QCOMPARE(w->MSChart1->EmptyTextShown(), QString());
    show(2, 4);
    QCOMPARE(ChartGridText(w->MSChart1->Grid()), "\n1\n          a rat\n");
    QCOMPARE(bars(w->MSChart1), 0);
    QCOMPARE(w->MSChart1->EmptyTextShown(), QString("This fight has no DoT hits."));
    show(2, 5);
    QCOMPARE(ChartGridText(w->MSChart2->Grid()), "\tPets\tDD's\n1\t0\t50\n          a rat\n");
    QCOMPARE(bars(w->MSChart2), 2);
    QCOMPARE(w->MSChart2->EmptyTextShown(), QString());
    QVERIFY(w->mnuExportGraph->isEnabled());
    QVERIFY(dialogs_.messages.isEmpty());
    // No fight selected: both charts say so.
    w->TabStrip1->setCurrentIndex(1);
    w->ListView1->clearSelection();
    for (int tab : {4, 5}) {
      test::ClickTab(*w, tab);
      GraphView* chart = tab == 4 ? w->MSChart1 : w->MSChart2;
      QCOMPARE(chart->EmptyTextShown(),
               QString("No fight is selected. Choose one in the Damage list."));
    }
  }

  void columnsFitTheirCellsAndACutCellShowsItsText() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    const QString mob = "Lord Bob the Exceedingly Long Named Overseer of Everything Here";
    WriteFile("long-names.txt", "[Fri Dec 04 22:00:00 2026] " + mob.toStdString() +
                                    " has taken 1234567 damage from your Splurt.\r\n"
                                    "[Fri Dec 04 22:00:09 2026] " +
                                    mob.toStdString() +
                                    " has taken 1234567 damage from your Splurt.\r\n");
    dialogs_.openAnswers = {home_->filePath("long-names.txt")};
    RunAndWait(*w, w->mnuOpen);
    ReportList* list = w->ListView1;
    QCOMPARE(list->RowTexts(0)[0], mob);
    QCOMPARE(list->RowTexts(0)[5], QString("12/4/2026 10:00:09 PM"));
    const QRect row = list->visualItemRect(list->topLevelItem(0));
    auto cellCentre = [&](int column) {
      return QPoint(list->header()->sectionViewportPosition(column) + list->columnWidth(column) / 2,
                    row.center().y());
    };
    // Every cell whole: no column cuts, none is narrower than its width set.
    for (int c = 0; c < list->columnCount(); ++c) {
      QVERIFY2(list->CellTipAt(cellCentre(c)).isEmpty(), qPrintable(list->RowTexts(0)[c]));
      QVERIFY(list->columnWidth(c) >= Px(list->ColumnWidthTwips(c)));
    }
    QVERIFY(list->columnWidth(0) > Px(2200));
    QCOMPARE(list->columnWidth(1), Px(1000));  // "2469134" fits the width set
    // A column made narrow by hand cuts its cells: the tip shows the whole text.
    list->header()->resizeSection(0, 60);
    QHelpEvent help(QEvent::ToolTip, cellCentre(0), list->viewport()->mapToGlobal(cellCentre(0)));
    QCoreApplication::sendEvent(list->viewport(), &help);
    QCOMPARE(QToolTip::text(), mob);
    QCOMPARE(list->CellTipAt(cellCentre(1)), QString());
  }

  void picButtonsCopyTheirGraph() {
    auto w = Open();
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(w->Clipboard2, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->image().size(), w->MSChart2->Picture().size());
    QTest::mouseClick(w->Clipboard, Qt::LeftButton);
    const QString message =
        "Graph copy: The graph has been copied to your clipboard, go paste it into something.";
    QCOMPARE(dialogs_.messages, QStringList({message, message}));
  }

  void aProgressBarTakesCountsPastAnInt() {
    // A 4 GiB log has more lines than a bar's int holds once it passes
    // 2^31: the bar is scaled down, never wrapped.
    QProgressBar bar;
    BarProgress progress(&bar);
    progress.SetMaximum(6e9);
    progress.SetValue(3e9);
    QCoreApplication::processEvents();
    QVERIFY(bar.maximum() > 0);
    QCOMPARE(bar.value(), bar.maximum() / 2);
    progress.SetValue(6e9);
    QCoreApplication::processEvents();
    QCOMPARE(bar.value(), bar.maximum());
  }

  void theNameBoxTakesTheFirstKeysAndGetLogRemembersTheName() {
    const QString prompt = "Type your name here";
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    // At start the focus is in the box with its prompt selected: the first
    // key replaces it.
    QTRY_VERIFY(w->Yourname->hasFocus());
    QTRY_COMPARE(w->Yourname->selectedText(), prompt);
    QTest::keyClicks(w->Yourname, "soANDso");
    QCOMPARE(w->Yourname->text(), QString("soANDso"));
    // Back to the prompt: Tab away and Shift+Tab back select it again, and so
    // does a click.
    w->Yourname->setText(prompt);
    QTest::keyClick(w->Yourname, Qt::Key_Tab);
    QTRY_VERIFY(!w->Yourname->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(w->Yourname->hasFocus());
    QTRY_COMPARE(w->Yourname->selectedText(), prompt);
    QTest::keyClick(w->cmbEventTimer, Qt::Key_Tab);  // away with the mouse's help
    w->cmbEventTimer->setFocus();
    QTest::mouseClick(w->Yourname, Qt::LeftButton, {}, QPoint(w->Yourname->width() - 6, 8));
    QTRY_COMPARE(w->Yourname->selectedText(), prompt);
    QTest::keyClicks(w->Yourname, "soandso");
    // Ctrl+A selects the name, which the next key replaces.
    QTest::keyClick(w->Yourname, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w->Yourname->selectedText(), QString("soandso"));
    QVERIFY(dialogs_.messages.isEmpty());
    // A name that went through Get Log is the one the next start shows.
    dialogs_.openAnswers = {SampleLog()};
    QSignalSpy done(w.get(), &MainWindow::commandFinished);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QVERIFY(done.wait(60000));
    QCOMPARE(w->ListView1->RowCount(), 3);
    QCOMPARE(ReadSettingsName(Home()), std::optional<std::string>("Soandso"));
    auto next = Open();
    QCOMPARE(next->Yourname->text(), QString("Soandso"));
    QVERIFY2(dialogs_.messages.isEmpty(), qPrintable(dialogs_.messages.join('\n')));
  }

  void theTimerInUseIsShown() {
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QCOMPARE(w->cmbEventTimer->currentText(), QString("00:00:18"));
    // The dialog's input starts as the timer the next command uses: the
    // default, an item chosen in the box, a value set before.
    auto dialogStartsWith = [&](const char* reply) {
      dialogs_.inputAnswers = {reply};
      w->mnuEventTimer->trigger();
      return dialogs_.inputDefaults.last();
    };
    QCOMPARE(dialogStartsWith(""), QString("18"));
    w->cmbEventTimer->setFocus();
    w->cmbEventTimer->lineEdit()->selectAll();
    QTest::keyClicks(w->cmbEventTimer, "00:00:42");
    QCOMPARE(dialogStartsWith("50"), QString("42"));
    QCOMPARE(w->cmbEventTimer->currentText(), QString("00:00:50"));
    QCOMPARE(dialogStartsWith("abc"), QString("50"));
    QCOMPARE(w->cmbEventTimer->currentText(), QString("00:00:50"));
    RunAndWait(*w, w->mnuOpenPrevious);
    QCOMPARE(w->EventTimerSeconds(), int16_t{50});
  }

  void theBarsSayWhatTheyShowAndBothEndFinished() {
    auto w = Open();
    w->Yourname->setText("Soandso");
    dialogs_.openAnswers = {LongLog()};
    // The bars as they stand when the stage bar reaches its end.
    QString stagesAtEnd, loopAtEnd;
    connect(w->ProgressBar2, &QProgressBar::valueChanged, w.get(), [&](int stage) {
      if (stage == kCommandStages) {
        stagesAtEnd = w->ProgressBar2->text();
        loopAtEnd = w->ProgressBar1->text();
      }
    });
    QSignalSpy done(w.get(), &MainWindow::commandFinished);
    w->mnuOpen->trigger();
    // While the log is read, the stage bar says which step of how many, and
    // the caption "Reading the log" stands right before the loop's bar.
    QTRY_COMPARE(w->lblStep->text(), QString("Reading the log"));
    QCOMPARE(w->ProgressBar2->text(), QString("Step 1 of 5"));
    QVERIFY(w->ProgressBar2->geometry().right() < w->lblStep->x());
    QVERIFY(w->lblStep->geometry().right() < w->ProgressBar1->x());
    QVERIFY(done.wait(60000));
    QVERIFY2(dialogs_.messages.isEmpty(), qPrintable(dialogs_.messages.join('\n')));
    QCOMPARE(stagesAtEnd, QString("Done"));
    QCOMPARE(loopAtEnd, QString("100%"));
  }

  void theKeyboardReachesTheFightsTheTabsAndEveryMenu() {
    {
      auto first = Open();
      first->Yourname->setText("Soandso");
      dialogs_.openAnswers = {SampleLog()};
      RunAndWait(*first, first->mnuOpen);
    }
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Return}) {
      auto w = Open();
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w.get()));
      // File, Open Previous Events: Alt+F, then P.
      QSignalSpy done(w.get(), &MainWindow::commandFinished);
      QTest::keyClick(w.get(), Qt::Key_F, Qt::AltModifier);
      QTRY_VERIFY(w->mnuFule->isVisible());
      QTest::keyClick(w->mnuFule, Qt::Key_P);
      QVERIFY(done.wait(60000));
      QCOMPARE(w->ListView1->RowCount(), 3);
      QVERIFY(!w->TabStrip1->isVisible());
      // A fight chosen by the keyboard brings the tabs, as a click does.
      w->ListView1->setFocus();
      QTest::keyClick(w->ListView1, key);
      QVERIFY(w->TabStrip1->isVisible());
      QVERIFY(w->SelectedFight().has_value());
      QCOMPARE(QString::fromStdString(w->SelectedFight()->Mob), QString("A gnoll"));
    }
    auto w = Open();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    RunAndWait(*w, w->mnuOpenPrevious);
    w->ListView1->setFocus();
    QTest::keyClick(w->ListView1, Qt::Key_Down);
    QTest::keyClick(w->ListView1, Qt::Key_Down);  // the second gnoll fight
    // Ctrl+Tab and Ctrl+Shift+Tab step through the tabs, round the strip.
    QCOMPARE(w->TabStrip1->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w->TabStrip1->currentIndex(), 2);
    QTRY_VERIFY(!w->ViewsFilling());
    QCOMPARE(w->Frame2->title(), QString("DoT Breakdown - A gnoll"));
    QCOMPARE(w->ListView2->RowCount(), 1);
    for (const int expected : {1, 0, 8}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                      Qt::ControlModifier | Qt::ShiftModifier);
      QCOMPARE(w->TabStrip1->currentIndex(), expected);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w->TabStrip1->currentIndex(), 0);
    QTRY_VERIFY(!w->ViewsFilling());

    // Every menu and entry has a mnemonic, its caption reading as before,
    // none twice in one menu.
    const QStringList captions = {"File",
                                  "Open Log...",
                                  "Get Log (read the whole log)",
                                  "Open Previous Events",
                                  "Follow Log",
                                  "Open Saved Events",
                                  "Save Event",
                                  "Quit",
                                  "Edit",
                                  "Copy Summary",
                                  "View",
                                  "Meter",
                                  "Lock Meter in Place",
                                  "Export",
                                  "Export Damage...",
                                  "Export DoT Breakdown...",
                                  "Export DoT Ticks...",
                                  "Export Graph...",
                                  "Export All Damage Detail...",
                                  "Export Buff Value...",
                                  "Export DoT Uptime...",
                                  "Options",
                                  "Set Character Name",
                                  "Set Time Between events",
                                  "Display Pet Detail",
                                  "Display Spell Detail",
                                  "Help",
                                  "Help",
                                  "About"};
    QStringList shown;
    auto mnemonicsOf = [&](const QList<QAction*>& actions) {
      QSet<QChar> letters;
      for (QAction* a : actions) {
        shown << test::Shown(a);
        const qsizetype amp = a->text().indexOf('&');
        QVERIFY2(amp >= 0 && a->text().count('&') == 1, qPrintable(a->text()));
        const QChar letter = a->text()[amp + 1].toLower();
        QVERIFY2(!letters.contains(letter), qPrintable(a->text()));
        letters.insert(letter);
      }
    };
    mnemonicsOf(w->menuBar()->actions());
    shown.clear();
    for (QAction* menu : w->menuBar()->actions()) {
      shown << test::Shown(menu);
      mnemonicsOf(menu->menu()->actions());
    }
    QCOMPARE(shown, captions);

    // Options, Set Time Between events: Alt+O, then E; Help, About: F10,
    // Right to Help, then A.
    dialogs_.messages.clear();
    dialogs_.inputAnswers = {"30"};
    QTest::keyClick(w.get(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(w->mnuOptions->isVisible());
    QTest::keyClick(w->mnuOptions, Qt::Key_E);
    QTRY_COMPARE(dialogs_.messages.size(), 2);
    QCOMPARE(dialogs_.messages[1], QString("Event Timer: Your event timer has been set to 30."));
    QTest::keyClick(w.get(), Qt::Key_F10);
    QTRY_VERIFY(w->mnuFule->isVisible());
    for (int i = 0; i < 5; ++i) QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QTRY_VERIFY(w->mnuHelp->isVisible());
    QTest::keyClick(w->mnuHelp, Qt::Key_A);
    QTRY_COMPARE(dialogs_.messages.size(), 3);
    QVERIFY(dialogs_.messages[2].startsWith("About Qorn: "));
  }

  void everyListShowsAllItsColumnsAtTheOpeningSize() {
    auto w = Open();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect screen = w->screen()->availableGeometry();
    if (w->frameGeometry().width() >= screen.width() ||
        w->frameGeometry().height() >= screen.height()) {
      // A small screen: the window fills it (theWindowOpensWithinTheScreen).
      QVERIFY2(qEnvironmentVariableIsEmpty("QORN_TEST_WIDE_SCREEN"), "the screen is too small");
      QSKIP("the screen is smaller than the lists' columns");
    }
    QVERIFY(w->width() >= Px(11730));
    for (ReportList* list :
         {w->ListView1, w->ListView2, w->ListView3, w->ListView4, w->ListView5, w->ListView6}) {
      QVERIFY2(list->header()->length() <= list->viewport()->width(),
               qPrintable(QString("%1: %2 of %3")
                              .arg(list->objectName())
                              .arg(list->viewport()->width())
                              .arg(list->header()->length())));
    }
  }

  void theWindowOpensWithinTheScreen() {
    auto w = Open();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect screen = w->screen()->availableGeometry();
    QVERIFY2(screen.contains(w->frameGeometry()), qPrintable(QString("%1x%2+%3+%4 on %5x%6")
                                                                 .arg(w->frameGeometry().width())
                                                                 .arg(w->frameGeometry().height())
                                                                 .arg(w->frameGeometry().x())
                                                                 .arg(w->frameGeometry().y())
                                                                 .arg(screen.width())
                                                                 .arg(screen.height())));
  }

  void resizeFollowsTheWindow() {
    auto w = Open();
    auto check = [&](int frameW, int frameH, int listW, int listH, int tabW, int picTop) {
      QCOMPARE(Twips(w->Frame3->width()), frameW);
      QCOMPARE(Twips(w->Frame3->height()), frameH);
      QCOMPARE(Twips(w->ListView2->width()), listW);
      QCOMPARE(Twips(w->MSChart2->height()), listH);
      QCOMPARE(Twips(w->TabStrip1->width()), tabW);
      QCOMPARE(Twips(w->Clipboard->y()), picTop);
      QCOMPARE(Twips(w->Clipboard2->y()), picTop);
    };
    test::ResizeToDesign(*w);
    check(11535, 6735, 11295, 6375, 11655, 5775);
    w->resize(w->width() + Px(1500), w->height() + Px(1500));
    QTest::qWait(10);
    check(13035, 8235, 12795, 7875, 13155, 7275);
    // The stop beside the bars stays at the frames' right edge, the loop's bar reaching to it.
    const int frameRight = w->Frame6->x() + w->Frame6->width();
    QVERIFY(qAbs(w->cmdCancel->x() + w->cmdCancel->width() - frameRight) <= 1);
    QVERIFY(w->ProgressBar1->x() + w->ProgressBar1->width() < w->cmdCancel->x());
    QVERIFY(w->ProgressBar1->width() > Px(5940 + 1400));
    // Far too small: what would be negative keeps its last size.
    w->setMinimumSize(1, 1);
    w->resize(Px(300), w->menuBar()->height() + 1);
    QTest::qWait(10);
    QCOMPARE(Twips(w->Frame3->height()), 8235);
    QCOMPARE(Twips(w->MSChart2->height()), 7875);
    // Widths: the outer width is the client's plus 120 twips. Below 555 the
    // lists and charts keep their width, below 315 the frames, below 195
    // the tab strip.
    struct Step {
      int outerWidth;
      int frameW, listW, tabW;
    };
    const Step steps[] = {
        {570, 255, 15, 375},  // every group follows
        {420, 105, 15, 225},  // lists and charts stay
        {210, 105, 15, 15},   // frames stay too
        {180, 105, 15, 15},   // and the tab strip
    };
    int chartWidth = 0;  // a chart is never narrower than its own minimum
    for (const Step& step : steps) {
      w->resize(Px(step.outerWidth - kOuterExtraWidth), w->height());
      QTest::qWait(10);
      QCOMPARE(Twips(w->centralWidget()->width()) + kOuterExtraWidth, step.outerWidth);
      QCOMPARE(Twips(w->Frame3->width()), step.frameW);
      QCOMPARE(Twips(w->Frame6->width()), step.frameW);
      QCOMPARE(Twips(w->ListView2->width()), step.listW);
      QCOMPARE(Twips(w->ListView4->width()), step.listW);
      if (chartWidth != 0) QCOMPARE(w->MSChart2->width(), chartWidth);
      chartWidth = w->MSChart2->width();
      QCOMPARE(Twips(w->TabStrip1->width()), step.tabW);
    }
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::MainWindowTest)
#include "main_window_test.moc"
