#include "ui/log_follower.h"

#include <QAction>
#include <QCheckBox>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>

#include "common/error.h"
#include "commands/commands.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace qorn {

struct LogFollower::RunResult {
  LogLook look;
  CommandOutcome outcome;
  std::optional<DateTime> lastLine;
  QString error;  // empty when the Get Log went through
  bool storedDataKept = true;
  bool busy = false;  // another command was storing: tried again at the next look
};

namespace {

constexpr int kPollMilliseconds = 1000;

}  // namespace

LogFollower::LogFollower(MainWindow& window, Dialogs& dialogs, std::string programFolder,
                         QAction* entry, std::function<bool()> commandRunning)
    : QObject(&window),
      window_(window),
      dialogs_(dialogs),
      programFolder_(std::move(programFolder)),
      entry_(entry),
      commandRunning_(std::move(commandRunning)),
      watcher_(new QFileSystemWatcher(this)),
      poll_(new QTimer(this)) {
  entry_->setCheckable(true);
  entry_->setEnabled(false);
  poll_->setInterval(kPollMilliseconds);
  connect(poll_, &QTimer::timeout, this, &LogFollower::Look);
  connect(watcher_, &QFileSystemWatcher::fileChanged, this, &LogFollower::Look);
  connect(entry_, &QAction::toggled, this, &LogFollower::SetFollowing);
}

LogFollower::~LogFollower() {
  // The run finishes its Get Log: the stored parse stays whole.
  if (run_ != nullptr) run_->wait();
}

void LogFollower::GetLogStarting(const QString& shownPath, std::string logPath,
                                 std::string charName) {
  // The mark comes first: what the game writes while Get Log runs is read
  // by the next run.
  pending_ = {shownPath, std::move(logPath), std::move(charName), {}};
  pending_.parsed = MarkLog(pending_.path).value_or(LogMark{});
}

void LogFollower::GetLogDone() {
  log_ = pending_;
  haveLog_ = true;
  entry_->setEnabled(true);
  if (!following_) return;
  // Another log: the watch moves to it.
  if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
  lastLine_ = LastLineTime(log_.path, log_.parsed.Size);
  ShowCaption();
  Look();
}

void LogFollower::SetFollowing(bool on) {
  if (on == following_) return;
  following_ = on && haveLog_;
  waiting_.clear();
  busy_.clear();
  if (!following_) {
    poll_->stop();
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    if (haveLog_) window_.setWindowTitle("Qorn - " + log_.shownPath);
    if (entry_->isChecked()) entry_->setChecked(false);
    return;
  }
  lastLine_ = LastLineTime(log_.path, log_.parsed.Size);
  ShowCaption();
  poll_->start();
  Look();
}

void LogFollower::Stop(const QString& failure, bool storedDataKept) {
  SetFollowing(false);
  if (!storedDataKept) {
    window_.ListView1->clear();
    window_.setWindowTitle("Qorn");
  }
  dialogs_.Message(&window_, "Follow Log",
                   "Follow Log has stopped: " + failure +
                       (storedDataKept ? "\n\nThe stored fights are as they were." : ""));
}

void LogFollower::ShowCaption() {
  QString caption = "Qorn - " + log_.shownPath + " - following";
  if (lastLine_) caption += ", last line " + QString::fromStdString(FormatGeneralDate(*lastLine_));
  for (const QString& why : {waiting_, busy_}) {
    if (!why.isEmpty()) caption += " - " + why;
  }
  window_.setWindowTitle(caption);
}

void LogFollower::Look() {
  if (!following_) return;
  // A file replaced under its name drops out of the watch; the new one is watched.
  if (watcher_->files().isEmpty()) watcher_->addPath(QString::fromStdString(log_.path));
  // One run at a time: a change seen meanwhile is seen again afterwards.
  if (Running() || commandRunning_()) return;
  const LogLook look = LookAtLog(log_.path, log_.parsed);
  if (!look.Failure.empty()) {
    Stop(QString::fromStdString(look.Failure), true);
    return;
  }
  if (const QString waiting = QString::fromStdString(look.Waiting); waiting != waiting_) {
    waiting_ = waiting;
    ShowCaption();
  }
  if (look.Change != LogChange::None) StartRun(look);
}

void LogFollower::StartRun(const LogLook& look) {
  auto result = std::make_shared<RunResult>();
  result->look = look;
  const std::string folder = programFolder_;
  const Log log = log_;
  run_ = QThread::create([result, folder, log] {
    try {
      NullProgress none;
      // The timer of the stored fights: a Get Previous since holds.
      result->outcome = RunGetLog(folder, log.path, log.charName, std::nullopt, {none, none});
      result->lastLine = LastLineTime(log.path, result->look.Mark.Size);
    } catch (const Error& e) {
      result->error = QString::fromStdString(e.what());
      result->storedDataKept = e.StoredDataKept();
      result->busy = e.Busy();
    } catch (const std::exception& e) {
      result->error = QString("Unexpected failure: ") + e.what();
    }
  });
  run_->setParent(this);
  connect(run_, &QThread::finished, this, [this, result] {
    run_->deleteLater();
    run_ = nullptr;
    ShowRun(*result);
    emit runFinished();
    // What the game wrote during the run is read at once.
    if (following_) QTimer::singleShot(0, this, &LogFollower::Look);
  });
  emit runStarted();
  run_->start();
}

void LogFollower::ShowRun(const RunResult& result) {
  ReportList* list = window_.ListView1;
  if (result.busy && following_) {
    // The lines stay unread (the mark stays): the next look tries again.
    const QString busy = QString::fromStdString(TriesAgainText(result.error.toStdString()));
    if (busy != busy_) {
      busy_ = busy;
      ShowCaption();
    }
    return;
  }
  if (!result.error.isEmpty()) {
    Stop(result.error, result.storedDataKept);
    return;
  }
  busy_.clear();
  log_.parsed = result.look.Mark;
  if (!result.outcome.Notice.empty()) {
    dialogs_.Message(&window_, "Follow Log", QString::fromStdString(result.outcome.Notice));
  }
  // Nothing of the character in the log yet: the stored fights stay, and the list with them.
  if (result.outcome.StoredKept) return;
  std::vector<std::vector<std::string>> rows;
  std::vector<int> eventNums;
  for (const OverviewRow& row : result.outcome.EventList.Rows) {
    rows.push_back(row.Cells());
    eventNums.push_back(row.EventNum);
  }
  // Another log under the name: its fights are others, none stays selected.
  if (result.look.Change == LogChange::Replaced) list->clear();
  // The selected fight, told by its key cells: its number changes when a
  // fight that sorts before it appears.
  auto selectedKey = [list] {
    QStringList key;
    const QList<QTreeWidgetItem*> items = list->selectedItems();
    if (!items.isEmpty()) {
      for (const size_t c : kFightKeyCells) key << items.front()->text(static_cast<int>(c));
    }
    return key;
  };
  const QStringList keyBefore = selectedKey();
  // Fights that are gone (two merged into one by a line that came late)
  // leave the list; the selection then moves to another fight, or to none.
  const std::vector<int> changed = list->MergeRows(rows, eventNums, kFightKeyCells);
  const std::optional<Fight> selected = window_.SelectedFight();  // by its new number
  const bool selectedChanged =
      selectedKey() != keyBefore ||
      (selected && std::find(changed.begin(), changed.end(), selected->EventNum) != changed.end());
  // Buff Value of the whole log shows every fight.
  const bool wholeLogInView = window_.Frame8->isVisible() && window_.chkWholeLog->isChecked();
  if (result.look.Change == LogChange::Replaced || selectedChanged ||
      (wholeLogInView && !changed.empty())) {
    emit fightInViewChanged();
  }
  if (following_) {
    if (result.lastLine) lastLine_ = result.lastLine;
    ShowCaption();
  }
}

}  // namespace qorn
