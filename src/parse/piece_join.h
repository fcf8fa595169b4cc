#pragma once

// The records of one piece of the log, and how pieces parsed apart are
// joined into the records of one parse: what a piece leaves to the lines
// before it is filled in from them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/text_pool.h"
#include "parse/log_names.h"
#include "parse/records.h"
#include "parse/record_buffers.h"

namespace qorn::parse {

inline constexpr size_t kNever = SIZE_MAX;

// The buffs a damage record carries, in the order of kBuffFields.
enum Buff { kChaoticPower, kAnguish, kIntensity, kBuffs };
inline constexpr bool DamageRec::*kBuffFields[kBuffs] = {&DamageRec::Cpower, &DamageRec::CoA,
                                                         &DamageRec::Inten};

// The records of one piece of the log, and what the piece leaves to the
// pieces before it: a record that depends on a line above the piece gets its
// value when the pieces are joined.
struct Piece {
  TextPool Texts;
  Chunks<DamageRec> DamageRecs;
  Chunks<CastRec> CastRecs;
  bool Buffs[kBuffs] = {};  // as the piece leaves them
  // How many damage records the piece made before a line of its own set each
  // buff; those records carry the buff as the pieces before left it.
  size_t BuffSetAt[kBuffs] = {kNever, kNever, kNever};
  bool DotSeen = false;
  sv LastMob;  // of the last DoT record
  // The Guardian records made before the piece's first DoT record, by position:
  // their mob is the last DoT record's of the pieces before.
  std::vector<size_t> GuardiansBeforeDot;
  // A fizzle or interrupt before the piece's first cast (the last of them
  // counts): it changes the last cast of the pieces before.
  std::optional<int16_t> CastChangeBeforeCast;
};

// What the lines joined so far leave to the lines after them.
struct JoinState {
  bool buffs[kBuffs] = {};
  std::string lastMob;  // of the last DoT record
  bool dotSeen = false;
};

// Appends the records of a piece to `out`, with what the piece left to the
// lines before it filled in from them (`state` holds what the lines before
// the piece left, and gets what the piece leaves): the records are then
// those of one parse of the lines up to the piece's end. A fizzle or
// interrupt before the piece's first cast changes the last cast of `out`,
// or is left in `castChangeBefore` when `out` holds none.
void JoinPiece(Piece& piece, ParseResult& out, JoinState& state,
               std::optional<int16_t>& castChangeBefore);

// What the joined lines leave to lines appended after them, and where they
// end: at `bytes` of the log, at a line end or not.
void FillEnd(long long bytes, bool endsAtLineEnd, const LogNames& names, const JoinState& state,
             ParseEnd& end);

}  // namespace qorn::parse
