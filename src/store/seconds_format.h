#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "common/error.h"
#include "store/mob_seconds.h"

namespace qorn {

// The binary form of the per-second sums as the tables keep them: a mob's
// line of MobSeconds (column Seconds) and the pieces of its seconds in
// SecondChunks (column Seconds), kChunkSeconds seconds a piece.

// Stored seconds that disagree with what was noted when they were written
// (a piece lost or changed by hand or by the disk): they must be made again
// from the rows.
class StoredSecondsDamaged : public Error {
 public:
  StoredSecondsDamaged() : Error("The stored seconds of a mob are damaged.") {}
};

// Seconds per piece of SecondChunks.
inline constexpr size_t kChunkSeconds = 2048;

// A mob as MobSeconds keeps it: its spellings, and how many seconds and how
// much damage its pieces of SecondChunks hold. And back: none when the bytes
// are not such a mob (of an earlier format, or damaged).
std::string EncodeMob(const std::vector<std::string>& texts, uint64_t seconds, int64_t damage);
std::optional<MobSeconds> DecodeMob(int64_t key, std::string_view bytes);

// One second as a piece of SecondChunks holds it, appended to `out`.
void PutSecond(std::string& out, DateTime when, int64_t recNum, int64_t dmg, uint32_t spelling,
               bool dot);
// Seconds first to last (exclusive) of a mob as a piece of SecondChunks, and
// back (appended to the mob's seconds; StoredSecondsDamaged when the bytes
// are not whole seconds of its spellings).
std::string EncodeSeconds(const std::vector<EventRow>& seconds, size_t first, size_t last);
void DecodeSeconds(std::string_view bytes, MobSeconds& mob);
// The time of a piece's first second, without the rest; none when it holds none.
std::optional<DateTime> FirstSecondOf(std::string_view piece);

}  // namespace qorn
