#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "common/progress.h"
#include "common/stop_token.h"
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

// Reads the log of the character `charName` twice: first for the pet names,
// then for the damage and cast records. `progress` is the loop bar: visible
// during the run, its maximum the line count / 10 + 1 after the first pass,
// one step per ten lines in the second. Throws qorn::Error when the file
// cannot be opened or read.
// The second pass runs on two threads when the log is large.
ParseResult ParseLogFile(const std::string& path, std::string_view charName, Progress& progress);

// Records of a log in order, a block at a time.
struct RecordBlock {
  ParseResult Records;  // Lines and End are not set
  // A fizzle or interrupt before the block's first cast: what the last cast
  // of the blocks before becomes.
  std::optional<int16_t> LastCastChange;
};

// ParseLogFile that hands the records to `take` a block at a time, in log
// order, on the calling thread, while the lines after them are parsed: a
// parse holds the records of a few blocks only, whatever the log's size. A
// block's records view its own texts and the names of the character and its
// pets, which the result holds (its lists of records stay empty). An
// exception from `take` stops the parse and is thrown on, as Stopped is once
// `stop` asks for it. `pieceBytes`: about how many bytes of the log make a block.
inline constexpr long long kPieceBytes = 16 << 20;
ParseResult ParseLogInBlocks(const std::string& path, std::string_view charName, Progress& progress,
                             const std::function<void(RecordBlock&)>& take,
                             long long pieceBytes = kPieceBytes, StopToken stop = {});

// The lines appended to a log after a parse that ended at `before`: the
// bytes from before.Bytes up to `end` (a line start), parsed as ParseLogFile
// parses them as part of the whole log, given what the lines before left.
struct AppendedParse {
  ParseResult Records;  // of the appended lines; Records.End covers the whole log
  // A fizzle or interrupt before the first appended cast: what the last cast
  // before the appended lines becomes.
  std::optional<int16_t> LastCastChange;
  // Pet names first met in the appended lines. Lines before them that name
  // such a pet are its hits too, which the appended records do not hold.
  std::vector<std::string> NewPetNames;
};
AppendedParse ParseAppendedLines(const std::string& path, std::string_view charName,
                                 const ParseEnd& before, long long end, Progress& progress,
                                 StopToken stop = {});

// ParseLogFile with the second pass cut into pieces at the line starts at or
// behind each of `cuts` (ascending byte offsets), whatever the log's size:
// the result is the same. For tests of the cuts.
ParseResult ParseLogFileInPieces(const std::string& path, std::string_view charName,
                                 Progress& progress, const std::vector<long long>& cuts);

}  // namespace qorn
