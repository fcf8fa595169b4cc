#include "commands/follow_session.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "commands/program_folder.h"
#include "common/error.h"
#include "common/fnv_hash.h"
#include "common/stop_token.h"
#include "common/text_fold.h"
#include "parse/log_time.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace qorn {
namespace {

// Sets `said` to `text` and, when that changed it, hands the new text out.
void Say(std::string& said, const std::string& text, std::optional<std::string>& out) {
  if (text == said) return;
  said = text;
  out = text;
}

// The follow's words for a Get Log that met another command storing in the
// program folder (`error`, that failure's words): it tries again.
std::string TriesAgainText(const std::string& error) {
  return error + " Following goes on: the next look at the log tries again.";
}

template <typename T>
uint64_t HashBytes(uint64_t hash, const T& value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  for (const char c : bytes) hash = FnvStep(hash, c);
  return hash;
}

}  // namespace

FollowSession::FollowSession(std::string programFolder, std::string logPath, std::string charName,
                             std::optional<LogIdentity> readFrom, FollowOptions options)
    : programFolder_(std::move(programFolder)),
      logPath_(std::move(logPath)),
      charName_(std::move(charName)),
      options_(options),
      started_(readFrom.has_value()),
      mark_(readFrom.value_or(LogIdentity{})) {
  // Before the first Get Log nothing was handed out; after another one, what
  // shows its fights shows the stored ones, read when first needed.
  if (!started_) shown_.emplace();
}

std::optional<DateTime> LastLineRead(const std::string& path, const LogIdentity& read) {
  try {
    const LogFile log(path);
    const LogSince since = log.Glance(read);
    if (since == LogSince::Replaced || since == LogSince::Shrank) return std::nullopt;
    return LastLineTime(log, read.Bytes);
  } catch (const Error&) {
    return std::nullopt;
  }
}

FollowStep FollowSession::Step(CommandProgress progress) {
  FollowStep step = Look();
  if (!step.Failure && step.Change != LogChange::None) Read(step, progress);
  return step;
}

FollowStep FollowSession::Look() {
  FollowStep step;
  // The first Get Log says itself what keeps it from reading the log.
  if (!started_) {
    step.Change = LogChange::Replaced;
    return step;
  }
  auto unreadable = [&](const std::string& reason) {
    step.Failure = FollowFailure{"Cannot read the log file " + logPath_ + ": " + reason, {}, true};
    return step;
  };
  const std::optional<platform::FileStatus> st = platform::Status(logPath_);
  if (!st) {
    const platform::SystemError why = platform::SystemError::Last();
    if (!why.NotFound() && !why.FileOnTheWay()) return unreadable(why.Text());
    Say(waiting_, "The log " + logPath_ + " is gone; waiting for the game to write it again.",
        step.Waiting);
    return step;
  }
  if (st->Kind != platform::FileKind::File) {
    Say(waiting_,
        "The log " + logPath_ + " is " +
            (st->Kind == platform::FileKind::Folder ? "a folder" : "something other than a file") +
            " now; waiting for the log to be a file again.",
        step.Waiting);
    return step;
  }
  // Opened once a look: a log that cannot be read is said at once, also
  // while the game writes nothing to it. A Get Log due reads this file.
  log_.reset();
  try {
    log_.emplace(logPath_);
  } catch (const Error& e) {
    return unreadable(e.Detail());
  }
  Say(waiting_, {}, step.Waiting);
  const LogSince since = log_->Glance(mark_);
  // A partial last line waits for its end; a look at a file just cut short
  // sees that too.
  if (since == LogSince::Unchanged || !log_->EndsAtLineEnd(log_->Size())) {
    log_.reset();
    return step;
  }
  step.Change = since == LogSince::Grew ? LogChange::Grown : LogChange::Replaced;
  return step;
}

void FollowSession::Read(FollowStep& step, CommandProgress progress) {
  const bool first = !started_;
  // The file the look opened, or the first Get Log's; closed when the step ends.
  struct Closes {
    std::optional<LogFile>& log;
    ~Closes() { log.reset(); }
  } closes{log_};
  if (!shown_) {
    // What shows the fights shows the stored ones of the Get Log before;
    // when they cannot be read, everything is handed out anew after this one.
    try {
      shown_ = ReadShown(nullptr);
    } catch (const Error&) {
    }
  }
  CommandOutcome outcome;
  try {
    if (!log_) log_.emplace(logPath_);
    // It reads what the look saw: what the game writes meanwhile is read by
    // the next step.
    outcome =
        RunGetLog(programFolder_, *log_, charName_, first ? options_.FirstTimer : std::nullopt,
                  progress, {.KeepOverview = false});
  } catch (const Stopped&) {
    throw;
  } catch (const Error& e) {
    if (e.Busy()) {
      // The lines stay unread (the mark stays): the next step tries again.
      Say(busy_, TriesAgainText(e.what()), step.Busy);
    } else {
      step.Failure = FollowFailure{e.what(), e.Detail(), e.StoredDataKept()};
    }
    return;
  }
  Say(busy_, {}, step.Busy);
  started_ = true;
  mark_ = outcome.Log;
  step.Ran = true;
  step.Notice = outcome.Notice;
  step.NoDamage = outcome.NoDamage;
  step.StoredKept = outcome.StoredKept;
  step.LastLine = LastLineTime(*log_, mark_.Bytes);
  // Nothing of the character in the log: the stored fights are as they were.
  if (outcome.StoredKept) return;
  if (first || step.Change == LogChange::Replaced || !shown_) {
    step.AllAnew = true;
    shown_.reset();
    return;
  }
  try {
    CompareWithShown(step);
  } catch (const Error& e) {
    shown_.reset();
    step.Failure = FollowFailure{e.what(), e.Detail(), true};
  }
}

FollowSession::Shown FollowSession::ShownOf(const OverviewRow& row) {
  Shown shown;
  shown.Mob = Fnv1a(FoldCase(row.Mob));
  shown.First = row.First;
  // What the line shows follows from these (its length and damage per
  // second from the total and times).
  uint64_t line = Fnv1a(row.Mob);
  line = HashBytes(line, row.Total);
  line = HashBytes(line, row.First);
  shown.Line = HashBytes(line, row.Last);
  shown.EventNum = row.EventNum;
  return shown;
}

namespace {

auto KeyOf(uint64_t mob, DateTime first) { return std::make_tuple(mob, first); }

}  // namespace

std::vector<FollowSession::Shown> FollowSession::ReadShown(
    const std::function<void(const OverviewRow&)>& each) {
  std::vector<Shown> shown;
  ForEachStoredFight(InProgramFolder(programFolder_, kDatabaseFile), [&](const OverviewRow& row) {
    shown.push_back(ShownOf(row));
    if (each) each(row);
  });
  std::sort(shown.begin(), shown.end(), [](const Shown& a, const Shown& b) {
    return KeyOf(a.Mob, a.First) < KeyOf(b.Mob, b.First);
  });
  return shown;
}

void FollowSession::ForEachFight(const std::function<void(const OverviewRow&)>& each) {
  shown_.reset();
  shown_ = ReadShown(each);
}

void FollowSession::CompareWithShown(FollowStep& step) {
  const std::vector<Shown>& before = *shown_;
  size_t kept = 0;  // fights handed out before that are there still
  std::vector<FollowedFight> fights;
  std::vector<Shown> now = ReadShown([&](const OverviewRow& row) {
    const Shown s = ShownOf(row);
    const auto it =
        std::lower_bound(before.begin(), before.end(), s, [](const Shown& a, const Shown& b) {
          return KeyOf(a.Mob, a.First) < KeyOf(b.Mob, b.First);
        });
    const bool found = it != before.end() && it->Mob == s.Mob && it->First == s.First;
    if (found) ++kept;
    if (!found || it->Line != s.Line) {
      fights.push_back({row, true});
    } else if (options_.Renumbered && it->EventNum != s.EventNum) {
      fights.push_back({row, false});
    }
  });
  step.FightsGone = kept < before.size();
  shown_ = std::move(now);
  if (step.FightsGone) {
    step.AllAnew = true;
    return;
  }
  step.Fights = std::move(fights);
}

}  // namespace qorn
