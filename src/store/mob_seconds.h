#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/event_rows.h"

namespace qorn {

// The per-second sums: each mob's damage rows summed per second, all that
// cutting fights and numbering ticks needs of the rows. Rows of one mob in
// one second always share their fight and tick, so the fights can be cut
// again (another timer, rows appended) without reading the rows. In code they
// are "seconds"; the tables that keep them are MobSlots (a line per mob) and
// SlotChunks (its seconds, in pieces), see stored_seconds.h.

// One mob (its texts without regard to case) with its seconds.
struct MobSeconds {
  int64_t Key = 0;                 // the MobKey of its rows and tick runs
  std::vector<std::string> Texts;  // its spellings (UTF-8), the first met first
  // In time order. Per second: When, the first row's RecNum and its spelling
  // (Mob, an index into Texts), the damage summed, and Dot when any row is a
  // DoT tick.
  std::vector<EventRow> Seconds;
  // Read from the store: how many seconds and how much damage were written
  // for the mob, to check its seconds against when they are read.
  uint64_t NotedSeconds = 0;
  int64_t NotedDamage = 0;
};

// The mobs of rows, each with its seconds. `mobs` are the texts the rows'
// Mob index; mobs get the keys 1, 2, ... in SortMobTime's order.
std::vector<MobSeconds> MobSecondsOfRows(const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs);
// The key of each of `mobs` (texts) in `bySeconds`, which MobSecondsOfRows made from them.
std::vector<int64_t> MobKeysOf(const std::vector<MobSeconds>& bySeconds,
                               const std::vector<std::string>& mobs);

inline constexpr size_t kUnchanged = SIZE_MAX;

// Adds rows (RecNums above those already summed) to the mobs' seconds; a mob
// not there yet is added with the next free key. Returns the key of each of
// `mobs` (the texts the rows' Mob index); `changedFrom` gets, by mob, the
// first of its seconds that changed (kUnchanged when none did).
std::vector<int64_t> AddRowsToMobSeconds(std::vector<MobSeconds>& bySeconds,
                                         const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs,
                                         std::vector<size_t>& changedFrom);

}  // namespace qorn
