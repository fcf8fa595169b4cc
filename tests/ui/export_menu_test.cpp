// The Export menu as a user drives it: each list in view to CSV with the
// bytes qorn-cli export writes, the selected fight's tick graph to HTML, and
// what a cancel or a file that cannot be written does.
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "export/csv_export.h"
#include "export/html_tick_graph.h"
#include "export/stored_list.h"
#include "commands/program_folder.h"
#include "ui/main_window.h"
#include "ui/quiet_offscreen.h"
#include "ui/scripted_dialogs.h"
#include "ui/window_driver.h"

namespace qorn {
namespace {

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The text without its last line (the HTML names the time it was written).
std::string WithoutLastLine(const std::string& text) {
  const size_t end = text.rfind("\r\n", text.size() - 3);
  return text.substr(0, end == std::string::npos ? 0 : end);
}

enum Tab { kDamage = 1, kDotBreakdown, kDotTicks, kDotTickGraph, kAllDamageGraph, kDetail };

}  // namespace

class ExportMenuTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> home_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> w_;

  std::string Database() const {
    return InProgramFolder(home_->path().toStdString(), kDatabaseFile);
  }
  QString File(const char* name) const { return home_->filePath(name); }

  // Chooses `tab` and exports with `entry` to `path`; the list may still be
  // filling when the entry is chosen.
  void Export(int tab, QAction* entry, const QString& path) {
    if (w_->TabStrip1->currentIndex() != tab) w_->TabStrip1->setCurrentIndex(tab);
    QVERIFY(entry->isEnabled());
    dialogs_.openAnswers = {path};
    dialogs_.messages.clear();
    entry->trigger();
  }
  void ExpectTada(const char* line, const QString& path) {
    QCOMPARE(dialogs_.messages, QStringList{QString("Tada!: ") + line + "\n" + path});
  }
  Fight Selected() const { return *w_->SelectedFight(); }

 private slots:
  void initTestCase() { test::QuietOffscreenWarnings(); }

  void init() {
    home_ = std::make_unique<QTemporaryDir>();
    dialogs_ = test::ScriptedDialogs();
    w_ = std::make_unique<MainWindow>(home_->path().toStdString(), dialogs_);
    w_->show();
    w_->Yourname->setText("Qornek");
    dialogs_.openAnswers = {QString(QORN_SOURCE_DIR) + "/samples/sample-log.txt"};
    QSignalSpy done(w_.get(), &MainWindow::commandFinished);
    w_->mnuOpen->trigger();
    if (w_->CommandRunning()) QVERIFY(done.wait(60000));
    QVERIFY(w_->ListView1->RowCount() > 4);
    // The fourth fight: a sarnak conscript with DoTs, pets and direct damage.
    w_->ListView1->setCurrentItem(w_->ListView1->topLevelItem(3));
    dialogs_.fileTitles.clear();
  }

  void cleanup() { w_.reset(); }

  void listsWriteTheBytesOfTheCommandLine() {
    const Fight fight = Selected();
    struct Case {
      int tab;
      QAction* entry;
      CsvList list;
      const char* message;
    };
    const Case cases[] = {
        {kDamage, w_->mnuExportDmg, CsvList::Overview, "Your damage data has been exported:"},
        {kDotBreakdown, w_->mnuExportDoTBrk, CsvList::DotBreakdown,
         "Your dot tick data has been exported:"},
        {kDotTicks, w_->mnuExportDoTTick, CsvList::DotTicks, "Your dot ticks have been exported:"},
        {kDetail, w_->mnuExportAllDamageDetail, CsvList::AllDamageDetail,
         "Your all damage detail data has been created:"},
    };
    for (const Case& c : cases) {
      const QString path = File("list.csv");
      Export(c.tab, c.entry, path);
      ExpectTada(c.message, path);
      QCOMPARE(ReadFile(path), CsvText(c.list, StoredList(c.list, Database(), fight, true)));
    }
    QCOMPARE(dialogs_.fileTitles.size(), 4);
    QCOMPARE(dialogs_.fileTitles[0],
             QString("Create a comma seperated file | Csv files (*.csv)|*.CSV"));
  }

  void detailExportHoldsTheHiddenColumnsAndFollowsPetDetail() {
    const Fight fight = Selected();
    w_->mnuSpellDetail->trigger();  // hides Casts .. Interrupts
    w_->mnuPetDetail->trigger();    // no line per pet; the tab fills again
    QVERIFY(!w_->mnuSpellDetail->isChecked() && !w_->mnuPetDetail->isChecked());
    const QString path = File("detail.csv");
    Export(kDetail, w_->mnuExportAllDamageDetail, path);
    const std::string csv = ReadFile(path);
    QCOMPARE(csv, CsvText(CsvList::AllDamageDetail,
                          StoredList(CsvList::AllDamageDetail, Database(), fight, false)));
    QVERIFY(
        csv.starts_with("Damage Source,Total,Avg. DPS,High,Low,Avg. DMG,Hits,DPM,Crits,Casts,"
                        "Resists,Fizzles,Interrupts\r\n"));
  }

  void aSortedListIsWrittenInItsOrder() {
    w_->TabStrip1->setCurrentIndex(kDamage);
    w_->ListView1->SortByColumn(1);  // by damage, as a number
    const QString path = File("overview.csv");
    Export(kDamage, w_->mnuExportDmg, path);
    std::istringstream lines(ReadFile(path));
    std::string header, first;
    std::getline(lines, header);
    std::getline(lines, first);
    QCOMPARE(QString::fromStdString(first), w_->ListView1->RowTexts(0).join(",") + "\r");
  }

  void graphFromEitherGraphTab() {
    const Fight fight = Selected();
    for (int tab : {kDotTickGraph, kAllDamageGraph}) {
      const QString path = File("graph.htm");
      Export(tab, w_->mnuExportGraph, path);
      ExpectTada("Your html graph data has been exported:", path);
      QCOMPARE(WithoutLastLine(ReadFile(path)),
               WithoutLastLine(HtmlTickGraphText(Database(), fight.EventNum, 0)));
      QVERIFY(ReadFile(path).find("This file has been generated by Qorn on ") != std::string::npos);
      for (const char* gif : {"black.gif", "darkgreen.gif", "white.gif", "yellow.gif"}) {
        QVERIFY2(ReadFile(File(gif)).starts_with("GIF89a"), gif);
      }
    }
    QCOMPARE(dialogs_.fileTitles[0],
             QString("Create a html file for exporting | HTML files (*.htm)|*.HTM"));
  }

  void detailAndGraphWithoutASelectedFightSaySoAndWriteNothing() {
    w_->ListView1->clearSelection();
    const std::pair<int, QAction*> cases[] = {{kDetail, w_->mnuExportAllDamageDetail},
                                              {kDotTickGraph, w_->mnuExportGraph}};
    for (const auto& [tab, entry] : cases) {
      Export(tab, entry, File("nothing.csv"));
      QCOMPARE(dialogs_.messages,
               QStringList{test::Shown(entry).remove("...") +
                           ": No fight is selected. Choose one in the Damage list first."});
    }
    QVERIFY(dialogs_.fileTitles.isEmpty());
    QVERIFY(!QFile::exists(File("nothing.csv")));
  }

  void cancelWritesNothingAndAFailureSaysWhereAndWhy() {
    Export(kDotTicks, w_->mnuExportDoTTick, "");
    QVERIFY(dialogs_.messages.isEmpty());
    QCOMPARE(QDir(home_->path()).entryList({"*.csv"}, QDir::Files).size(), 0);

    const QString missing = File("no such folder/ticks.csv");
    Export(kDotTicks, w_->mnuExportDoTTick, missing);
    QCOMPARE(dialogs_.messages, QStringList{"Export DoT Ticks: Cannot write " + missing +
                                            ": No such file or directory"});
    const QString graph = File("no such folder/graph.htm");
    Export(kDotTickGraph, w_->mnuExportGraph, graph);
    QCOMPARE(dialogs_.messages,
             QStringList{"Export Graph: Cannot write " + graph + ": No such file or directory"});
  }
};

}  // namespace qorn

QTEST_MAIN(qorn::ExportMenuTest)
#include "export_menu_test.moc"
