#include "ui/log_follower.h"

#include <QAction>
#include <QCheckBox>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "commands/commands.h"
#include "common/error.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace qorn {

struct LogFollower::RunResult {
  FollowStep step;
  // Every fight's line when the step hands out all anew, else the fights
  // that changed; with their numbers.
  std::vector<std::vector<std::string>> rows;
  std::vector<int> eventNums;
};

namespace {

constexpr int kPollMilliseconds = 1000;

// The cells of an overview line (see OverviewRow::Cells) that tell its fight
// in the list across Get Logs of a growing log: the mob and the start. A
// fight that grows keeps both, while its number changes when a fight of a
// mob that sorts before it appears.
constexpr std::array<size_t, 2> kFightKeyCells = {0, 4};

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
  pending_ = {shownPath, std::move(logPath), std::move(charName), {}};
}

void LogFollower::GetLogDone(const LogIdentity& read) {
  log_ = pending_;
  // What the game wrote while the Get Log ran is read by the first run.
  log_.parsed = read;
  haveLog_ = true;
  entry_->setEnabled(true);
  if (!following_) return;
  // Another log: the watch moves to it.
  if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
  session_ = std::make_shared<FollowSession>(programFolder_, log_.path, log_.charName, log_.parsed);
  waiting_.clear();
  busy_.clear();
  lastLine_ = LastLineRead(log_.path, log_.parsed);
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
    emit followingChanged(false);
    return;
  }
  // A run under way finishes with its session; otherwise nothing is said yet.
  if (!session_ || !Running()) {
    session_ =
        std::make_shared<FollowSession>(programFolder_, log_.path, log_.charName, log_.parsed);
  }
  lastLine_ = LastLineRead(log_.path, log_.parsed);
  ShowCaption();
  poll_->start();
  emit followingChanged(true);
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
  emit looked();
  // A file replaced under its name drops out of the watch; the new one is watched.
  if (watcher_->files().isEmpty()) watcher_->addPath(QString::fromStdString(log_.path));
  // One run at a time: a change seen meanwhile is seen again afterwards.
  if (Running() || commandRunning_()) return;
  const FollowStep look = session_->Look();
  if (look.Failure) {
    Stop(QString::fromStdString(look.Failure->Message), true);
    return;
  }
  if (look.Waiting) {
    waiting_ = QString::fromStdString(*look.Waiting);
    ShowCaption();
  }
  if (look.Change != LogChange::None) StartRun(look);
}

void LogFollower::StartRun(const FollowStep& look) {
  auto result = std::make_shared<RunResult>();
  result->step = look;
  std::shared_ptr<FollowSession> session = session_;
  run_ = QThread::create([result, session] {
    FollowStep& step = result->step;
    auto add = [&result](const OverviewRow& row) {
      result->rows.push_back(row.Cells());
      result->eventNums.push_back(row.EventNum);
    };
    try {
      NullProgress none;
      session->Read(step, {none, none});
      if (step.AllAnew) {
        session->ForEachFight(add);
      } else {
        for (const FollowedFight& fight : step.Fights) add(fight.Line);
      }
    } catch (const Error& e) {
      step.Failure = FollowFailure{e.what(), e.Detail(), e.StoredDataKept()};
    } catch (const std::exception& e) {
      step.Failure = FollowFailure{std::string("Unexpected failure: ") + e.what(), {}, true};
    }
  });
  run_->setParent(this);
  connect(run_, &QThread::finished, this, [this, result, session] {
    run_->deleteLater();
    run_ = nullptr;
    if (session == session_) log_.parsed = session->Mark();
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
  const FollowStep& step = result.step;
  if (step.Failure) {
    Stop(QString::fromStdString(step.Failure->Message), step.Failure->StoredDataKept);
    return;
  }
  if (step.Busy) busy_ = QString::fromStdString(*step.Busy);
  // Another command was storing: the lines stay unread, the next look tries again.
  if (!step.Ran) {
    if (following_ && step.Busy) ShowCaption();
    return;
  }
  if (!step.Notice.empty()) {
    dialogs_.Message(&window_, "Follow Log", QString::fromStdString(step.Notice));
  }
  // Nothing of the character in the log yet: the stored fights stay, and the list with them.
  if (step.StoredKept) {
    if (following_) ShowCaption();
    return;
  }
  // Another log under the name: its fights are others, none stays selected.
  if (step.Change == LogChange::Replaced) list->clear();
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
  // All anew: fights that are gone (two merged into one by a line that came
  // late) leave the list; the selection then moves to another fight, or to
  // none. Otherwise the fights that changed take their rows' places.
  const std::vector<int> changed =
      list->MergeRows(result.rows, result.eventNums, kFightKeyCells, step.AllAnew);
  const std::optional<Fight> selected = window_.SelectedFight();  // by its new number
  const bool selectedChanged =
      selectedKey() != keyBefore ||
      (selected && std::find(changed.begin(), changed.end(), selected->EventNum) != changed.end());
  // Buff Value and DoT Uptime of the whole log show every fight.
  const bool wholeLogInView =
      (window_.Frame8->isVisible() && window_.chkWholeLog->isChecked()) ||
      (window_.Frame9->isVisible() && window_.chkUptimeWholeLog->isChecked());
  if (step.Change == LogChange::Replaced || selectedChanged ||
      (wholeLogInView && !changed.empty())) {
    emit fightInViewChanged();
  }
  if (following_) {
    if (step.LastLine) lastLine_ = step.LastLine;
    ShowCaption();
  }
}

}  // namespace qorn
