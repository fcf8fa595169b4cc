#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_fold.h"

namespace qorn {

// Which mob a row's text names, and under which key its rows, tick runs and
// per-second sums are kept. Texts that differ only in case are one mob ("A
// gnoll" at the start of a DoT line, "a gnoll" mid-sentence), as the database
// compares them. A mob's key is given by its first row: 1, 2, ... in the
// order the rows are met, after the keys of the mobs already stored. Its
// spellings are its texts in the order they were met, the first being the
// one its line in MobSeconds is named by.
//
// The whole Get Log, the appended lines and a rebuild of the sums from the
// rows all go through this one rule, so a mob keeps its key and spellings
// whichever of them stored its rows.
class MobIdentity {
 public:
  struct Mob {
    int64_t Key = 0;
    std::vector<std::string> Spellings;  // the first met first
  };
  // A text's mob (its place among Mobs(), in the order met) and spelling
  // (its place among that mob's Spellings).
  struct Found {
    uint32_t Mob = 0;
    uint32_t Spelling = 0;
  };

  // A mob already stored, with its key and spellings; to be given before any
  // text is looked up. Mobs met later take keys past the largest.
  void AddStored(int64_t key, const std::vector<std::string>& spellings);

  // The mob of a text (UTF-8, as stored). A text not met before is a new
  // spelling of the mob it names without regard to case, or a new mob.
  Found Of(std::string_view utf8);

  const std::vector<Mob>& Mobs() const { return mobs_; }
  int64_t KeyOf(uint32_t mob) const { return mobs_[mob].Key; }
  // Gives a mob another key (a rebuild keeps the keys its rows were stored
  // with); the caller keeps the keys distinct.
  void SetKey(uint32_t mob, int64_t key) { mobs_[mob].Key = key; }

 private:
  uint32_t AddSpelling(uint32_t mob, std::string_view utf8);

  StringMap<Found> exact_;      // every text met
  StringMap<uint32_t> folded_;  // every mob, by its text folded
  std::vector<Mob> mobs_;
  int64_t nextKey_ = 1;
};

}  // namespace qorn
