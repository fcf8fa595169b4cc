#include "views/log_follow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <unordered_map>

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

}  // namespace

namespace {

LogMark MarkOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
          static_cast<uint64_t>(st.st_size)};
}

}  // namespace

std::optional<LogMark> MarkLog(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return MarkOf(st);
}

std::string TriesAgainText(const std::string& error) {
  return error + " Following goes on: the next look at the log tries again.";
}

LogLook LookAtLog(const std::string& path, const LogMark& parsed) {
  auto result = [](LogChange change, const LogMark& mark) {
    LogLook look;
    look.Change = change;
    look.Mark = mark;
    return look;
  };
  auto unreadable = [&](int reason) {
    LogLook look = result(LogChange::None, parsed);
    look.Failure = "Cannot read the log file " + path + ": " + std::strerror(reason);
    return look;
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return unreadable(errno);
    LogLook look = result(LogChange::None, parsed);
    look.Waiting = "The log " + path + " is gone; waiting for the game to write it again.";
    return look;
  }
  if (!S_ISREG(st.st_mode)) {
    LogLook look = result(LogChange::None, parsed);
    look.Waiting = "The log " + path + " is " +
                   (S_ISDIR(st.st_mode) ? "a folder" : "something other than a file") +
                   " now; waiting for the log to be a file again.";
    return look;
  }
  // Opened once a look: a log that cannot be read is said at once, also
  // while the game writes nothing to it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return unreadable(errno);
  ::close(fd);
  const std::optional<LogMark> now = MarkOf(st);
  const bool replaced =
      now->Device != parsed.Device || now->Inode != parsed.Inode || now->Size < parsed.Size;
  if (!replaced && now->Size == parsed.Size) return result(LogChange::None, parsed);
  if (now->Size > 0) {
    const std::string last = ReadRange(path, now->Size - 1, now->Size);
    // A partial last line waits for its end; so does a file that just went away.
    if (last.size() != 1 || !IsLineEnd(last[0])) return result(LogChange::None, parsed);
  }
  return result(replaced ? LogChange::Replaced : LogChange::Grown, *now);
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

OverviewChange CompareOverviews(const Overview& before, const Overview& now) {
  auto keyOf = [](const std::vector<std::string>& cells) {
    std::string key;
    for (const size_t c : kFightKeyCells) key += cells[c] + '\t';
    return key;
  };
  std::unordered_map<std::string, std::vector<std::string>> shown;
  shown.reserve(before.Rows.size());
  for (const OverviewRow& row : before.Rows) {
    std::vector<std::string> cells = row.Cells();
    std::string key = keyOf(cells);
    shown.emplace(std::move(key), std::move(cells));
  }
  OverviewChange change;
  size_t kept = 0;  // fights of `before` that `now` holds
  for (const OverviewRow& row : now.Rows) {
    const std::vector<std::string> cells = row.Cells();
    const auto it = shown.find(keyOf(cells));
    if (it != shown.end()) ++kept;
    if (it == shown.end() || it->second != cells) change.NewOrChanged.push_back(row);
  }
  change.FightsGone = kept < shown.size();
  return change;
}

}  // namespace qorn
