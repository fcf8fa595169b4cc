#include "parse/piece_join.h"

#include <algorithm>
#include <utility>

namespace qorn::parse {

void JoinPiece(Piece& piece, ParseResult& out, JoinState& state,
               std::optional<int16_t>& castChangeBefore) {
  const size_t first = out.DamageRecs.size();
  const size_t count = piece.DamageRecs.size();
  piece.DamageRecs.MoveTo(out.DamageRecs);
  DamageRec* recs = out.DamageRecs.data() + first;
  for (int buff = 0; buff < kBuffs; ++buff) {
    if (state.buffs[buff]) {
      const size_t inherit = std::min(piece.BuffSetAt[buff], count);
      for (size_t i = 0; i < inherit; ++i) recs[i].*kBuffFields[buff] = true;
    }
    if (piece.BuffSetAt[buff] != kNever) state.buffs[buff] = piece.Buffs[buff];
  }
  if (!piece.GuardiansBeforeDot.empty()) {
    // The mob is kept with the records: the piece it was read in may be gone.
    const sv mob = state.dotSeen ? out.Texts.Intern(state.lastMob) : sv();
    for (size_t i : piece.GuardiansBeforeDot) recs[i].Mob = mob;
  }
  if (piece.DotSeen) {
    state.lastMob.assign(piece.LastMob);
    state.dotSeen = true;
  }
  if (piece.CastChangeBeforeCast) {
    if (!out.CastRecs.empty()) {
      out.CastRecs.back().CorR = *piece.CastChangeBeforeCast;
    } else {
      castChangeBefore = piece.CastChangeBeforeCast;
    }
  }
  piece.CastRecs.MoveTo(out.CastRecs);
  out.Texts.Absorb(std::move(piece.Texts));
}

void FillEnd(long long bytes, bool endsAtLineEnd, const LogNames& names, const JoinState& state,
             ParseEnd& end) {
  end.Bytes = bytes;
  end.EndsAtLineEnd = endsAtLineEnd;
  for (int buff = 0; buff < kBuffs; ++buff) end.Buffs[buff] = state.buffs[buff];
  end.DotSeen = state.dotSeen;
  end.LastDotMob = state.lastMob;
  end.PetNames.clear();
  for (size_t i = 0; i < names.pets.size(); ++i) end.PetNames.emplace_back(names.pets[i]);
}

}  // namespace qorn::parse
