#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qorn {

class Database;

// ParseState (Name, Value): what the program notes beside the stored parse,
// each note under its key's name.
enum class StateKey {
  // "MOBS SECONDS DAMAGE" that MobSeconds held when the per-second sums were
  // last made from the rows (MarkMobSecondsCurrent). An earlier version
  // noted it as SlotsValid; a file of that version is read so until
  // RestoreSchemaObjects carries it over (CarryEarlierStateNotes).
  SecondsValid,
  // "TIMER FIGHTS RUNS": the timer of the stored cut and how many Fights
  // and TickRuns lines it left.
  CutTimer,
  // "FIGHTS RUNS" the last cut left; unlike CutTimer, kept until the next
  // cut: it tells whether the tables lost lines since.
  CutTables,
  // The timer of the last cut, also once a changed row made the cut stale:
  // the next command without a timer of its own cuts with it.
  EventTimer,
  // The spell table (name TAB normal damage, a line each) that decided the
  // stored crit marks.
  CritSpells,

  // What the stored parse keeps of the log it was read from (StoredLog,
  // read and written by log_state.h), each as bytes: the log's identity,
  LogPath,
  LogDevice,
  LogInode,
  LogBytes,
  LogMTime,
  LogHeadHash,
  LogTailHash,
  LogSampleHash,
  // the character read for, where the parse stopped and what the lines
  // read leave to the lines appended after them,
  CharName,
  EndsAtLineEnd,
  Buffs,
  DotSeen,
  LastDotMob,
  PetNames,
  // and the numbers of the next damage and cast rows.
  NextRecNum,
  NextCastNum,
};

// The note, none when there is none.
std::optional<std::string> ReadState(Database& db, StateKey key);
void WriteState(Database& db, StateKey key, std::string_view value);
void WriteState(Database& db, StateKey key, int64_t value);
// The note as the bytes given, a blob: texts of the log are in the game's
// code page, which a text of the database is not.
void WriteStateBytes(Database& db, StateKey key, std::string_view bytes);
void DropState(Database& db, StateKey key);
// Notes an earlier version made under other names take their names now.
void CarryEarlierStateNotes(Database& db);

// What makes the stored sums or the stored cut stale is decided here:
//
// - The sums are current while SecondsValid is noted and MobSeconds adds up
//   to it (ReadStoredMobs checks that, and ReadStoredSeconds each mob's
//   seconds against its line). SecondsValid goes with CutTimer when a row
//   that decides the fights changes: the triggers DamageRows_Added,
//   DamageRows_Removed and DamageRows_Changed of data/schema.sql delete both
//   (the last only when RecNum, DTime, Mob, Dmg, DmgType or MobKey really
//   changes, so an export's colour is no change). It also goes when a table
//   of the sums is made again (RestoreSchemaObjects) and when a cut finds a
//   mob's seconds damaged (CutAndWriteFights); stale sums are made again
//   from the rows.
// - The cut is current while the sums are and CutTimer is the timer asked
//   for with the counts of Fights and TickRuns as they are now.
// - A cut kept (the same runs) trusts its tick runs while CutTables is what
//   the tables hold; else each kept fight's runs are counted.
bool SecondsNotedCurrent(Database& db);
void MarkSecondsStale(Database& db);
// Notes the timer the stored fights were cut with, and what the cut left.
void NoteStoredCut(Database& db, int16_t eventTimerSeconds);
// The timer the stored fights were cut with from the stored seconds as they
// are now; none when the stored cut is not current.
std::optional<int16_t> CurrentCutTimer(Database& db);
// Whether the stored fights were cut with `eventTimerSeconds` from the
// stored seconds as they are now.
bool StoredCutIsCurrent(Database& db, int16_t eventTimerSeconds);
// Whether Fights and TickRuns hold as many lines as the stored cut left.
bool StoredCutIsWhole(Database& db);
// The timer the stored fights were last cut with, also once a changed row
// made that cut stale; none in a file that notes none.
std::optional<int16_t> StoredCutTimer(Database& db);

}  // namespace qorn
