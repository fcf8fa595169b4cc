#include "store/second_runs.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <queue>

#include "platform/paths.h"
#include "store/database.h"
#include "store/database_names.h"

namespace qorn {
namespace {

bool Before(const MobSecond& a, const MobSecond& b) {
  if (a.Mob != b.Mob) return a.Mob < b.Mob;
  if (a.When != b.When) return a.When < b.When;
  return a.RecNum < b.RecNum;
}

bool SameSecond(const MobSecond& a, const MobSecond& b) {
  return a.Mob == b.Mob && a.When == b.When;
}

// Sums `later` into `first`, the same mob and second with a later first row.
void SumInto(MobSecond& first, const MobSecond& later) {
  first.Dmg += later.Dmg;
  first.Dot = first.Dot | later.Dot;
}

// Reads one run back in pieces.
class RunReader {
 public:
  static constexpr size_t kPiece = (size_t{256} << 10) / sizeof(MobSecond);

  RunReader(const platform::File& file, size_t count)
      : file_(&file), count_(count), piece_(new MobSecond[kPiece]) {}

  // The next second, or null at the run's end; `fail(error)` when the file
  // cannot be read.
  template <typename Fail>
  const MobSecond* Next(Fail&& fail) {
    if (at_ == held_) {
      if (read_ == count_) return nullptr;
      const size_t n = std::min(kPiece, count_ - read_);
      const size_t bytes = n * sizeof(MobSecond);
      const long long got = file_->ReadAt(static_cast<long long>(read_ * sizeof(MobSecond)),
                                          reinterpret_cast<char*>(piece_.get()), bytes);
      if (got < 0) fail(platform::SystemError::Last());
      if (static_cast<size_t>(got) < bytes) fail(platform::SystemError::EndedEarly());
      read_ += n;
      held_ = n;
      at_ = 0;
    }
    return &piece_[at_++];
  }

 private:
  const platform::File* file_;
  size_t count_;
  size_t read_ = 0;
  std::unique_ptr<MobSecond[]> piece_;
  size_t held_ = 0;
  size_t at_ = 0;
};

}  // namespace

SecondRuns::SecondRuns(std::string folder, std::string databasePath, size_t capacity)
    : folder_(std::move(folder)),
      databasePath_(std::move(databasePath)),
      capacity_(std::max<size_t>(capacity, 1)) {}

SecondRuns::SecondRuns(const Database& db, size_t capacity)
    : SecondRuns(platform::Utf8Of(platform::PathOf(db.Path()).parent_path()), db.Path(), capacity) {
  if (folder_.empty()) folder_ = ".";
}

SecondRuns::~SecondRuns() = default;

void SecondRuns::Fail(const platform::SystemError& error, const char* what) const {
  const int code = error.DiskFull() ? SQLITE_FULL : SQLITE_IOERR;
  throw DatabaseError(DatabaseMessage(code, databasePath_),
                      std::string(what) + " in " + folder_ + ": " + error.Text(), code);
}

void SecondRuns::Add(uint32_t mob, uint32_t spelling, DateTime when, int64_t recNum, int64_t dmg,
                     bool dot) {
  if (mob >= lastOfMob_.size())
    lastOfMob_.resize(std::max<size_t>(mob + 1, lastOfMob_.size() * 2), 0);
  if (const uint32_t last = lastOfMob_[mob]; last != 0 && buffer_[last - 1].When == when) {
    MobSecond& s = buffer_[last - 1];
    s.Dmg += dmg;
    s.Dot = s.Dot | (dot ? 1u : 0u);
    return;
  }
  if (buffer_.size() == capacity_) WriteRun();
  // The whole buffer at once: it never moves, and only the part filled takes
  // memory.
  if (buffer_.capacity() == 0) buffer_.reserve(capacity_);
  MobSecond s;
  s.When = when;
  s.RecNum = recNum;
  s.Dmg = dmg;
  s.Mob = mob;
  s.Spelling = spelling;
  s.Dot = dot ? 1u : 0u;
  buffer_.push_back(s);
  lastOfMob_[mob] = static_cast<uint32_t>(buffer_.size());
}

void SecondRuns::SortBuffer() {
  std::sort(buffer_.begin(), buffer_.end(), Before);
  // The same mob and second twice (its rows were apart in the log): summed.
  size_t out = 0;
  for (size_t i = 0; i < buffer_.size(); ++i) {
    if (out > 0 && SameSecond(buffer_[out - 1], buffer_[i])) {
      SumInto(buffer_[out - 1], buffer_[i]);
    } else {
      buffer_[out++] = buffer_[i];
    }
  }
  buffer_.resize(out);
  std::fill(lastOfMob_.begin(), lastOfMob_.end(), 0);
}

void SecondRuns::WriteRun() {
  SortBuffer();
  platform::File file =
      platform::File::CreateTemporary(folder_ + "/" + kCompactionFile + ".seconds-");
  if (!file.IsOpen()) Fail(platform::SystemError::Last(), "A file for the seconds cannot be made");
  const std::string_view bytes(reinterpret_cast<const char*>(buffer_.data()),
                               buffer_.size() * sizeof(MobSecond));
  if (!file.WriteAll(bytes)) {
    Fail(platform::SystemError::Last(), "The seconds cannot be written");
  }
  runs_.push_back({std::move(file), buffer_.size()});
  buffer_.clear();
}

void SecondRuns::Read(const std::function<void(const MobSecond&)>& each) {
  if (runs_.empty()) {
    SortBuffer();
    for (const MobSecond& s : buffer_) each(s);
    std::vector<MobSecond>().swap(buffer_);
    return;
  }
  if (!buffer_.empty()) WriteRun();
  std::vector<MobSecond>().swap(buffer_);
  std::vector<RunReader> readers;
  readers.reserve(runs_.size());
  for (const Run& run : runs_) readers.emplace_back(run.file, run.count);
  auto fail = [this](const platform::SystemError& error) {
    Fail(error, "The seconds cannot be read back");
  };
  // The runs' next seconds, the first in order on top.
  using Head = std::pair<MobSecond, size_t>;
  auto later = [](const Head& a, const Head& b) { return Before(b.first, a.first); };
  std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
  for (size_t r = 0; r < readers.size(); ++r) {
    if (const MobSecond* s = readers[r].Next(fail)) heads.push({*s, r});
  }
  bool held = false;
  MobSecond last;
  while (!heads.empty()) {
    const auto [s, r] = heads.top();
    heads.pop();
    if (const MobSecond* n = readers[r].Next(fail)) heads.push({*n, r});
    if (held && SameSecond(last, s)) {
      SumInto(last, s);
      continue;
    }
    if (held) each(last);
    last = s;
    held = true;
  }
  if (held) each(last);
}

}  // namespace qorn
