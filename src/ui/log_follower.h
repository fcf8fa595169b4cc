#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "commands/follow_session.h"

class QAction;
class QFileSystemWatcher;
class QThread;
class QTimer;

namespace qorn {

class Dialogs;
class MainWindow;

// Follow Log: after a Get Log, watches its log and, each time the game has
// appended whole lines, runs the follow session's Get Log of it on a worker
// thread, with the name that Get Log used and the timer of the last command
// that cut the fights (a Get Previous with another timer holds, also one of
// qorn-cli). The overview then changes in place: the selected fight, the
// sort and the tab in front stay, and the view in front fills again when its
// fight changed. The file system's notices are not enough on every file
// system, so the log is also looked at once a second. A run that fails stops
// following and says why, and so does a log that cannot be read; a log
// deleted or replaced by a folder, or another command storing at that
// moment, is waited for, the caption saying so. What a step does is the
// session's (commands/follow_session.h); this class keeps the Qt parts: the
// timer, the watcher, the thread, the caption and the list.
class LogFollower : public QObject {
  Q_OBJECT
 public:
  // `entry`: the checkable menu entry that starts and stops following.
  // `commandRunning`: whether one of the window's commands runs, so that no
  // run starts beside it.
  LogFollower(MainWindow& window, Dialogs& dialogs, std::string programFolder, QAction* entry,
              std::function<bool()> commandRunning);
  ~LogFollower() override;

  // The window's Get Log of `logPath` (shown as `shownPath`) begins; when it
  // goes through, GetLogDone() makes that log the one to follow. A failed
  // Get Log leaves the stored parse, and so what is followed, as it was.
  void GetLogStarting(const QString& shownPath, std::string logPath, std::string charName);
  void GetLogDone(const LogIdentity& read);

  bool Following() const { return following_; }
  // A Get Log of the follower runs.
  bool Running() const { return run_ != nullptr; }
  // The time of the last line read while following, when one is known.
  std::optional<DateTime> LastLine() const { return lastLine_; }

 signals:
  // A run begins, and has ended (its outcome is on screen).
  void runStarted();
  void runFinished();
  // The fight of the view in front changed: the view fills again.
  void fightInViewChanged();
  // Following started or stopped.
  void followingChanged(bool following);
  // The log was looked at (about once a second while following).
  void looked();

 private:
  struct Log {
    QString shownPath;
    std::string path;
    std::string charName;
    LogIdentity parsed;  // the log as the Get Log that last read it read it
  };
  struct RunResult;

  void SetFollowing(bool on);
  void Stop(const QString& failure, bool storedDataKept);
  void Look();
  void StartRun(const FollowStep& look);
  void ShowRun(const RunResult& result);
  void ShowCaption();

  MainWindow& window_;
  Dialogs& dialogs_;
  std::string programFolder_;
  QAction* entry_;
  std::function<bool()> commandRunning_;
  QFileSystemWatcher* watcher_;
  QTimer* poll_;
  Log log_;
  Log pending_;  // of the window's Get Log under way
  bool haveLog_ = false;
  bool following_ = false;
  std::optional<DateTime> lastLine_;
  // What the session said last, as the caption shows it (the session itself
  // may be at work on the run's thread).
  QString waiting_;  // what keeps the log from being read
  QString busy_;     // another command storing: the run is tried again
  // The log followed; a run holds it too while it reads on its thread.
  std::shared_ptr<FollowSession> session_;
  QThread* run_ = nullptr;
};

}  // namespace qorn
