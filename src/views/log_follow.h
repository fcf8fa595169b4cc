#pragma once

// What following a log that the game appends to needs, without a window: a
// look at the file since the last Get Log, the time of its last line, and
// the overview lines a Get Log added or changed. The window's Follow Log and
// `qorn-cli follow` both go by these.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "store/event_overview.h"

namespace qorn {

// The file under a log's name as one look saw it.
struct LogMark {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  uint64_t Size = 0;
};

enum class LogChange {
  // Nothing to read yet: the file is as it was, its new bytes end inside a
  // line (the game has not written the rest), or it is missing for now (see
  // LogLook::Waiting).
  None,
  // Whole new lines after what the last Get Log read.
  Grown,
  // Another file under the name, or the file got shorter: the stored parse
  // is not a part of it.
  Replaced,
};

struct LogLook {
  LogChange Change = LogChange::None;
  LogMark Mark;  // the file now; the mark of the Get Log that reads it
  // What keeps the follow waiting for the log, in words for the player
  // (the log deleted, or a folder in its place); empty when nothing does.
  std::string Waiting;
  // The log is there but cannot be read (no permission, a disk error): a
  // failure that stops following; empty when there is none.
  std::string Failure;
};

// The file at `path` now; nullopt when it cannot be found.
std::optional<LogMark> MarkLog(const std::string& path);

// What a follow says when a Get Log met another command storing in the
// program folder (`error`, the failure's words): it tries again.
std::string TriesAgainText(const std::string& error);

// What became of the log at `path` since `parsed`, the file as it was when
// the last Get Log of it began. A file ends with a whole line when its last
// byte is a line end (LF or CR); an empty file counts as ended.
LogLook LookAtLog(const std::string& path, const LogMark& parsed);

// The time stamp of the last line of the first `size` bytes of the log that
// carries one, searched in the last 64 KiB; nullopt when none does there.
std::optional<DateTime> LastLineTime(const std::string& path, uint64_t size);

// The cells of an overview line (see OverviewRow::Cells) that tell its
// fight across Get Logs of a growing log: the mob and the start. A fight
// that grows keeps both, while its number changes when a fight of a mob
// that sorts before it appears.
inline constexpr std::array<size_t, 2> kFightKeyCells = {0, 4};

// How the overview of a Get Log differs from the one shown before it, fights
// matched by kFightKeyCells.
struct OverviewChange {
  // The lines of `now` that `before` lacks or prints otherwise, in `now`'s order.
  std::vector<OverviewRow> NewOrChanged;
  // A fight shown before is gone: a line whose time is earlier than lines
  // already read filled the gap between two fights, which became one (or a
  // shorter timer split one). Lines of the new and changed fights alone
  // would leave the gone one counted; the whole overview is shown anew.
  bool FightsGone = false;
};
OverviewChange CompareOverviews(const Overview& before, const Overview& now);

}  // namespace qorn
