// Get Log and Get Previous: the window's side of the two commands. The work
// runs on a worker thread; the bars follow it through queued updates, and
// the window shows the outcome when the thread has finished.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QThread>

#include "common/error.h"
#include "parse/log_parser.h"
#include "store/commands.h"
#include "store/program_folder.h"
#include "ui/bar_progress.h"
#include "ui/log_follower.h"
#include "ui/main_window.h"

namespace qorn {

struct MainWindow::CommandResult {
  CommandOutcome outcome;
  QString error;  // empty when the command went through
  // What a failed command puts back, as the stored parse is then as it was:
  // the overview (read again from the database), the caption that names the
  // stored log, and the Export entries. Not when the failure moved a damaged
  // database aside: then nothing is stored.
  QString titleBefore;
  QList<bool> exportsEnabledBefore;
  bool storedDataKept = true;
};

namespace {

// The item of the timer box that the user has chosen: the one whose text the
// box shows. Typed text that matches no item chooses none (-1).
int ChosenTimerItem(const QComboBox* box) {
  return box->findText(box->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
}

void ShowOverview(ReportList* list, const Overview& overview) {
  list->clear();
  std::vector<std::vector<std::string>> rows;
  std::vector<int> eventNums;
  for (const OverviewRow& row : overview.Rows) {
    rows.push_back(row.Cells());
    eventNums.push_back(row.EventNum);
  }
  list->AddRows(rows, eventNums);
}

QList<QAction*> ExportEntries(const MainWindow& w) {
  return {w.mnuExportDmg,   w.mnuExportDoTBrk,          w.mnuExportDoTTick,
          w.mnuExportGraph, w.mnuExportAllDamageDetail, w.mnuExportBuffValue};
}

}  // namespace

void MainWindow::GetLog() { RunCommand(true); }

void MainWindow::GetPrevious() { RunCommand(false); }

void MainWindow::SetCommandsEnabled(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2)}) {
    w->setEnabled(enabled);
  }
  mnuOpen->setEnabled(enabled);
  mnuOpenPrevious->setEnabled(enabled);
}

void MainWindow::RunCommand(bool getLog) {
  if (worker_ != nullptr || follower_->Running()) return;  // one command at a time
  // A chosen timer item replaces the timer; with none chosen it stays.
  if (const int k = ChosenTimerItem(cmbEventTimer); k >= 0) {
    eventTimerSeconds_ = static_cast<int16_t>(18 + 6 * k);
  }
  const std::string charName = Yourname->text().toStdString();
  QString chosen;
  if (getLog) {
    chosen = dialogs_.OpenFile(this, "Pick a log file already", "Text files (*.txt)|*.TXT");
    if (chosen.isEmpty()) return;  // cancelled: what is in view stays as it is
  }

  auto result = std::make_shared<CommandResult>();
  result->titleBefore = windowTitle();
  for (QAction* a : ExportEntries(*this)) {
    result->exportsEnabledBefore << a->isEnabled();
    if (!(getLog && a == mnuExportAllDamageDetail)) a->setEnabled(false);
  }
  ProgressBar1->hide();
  const bool hadRows = ListView1->RowCount() > 0;
  ListView1->clear();
  std::string logPath;
  if (getLog) {
    setWindowTitle("Qorn - " + chosen);
    logPath = QFile::encodeName(chosen).toStdString();
    follower_->GetLogStarting(chosen, logPath, charName, eventTimerSeconds_);
  }
  setCursor(Qt::WaitCursor);
  SetCommandsEnabled(false);

  auto loop = std::make_shared<BarProgress>(ProgressBar1);
  auto stages = std::make_shared<BarProgress>(ProgressBar2);
  const std::string folder = programFolder_;
  const int16_t timer = eventTimerSeconds_;
  worker_ = QThread::create([=] {
    try {
      result->outcome = getLog ? RunGetLog(folder, logPath, charName, timer, {*loop, *stages})
                               : RunGetPrevious(folder, timer, {*loop, *stages});
    } catch (const Error& e) {
      result->error = QString::fromStdString(e.what());
      result->storedDataKept = e.StoredDataKept();
    } catch (const std::exception& e) {
      result->error = QString("Unexpected failure: ") + e.what();
    }
    if (!result->error.isEmpty() && hadRows && result->storedDataKept) {
      try {
        NullProgress none;
        result->outcome.EventList = FillEventList(InProgramFolder(folder, kDatabaseFile), none);
      } catch (const std::exception&) {
        // The overview stays empty; the message says what failed.
      }
    }
  });
  worker_->setParent(this);
  connect(worker_, &QThread::finished, this, [this, getLog, result] {
    worker_->deleteLater();
    worker_ = nullptr;
    FinishCommand(getLog, *result);
  });
  worker_->start();
}

void MainWindow::FinishCommand(bool getLog, const CommandResult& result) {
  unsetCursor();
  SetCommandsEnabled(true);
  if (!result.error.isEmpty()) {
    ProgressBar1->hide();
    ProgressBar2->hide();
    ShowOverview(ListView1, result.outcome.EventList);
    if (result.storedDataKept) {
      setWindowTitle(result.titleBefore);
      const QList<QAction*> exports = ExportEntries(*this);
      for (int i = 0; i < exports.size(); ++i) {
        exports[i]->setEnabled(result.exportsEnabledBefore[i]);
      }
    } else {
      setWindowTitle("Qorn");
      for (QAction* a : ExportEntries(*this)) a->setEnabled(false);
    }
    dialogs_.Message(this, getLog ? "Get Log" : "Get Previous",
                     result.storedDataKept
                         ? result.error + "\n\nThe stored fights are as they were."
                         : result.error);
    emit commandFinished();
    return;
  }
  if (!result.outcome.Notice.empty()) {
    dialogs_.Message(this, getLog ? "Get Log" : "Get Previous",
                     QString::fromStdString(result.outcome.Notice));
  }
  if (result.outcome.NoDamage) {
    dialogs_.Message(this, QString::fromUtf8(kNoDamageTitle.data(), kNoDamageTitle.size()),
                     QString::fromUtf8(kNoDamageMessage.data(), kNoDamageMessage.size()));
  }
  MoveFrameIntoView(Frame1);
  Yourname->setVisible(!getLog);
  Command1->hide();
  Command2->hide();
  ShowOverview(ListView1, result.outcome.EventList);
  spellDatRecs_ = result.outcome.Events.SpellDatRecs;
  mnuExportDmg->setEnabled(true);
  // Selecting the tab may move frames; the Damage frame is the tab's own.
  {
    const QSignalBlocker block(TabStrip1);
    TabStrip1->setCurrentIndex(1);
  }
  if (getLog) {
    TabStrip1->show();
    follower_->GetLogDone();
  }
  ProgressBar1->hide();
  ProgressBar2->hide();
  emit commandFinished();
}

}  // namespace qorn
