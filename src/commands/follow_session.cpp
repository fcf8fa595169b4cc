#include "commands/follow_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <tuple>

#include "commands/program_folder.h"
#include "common/error.h"
#include "common/fnv_hash.h"
#include "common/stop_token.h"
#include "common/text_fold.h"
#include "parse/line_end.h"
#include "parse/log_time.h"

namespace qorn {
namespace {

constexpr uint64_t kTailBytes = 64 * 1024;

// The bytes [from, to) of the file; shorter when the file is (or became) shorter.
std::string ReadRange(const std::string& path, uint64_t from, uint64_t to) {
  std::string bytes;
  std::ifstream in(path, std::ios::binary);
  if (!in || to <= from) return bytes;
  in.seekg(static_cast<std::streamoff>(from));
  bytes.resize(static_cast<size_t>(to - from));
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

LogMark MarkOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
          static_cast<uint64_t>(st.st_size)};
}

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

std::optional<LogMark> MarkLog(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return MarkOf(st);
}

std::optional<DateTime> LastLineTime(const std::string& path, uint64_t size) {
  const uint64_t from = size > kTailBytes ? size - kTailBytes : 0;
  const std::string tail = ReadRange(path, from, size);
  size_t end = tail.size();
  while (end > 0) {
    const size_t cut = tail.find_last_of("\r\n", end - 1);
    const size_t begin = cut == std::string::npos ? 0 : cut + 1;
    // The first line of a tail that starts mid-file may be cut at its head.
    if (begin > 0 || from == 0) {
      if (const auto when = ConvertLogTime(std::string_view(tail).substr(begin, end - begin))) {
        return when;
      }
    }
    if (cut == std::string::npos) break;
    end = cut;
  }
  return std::nullopt;
}

FollowSession::FollowSession(std::string programFolder, std::string logPath, std::string charName,
                             std::optional<LogMark> readFrom, FollowOptions options)
    : programFolder_(std::move(programFolder)),
      logPath_(std::move(logPath)),
      charName_(std::move(charName)),
      options_(options),
      started_(readFrom.has_value()),
      mark_(readFrom.value_or(LogMark{})) {
  // Before the first Get Log nothing was handed out; after another one, what
  // shows its fights shows the stored ones, read when first needed.
  if (!started_) shown_.emplace();
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
  auto unreadable = [&](int reason) {
    step.Failure = FollowFailure{
        "Cannot read the log file " + logPath_ + ": " + std::strerror(reason), {}, true};
    return step;
  };
  struct stat st {};
  if (::stat(logPath_.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return unreadable(errno);
    Say(waiting_, "The log " + logPath_ + " is gone; waiting for the game to write it again.",
        step.Waiting);
    return step;
  }
  if (!S_ISREG(st.st_mode)) {
    Say(waiting_,
        "The log " + logPath_ + " is " +
            (S_ISDIR(st.st_mode) ? "a folder" : "something other than a file") +
            " now; waiting for the log to be a file again.",
        step.Waiting);
    return step;
  }
  // Opened once a look: a log that cannot be read is said at once, also
  // while the game writes nothing to it.
  const int fd = ::open(logPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return unreadable(errno);
  ::close(fd);
  Say(waiting_, {}, step.Waiting);
  const LogMark now = MarkOf(st);
  const bool replaced =
      now.Device != mark_.Device || now.Inode != mark_.Inode || now.Size < mark_.Size;
  if (!replaced && now.Size == mark_.Size) return step;
  if (now.Size > 0) {
    const std::string last = ReadRange(logPath_, now.Size - 1, now.Size);
    // A partial last line waits for its end; so does a file that just went away.
    if (last.size() != 1 || !IsLineEnd(last[0])) return step;
  }
  next_ = now;
  step.Change = replaced ? LogChange::Replaced : LogChange::Grown;
  return step;
}

void FollowSession::Read(FollowStep& step, CommandProgress progress) {
  const bool first = !started_;
  // The mark comes first: what the game writes while Get Log runs is read
  // by the next one.
  const LogMark mark = first ? MarkLog(logPath_).value_or(LogMark{}) : next_;
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
    outcome =
        RunGetLog(programFolder_, logPath_, charName_, first ? options_.FirstTimer : std::nullopt,
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
  mark_ = mark;
  step.Ran = true;
  step.Notice = outcome.Notice;
  step.NoDamage = outcome.NoDamage;
  step.StoredKept = outcome.StoredKept;
  step.LastLine = LastLineTime(logPath_, mark_.Size);
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
