#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/event_rows.h"

namespace qorn {

class SecondRuns;

// The per-second sums: each mob's damage rows summed per second, all that
// cutting fights and numbering ticks needs of the rows. Rows of one mob in
// one second always share their fight and tick, so the fights can be cut
// again (another timer, rows appended) without reading the rows. They are
// "seconds" in code and in the tables that keep them: MobSeconds (a line per
// mob) and SecondChunks (its seconds, in pieces), see stored_seconds.h. Which
// mob a row is on, and under which key, is MobIdentity's rule
// (mob_identity.h); the rows are summed through SecondRuns (second_runs.h).

// One mob (its texts without regard to case) with its seconds.
struct MobSeconds {
  int64_t Key = 0;                 // the MobKey of its rows and tick runs
  std::vector<std::string> Texts;  // its spellings (UTF-8), the first met first
  // In time order. Per second: When, the first row's RecNum and its spelling
  // (Mob, an index into Texts), the damage summed, and Dot when any row is a
  // DoT tick.
  std::vector<EventRow> Seconds;
  // Seconds before those held, when only the last are read: the pieces that
  // hold them stay as they are stored.
  size_t Before = 0;
  // Read from the store: how many seconds and how much damage were written
  // for the mob, to check its seconds against when they are read.
  uint64_t NotedSeconds = 0;
  int64_t NotedDamage = 0;
};

// The seconds of `runs` a mob at a time, in the order of the mobs' places:
// `each(mob, seconds)`, each second as MobSeconds keeps it.
void ForEachMobSeconds(
    SecondRuns& runs,
    const std::function<void(uint32_t mob, std::vector<EventRow>& seconds)>& each);

inline constexpr size_t kUnchanged = SIZE_MAX;

// Adds to the mob's seconds those of rows after the rows already summed
// (`added`, in time order); a second in both keeps its earlier first row and
// sums the damage. Returns the place of the first of the mob's seconds that
// changed.
size_t AddSeconds(MobSeconds& mob, const std::vector<EventRow>& added);

}  // namespace qorn
