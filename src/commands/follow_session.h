#pragma once

// Following a log that the game appends to, without a window: the window's
// Follow Log and `qorn-cli follow` both drive one FollowSession, each from
// its own clock (a timer and a file watcher, a poll loop), and show what a
// step returns.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "common/date_time.h"
#include "parse/log_file.h"
#include "store/event_overview.h"

namespace qorn {

// The time stamp of the last line that a Get Log read of the log at `path`
// (`read`, its CommandOutcome::Log) that carries one (LastLineTime), while
// the file under the name is still that log; nullopt otherwise.
std::optional<DateTime> LastLineRead(const std::string& path, const LogIdentity& read);

enum class LogChange {
  // Nothing to read yet: the file is as it was, its new bytes end inside a
  // line (the game has not written the rest), or it is missing for now.
  None,
  // Whole new lines after what the last Get Log read.
  Grown,
  // Another file under the name, or the file got shorter: the stored parse
  // is not a part of it. The first Get Log of a session counts as this too.
  Replaced,
};

// A failure that stops following, in words for the player.
struct FollowFailure {
  std::string Message;
  std::string Detail;  // what failed underneath, for a developer (Error::Detail)
  // False when the failure changed what was stored (a damaged database was
  // moved aside): the stored fights are not as they were.
  bool StoredDataKept = true;
};

// A fight whose line is new, or differs from the one handed out before, or
// that only has another number now (a fight of a mob that sorts before it
// appeared): a list that keeps each line's number needs those too.
struct FollowedFight {
  OverviewRow Line;
  bool LineChanged = true;  // false: the same line under another number
};

// What one step of a follow did.
struct FollowStep {
  // Set when what keeps the log from being read (the log deleted, or a
  // folder in its place) changed since it was last said: the new text,
  // empty once it is over. The same for another command storing (Busy): the
  // lines stay unread and the next step tries again.
  std::optional<std::string> Waiting;
  std::optional<std::string> Busy;
  // The log is there but cannot be read, or the Get Log failed: following stops.
  std::optional<FollowFailure> Failure;
  // A Get Log is due (the file grew by whole lines or was replaced); Read() runs it.
  LogChange Change = LogChange::None;
  // A Get Log went through; what the game wrote meanwhile is looked at at once.
  bool Ran = false;
  // Something the player must be told although the Get Log went through.
  std::string Notice;
  // The Get Log found nothing of the character in the log: the stored
  // fights, and whatever shows them, stay as they were.
  bool StoredKept = false;
  // The log had no damage of the character (getlog says so; the CLI says it
  // of its first Get Log).
  bool NoDamage = false;
  // A fight handed out before is gone: a line whose time is earlier than
  // lines already read filled the gap between two fights, which became one
  // (or started it earlier). The new and changed fights alone would leave
  // the gone one counted.
  bool FightsGone = false;
  // The whole list anew (the first Get Log, another file, fights gone):
  // ForEachFight() gives every line. Otherwise Fights holds what changed.
  bool AllAnew = false;
  std::vector<FollowedFight> Fights;  // in number order
  // The time of the log's last line, after a Get Log that went through.
  std::optional<DateTime> LastLine;
};

struct FollowOptions {
  // The timer the first Get Log cuts with (see the constructor).
  std::optional<int16_t> FirstTimer;
  // Whether a step hands out the fights that only have another number
  // (FollowedFight::LineChanged false): a list that keeps each line's
  // number needs them, a printout of new and changed lines does not.
  bool Renumbered = true;
};

// One log followed into the parse database of a program folder: the mark of
// the last Get Log of it, what was said last (waiting, busy), and a digest of
// each fight handed out (its mob without regard to case and its start, which
// stay while the fight grows, and its line and number), so that a step hands
// out only the fights that changed and never holds the whole overview.
//
// A session is used by one thread at a time.
class FollowSession {
 public:
  // `readFrom`: the log as a Get Log that went through read it
  // (CommandOutcome::Log; its fights are the stored ones); without it, the first step runs the
  // Get Log of the whole log, cutting with the options' FirstTimer. Later
  // Get Logs cut with the timer the stored fights were last cut with, so
  // that a Get Previous beside the follow holds.
  FollowSession(std::string programFolder, std::string logPath, std::string charName,
                std::optional<LogIdentity> readFrom, FollowOptions options = {});

  // Look() at the file, then Read() when a Get Log is due.
  FollowStep Step(CommandProgress progress);
  // One look at the file: what to say, a failure, and the change that makes
  // a Get Log due (Change). Cheap: the window looks from its own thread
  // between runs, and runs only Read() on a worker.
  FollowStep Look();
  // The Get Log that `step`'s look found due, and the fights it changed.
  // Stopped (progress stopped) goes through; other failures are in `step`.
  void Read(FollowStep& step, CommandProgress progress);

  // Every stored fight's line, in number order (after a step that is
  // AllAnew); these are then what the next step compares with.
  void ForEachFight(const std::function<void(const OverviewRow&)>& each);

  // The log as the last Get Log that went through read it.
  const LogIdentity& Mark() const { return mark_; }

 private:
  struct Shown {
    uint64_t Mob = 0;  // hash of the mob's text without regard to case
    DateTime First = 0;
    uint64_t Line = 0;  // hash of what the line shows
    int32_t EventNum = 0;
  };
  static Shown ShownOf(const OverviewRow& row);
  // The digests of the stored fights (`each`, when given, gets each line).
  std::vector<Shown> ReadShown(const std::function<void(const OverviewRow&)>& each);
  // Compares the stored fights with what was handed out; fills `step`.
  void CompareWithShown(FollowStep& step);

  std::string programFolder_;
  std::string logPath_;
  std::string charName_;
  FollowOptions options_;
  bool started_;  // a Get Log of the log went through
  LogIdentity mark_;
  // The file a look found grown or replaced, open until the Get Log of it.
  std::optional<LogFile> log_;
  std::string waiting_;
  std::string busy_;
  // Sorted by (Mob, First); nullopt until read from the stored fights.
  std::optional<std::vector<Shown>> shown_;
};

}  // namespace qorn
