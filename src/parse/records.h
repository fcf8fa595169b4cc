#pragma once

// What a parse of the log makes: the damage and cast records, where the
// parse stopped, and the blocks it hands them over in. The store takes these;
// it needs nothing else of the parser.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "common/text_pool.h"

namespace qorn {

// The damage type words, used verbatim in SQL by every view.
inline constexpr std::string_view kDot = "Dot";
inline constexpr std::string_view kDD = "DD";
inline constexpr std::string_view kPet = "Pet";
inline constexpr std::string_view kEpicSwarm = "Epic/Swarm";

// Cast-result codes.
inline constexpr int16_t kCastBegun = 0;
inline constexpr int16_t kCastResisted = 1;
inline constexpr int16_t kCastFizzled = 2;
inline constexpr int16_t kCastInterrupted = 3;

// One hit of the character or its pets. Texts are views into the pool of the
// ParseResult that holds the record.
struct DamageRec {
  DateTime When = 0;
  std::string_view Who;
  std::string_view Mob;
  int32_t Dmg = 0;
  bool Crit = false;
  std::string_view DmgType;
  std::string_view DmgSrc;
  bool Cpower = false;  // Chaotic Power
  bool CoA = false;     // Anguish breastplate
  bool Inten = false;   // Intensity of the Resolute
  int32_t Reserved = 0;
};

// One cast of the character, or what became of it.
struct CastRec {
  DateTime When = 0;
  int16_t CorR = kCastBegun;
  std::string_view Spell;
};

// Where a parse of a log stopped, and what the lines read leave to lines
// appended after them: the buffs running, the mob of the last DoT tick (a
// Guardian hit's target), and the pet names met.
struct ParseEnd {
  long long Bytes = 0;        // of the log read, from its start
  bool EndsAtLineEnd = true;  // the last byte read ends a line
  bool Buffs[3] = {};         // Chaotic Power, Anguish breastplate, Intensity
  bool DotSeen = false;
  std::string LastDotMob;             // as the log writes it
  std::vector<std::string> PetNames;  // as the log writes them, in the order first met
};

struct ParseResult {
  TextPool Texts;  // owns every text the records view
  std::vector<DamageRec> DamageRecs;
  std::vector<CastRec> CastRecs;
  long long Lines = 0;
  ParseEnd End;
};

// Records of a log in order, a block at a time.
struct RecordBlock {
  ParseResult Records;  // Lines and End are not set
  // A fizzle or interrupt before the block's first cast: what the last cast
  // of the blocks before becomes.
  std::optional<int16_t> LastCastChange;
};

// The records of the lines appended to a log after a parse of it.
struct AppendedParse {
  ParseResult Records;  // of the appended lines; Records.End covers the whole log
  // A fizzle or interrupt before the first appended cast: what the last cast
  // before the appended lines becomes.
  std::optional<int16_t> LastCastChange;
  // A pet first named in the appended lines is named in the lines before
  // them too: those lines may hold its hits, which only a parse of the whole
  // log finds (the appended records are then not read).
  bool PetNamedBefore = false;
};

}  // namespace qorn
