#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "platform/file.h"
#include "platform/system_error.h"

namespace qorn {

class Database;

// One second of one mob's damage rows: all that cutting fights needs of them.
struct MobSecond {
  DateTime When = 0;
  int64_t RecNum = 0;  // of the second's first row (in RecNum order)
  int64_t Dmg = 0;     // of its rows, summed
  uint32_t Mob = 0;    // the mob's place among a MobIdentity's mobs
  uint32_t Spelling : 31 = 0;  // of the first row's mob text, among the mob's spellings
  uint32_t Dot : 1 = 0;        // whether any of its rows is a DoT tick
};

// The seconds of a parse's rows, gathered as the rows are stored (in RecNum
// order) and given back by mob (its place), then time. They are held in memory up to
// `capacity` seconds; beyond, each full buffer is sorted and written to a
// file of its own in `folder` (a run), and the runs are merged as they are
// read back. A run's file has no name once it is open, so none is left
// behind whatever happens. Throws DatabaseError (with the message about the
// database at `databasePath`) when a run cannot be written or read.
class SecondRuns {
 public:
  static constexpr size_t kDefaultCapacity = size_t{2} << 20;  // 64 MiB of seconds

  SecondRuns(std::string folder, std::string databasePath, size_t capacity = kDefaultCapacity);
  // The runs in the folder of the database `db`.
  explicit SecondRuns(const Database& db, size_t capacity = kDefaultCapacity);
  ~SecondRuns();
  SecondRuns(const SecondRuns&) = delete;
  SecondRuns& operator=(const SecondRuns&) = delete;

  // One row (RecNums ascending): summed into the mob's last second when it
  // has the same time.
  void Add(uint32_t mob, uint32_t spelling, DateTime when, int64_t recNum, int64_t dmg, bool dot);

  // Every second, by mob, then time; the rows of one mob and second
  // summed (the first row's RecNum and spelling kept). Once only.
  void Read(const std::function<void(const MobSecond&)>& each);

  size_t Runs() const { return runs_.size(); }

 private:
  struct Run {
    platform::File file;
    size_t count = 0;
  };
  void SortBuffer();
  void WriteRun();
  [[noreturn]] void Fail(const platform::SystemError& error, const char* what) const;

  std::string folder_;
  std::string databasePath_;
  size_t capacity_;
  std::vector<MobSecond> buffer_;
  std::vector<uint32_t> lastOfMob_;  // by mob: 1 + the place of its last second in buffer_
  std::vector<Run> runs_;
};

}  // namespace qorn
