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
#include "ui/bar_progress.h"
#include "ui/main_window.h"

namespace qorn {

struct MainWindow::CommandResult {
  CommandOutcome outcome;
  QString error;  // empty when the command went through
};

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
  if (worker_ != nullptr) return;  // one command at a time
  // A chosen timer item replaces the timer; with none chosen it stays.
  if (const int k = cmbEventTimer->currentIndex(); k >= 0) {
    eventTimerSeconds_ = static_cast<int16_t>(18 + 6 * k);
  }
  ProgressBar1->hide();
  for (QAction* a : {mnuExportDmg, mnuExportDoTBrk, mnuExportDoTTick, mnuExportGraph}) {
    a->setEnabled(false);
  }
  if (!getLog) mnuExportAllDamageDetail->setEnabled(false);
  ListView1->clear();
  const std::string charName = Yourname->text().toStdString();

  std::string logPath;
  if (getLog) {
    const QString chosen =
        dialogs_.OpenFile(this, "Pick a log file already", "Text files (*.txt)|*.TXT");
    if (chosen.isEmpty()) {
      ProgressBar1->hide();
      ProgressBar2->hide();
      return;
    }
    setWindowTitle("Qorn - " + chosen);
    logPath = QFile::encodeName(chosen).toStdString();
  }
  setCursor(Qt::WaitCursor);
  SetCommandsEnabled(false);

  auto result = std::make_shared<CommandResult>();
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
    } catch (const std::exception& e) {
      result->error = QString("Unexpected failure: ") + e.what();
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
    dialogs_.Message(this, getLog ? "Get Log" : "Get Previous",
                     result.error + "\n\nThe stored fights are as they were.");
    emit commandFinished();
    return;
  }
  if (result.outcome.NoDamage) {
    dialogs_.Message(this, QString::fromUtf8(kNoDamageTitle.data(), kNoDamageTitle.size()),
                     QString::fromUtf8(kNoDamageMessage.data(), kNoDamageMessage.size()));
  }
  MoveFrameIntoView(Frame1);
  Yourname->setVisible(!getLog);
  Command1->hide();
  Command2->hide();
  for (const OverviewRow& row : result.outcome.EventList.Rows) {
    QStringList cells;
    for (const std::string& cell : row.Cells()) cells << QString::fromStdString(cell);
    ListView1->AddRow(cells, row.EventNum);
  }
  mnuExportDmg->setEnabled(true);
  // Selecting the tab may move frames; the Damage frame is the tab's own.
  {
    const QSignalBlocker block(TabStrip1);
    TabStrip1->setCurrentIndex(1);
  }
  if (getLog) TabStrip1->show();
  ProgressBar1->hide();
  ProgressBar2->hide();
  emit commandFinished();
}

}  // namespace qorn
