// Get Log and Get Previous: the window's side of the two commands. The work
// runs on a worker thread; the bars follow it through queued updates, and
// the window shows the outcome when the thread has finished.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QThread>

#include "commands/commands.h"
#include "commands/program_folder.h"
#include "common/character_name.h"
#include "common/error.h"
#include "common/front_end_texts.h"
#include "common/progress.h"
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
  bool stopped = false;  // the user stopped the command
  std::string charName;  // the name Get Log looked for
};

namespace {

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
  return {w.mnuExportDmg,      w.mnuExportDoTBrk,          w.mnuExportDoTTick,
          w.mnuExportGraph,    w.mnuExportAllDamageDetail, w.mnuExportBuffValue,
          w.mnuExportDotUptime};
}

}  // namespace

void MainWindow::GetLog() { RunCommand(true); }

void MainWindow::GetLogWhole() { RunCommand(true, true); }

void MainWindow::GetPrevious() { RunCommand(false); }

void MainWindow::SetCommandsEnabled(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2)}) {
    w->setEnabled(enabled);
  }
  mnuOpen->setEnabled(enabled);
  mnuOpenWhole->setEnabled(enabled);
  mnuOpenPrevious->setEnabled(enabled);
}

void MainWindow::RunCommand(bool getLog, bool readWhole) {
  if (worker_ != nullptr || follower_->Running()) return;  // one command at a time
  eventTimerSeconds_ = TimerInUse();
  // A name typed is checked before the file is asked for; the prompt may
  // take the name the log's file name gives.
  if (getLog && Yourname->text() != kNamePrompt && !NameChecked()) return;
  QString chosen;
  if (getLog) {
    chosen = dialogs_.OpenFile(this, "Pick a log file already", "Text files (*.txt)|*.TXT");
    if (chosen.isEmpty()) return;  // cancelled: what is in view stays as it is
    if (!NameForLog(chosen)) return;
    // The parser looks for the name as the game writes it; the box shows it so.
    Yourname->setText(QString::fromStdString(GameName(Yourname->text().toStdString())));
  }
  const std::string charName = Yourname->text().toStdString();

  auto result = std::make_shared<CommandResult>();
  result->titleBefore = windowTitle();
  result->charName = charName;
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
    follower_->GetLogStarting(chosen, logPath, charName);
  }
  setCursor(Qt::WaitCursor);
  SetCommandsEnabled(false);
  ProgressBar2->reset();  // the step's caption follows the bar's first value
  ProgressBar1->reset();
  lblStep->clear();
  lblStep->show();
  cmdCancel->show();

  auto loop = std::make_shared<BarProgress>(ProgressBar1);
  auto stages = std::make_shared<BarProgress>(ProgressBar2, lblStep);
  stop_ = std::make_shared<std::atomic<bool>>(false);
  const std::string folder = programFolder_;
  const int16_t timer = eventTimerSeconds_;
  worker_ = QThread::create([=, stop = stop_] {
    // Once the stage bar's last value has come, the stored file was
    // replaced: from there on the command ends as if it had not been stopped.
    const CommandProgress progress{*loop, *stages, StopToken(*stop)};
    try {
      result->outcome =
          getLog ? RunGetLog(folder, logPath, charName, timer, progress, {.ReadWhole = readWhole})
                 : RunGetPrevious(folder, timer, progress);
    } catch (const Stopped& e) {
      result->stopped = true;
      result->error = QString::fromStdString(e.what());
    } catch (const Error& e) {
      result->error = QString::fromStdString(e.what());
      result->storedDataKept = e.StoredDataKept();
    } catch (const std::exception& e) {
      result->error = QString("Unexpected failure: ") + e.what();
    }
    const bool failed = !result->error.isEmpty() || result->outcome.StoredKept;
    if (failed && hadRows && result->storedDataKept) {
      try {
        NullProgress none;
        result->outcome.EventList = FillEventList(InProgramFolder(folder, kDatabaseFile), none);
      } catch (const std::exception&) {
        // The overview stays empty; the message says what failed.
      }
    }
  });
  worker_->setParent(this);
  QThread* thread = worker_;
  connect(worker_, &QThread::finished, this, [this, thread, getLog, result] {
    thread->deleteLater();
    if (worker_ != thread) return;  // the window was closed while it ran
    worker_ = nullptr;
    FinishCommand(getLog, *result);
  });
  worker_->start();
}

bool MainWindow::NameForLog(const QString& path) {
  const std::string file = QFile::encodeName(path).toStdString();
  // No name typed yet: the file's name gives it, if it names one.
  if (Yourname->text() == kNamePrompt) {
    if (const auto character = LogFileCharacter(file)) {
      Yourname->setText(QString::fromStdString(*character));
      return true;
    }
    return NameChecked();
  }
  const auto character = OtherCharacterOfLog(file, Yourname->text().toStdString());
  if (!character) return true;
  const QString owner = QString::fromStdString(*character);
  const QString typed = QString::fromStdString(GameName(Yourname->text().toStdString()));
  const int choice = dialogs_.Ask(this, "Get Log",
                                  "The log file " + QFileInfo(path).fileName() + " is " + owner +
                                      "'s, not " + typed + "'s. Read under " + typed +
                                      ", it gives its DoT ticks and pets but none of " + owner +
                                      "'s direct damage.\n\nWhose log shall it be read as?",
                                  {"Use " + owner, "Use " + typed});
  if (choice == 0) Yourname->setText(owner);
  return choice == 0 || choice == 1;
}

void MainWindow::StopCommand() {
  if (worker_ != nullptr) stop_->store(true);
}

void MainWindow::FinishCommand(bool getLog, const CommandResult& result) {
  unsetCursor();
  SetCommandsEnabled(true);
  lblStep->hide();
  cmdCancel->hide();
  // A failed command, and a log without anything of the character, leave
  // the stored parse as it was: the window shows it as it was.
  if (!result.error.isEmpty() || result.outcome.StoredKept) {
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
    if (result.stopped) {
      // Asked for: nothing to say.
    } else if (result.outcome.StoredKept) {
      dialogs_.Message(this, QString::fromUtf8(kNoDamageTitle.data(), kNoDamageTitle.size()),
                       QString::fromUtf8(kNoDamageMessage.data(), kNoDamageMessage.size()) +
                           "\n\n" + QString::fromStdString(StoredKeptNote(result.charName)));
    } else {
      dialogs_.Message(this, getLog ? "Get Log" : "Get Previous",
                       result.storedDataKept
                           ? result.error + "\n\nThe stored fights are as they were."
                           : result.error);
    }
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
  if (!getLog && result.outcome.EventList.Rows.empty()) {
    // Nothing stored: the overview would be an empty list with no way on.
    ProgressBar1->hide();
    ProgressBar2->hide();
    dialogs_.Message(this, "Get Previous",
                     "No fights are stored yet. Get Log reads a log file and stores its fights.");
    emit commandFinished();
    return;
  }
  // The name box and both buttons stay in the settings frame, for when its
  // tab brings it back.
  MoveFrameIntoView(Frame1);
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
    follower_->GetLogDone(result.outcome.Log);
    RememberName(QString::fromStdString(result.charName));
  }
  ProgressBar1->hide();
  ProgressBar2->hide();
  emit commandFinished();
}

}  // namespace qorn
