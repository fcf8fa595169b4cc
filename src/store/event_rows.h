#pragma once

#include <cstdint>

#include "common/date_time.h"

namespace qorn {

inline constexpr int kTickSeconds = 6;

// One damage row, or one mob's second of them, as cutting fights and the
// overview see it.
struct EventRow {
  DateTime When = 0;
  int64_t RecNum = 0;
  int64_t Dmg = 0;
  uint32_t Mob = 0;  // index into the mob texts (UTF-8, as stored)
  int32_t EventNum = 0;
  int32_t TickNum = 0;
  bool Dot = false;  // a DoT tick (IsDot)
};

}  // namespace qorn
