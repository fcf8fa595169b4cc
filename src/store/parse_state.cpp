#include "store/parse_state.h"

#include <charconv>
#include <cstdint>

#include "store/database.h"

namespace qorn {
namespace {

const char* NameOf(StateKey key) {
  switch (key) {
    case StateKey::SecondsValid:
      return "SecondsValid";
    case StateKey::CutTimer:
      return "CutTimer";
    case StateKey::CutTables:
      return "CutTables";
    case StateKey::EventTimer:
      return "EventTimer";
    case StateKey::CritSpells:
      return "CritSpells";
    case StateKey::LogPath:
      return "LogPath";
    case StateKey::LogDevice:
      return "LogDevice";
    case StateKey::LogInode:
      return "LogInode";
    case StateKey::LogBytes:
      return "LogBytes";
    case StateKey::LogMTime:
      return "LogMTime";
    case StateKey::LogHeadHash:
      return "LogHeadHash";
    case StateKey::LogTailHash:
      return "LogTailHash";
    case StateKey::LogSampleHash:
      return "LogSampleHash";
    case StateKey::CharName:
      return "CharName";
    case StateKey::EndsAtLineEnd:
      return "EndsAtLineEnd";
    case StateKey::Buffs:
      return "Buffs";
    case StateKey::DotSeen:
      return "DotSeen";
    case StateKey::LastDotMob:
      return "LastDotMob";
    case StateKey::PetNames:
      return "PetNames";
    case StateKey::NextRecNum:
      return "NextRecNum";
    case StateKey::NextCastNum:
      return "NextCastNum";
  }
  return "";
}

// The name an earlier version gave a note, where it had another; its
// triggers delete it under that name.
const char* EarlierNameOf(StateKey key) {
  return key == StateKey::SecondsValid ? "SlotsValid" : nullptr;
}

constexpr StateKey kRenamedKeys[] = {StateKey::SecondsValid};

// How many fights and tick runs the stored cut left ("FIGHTS RUNS").
std::string CutTables(Database& db) {
  return std::to_string(QueryInt(db, "SELECT count(*) FROM Fights")) + " " +
         std::to_string(QueryInt(db, "SELECT count(*) FROM TickRuns"));
}

}  // namespace

std::optional<std::string> ReadState(Database& db, StateKey key) {
  Statement note(db, "SELECT Value FROM ParseState WHERE Name = ?");
  note.Bind(1, NameOf(key));
  if (note.Step()) return std::string(note.ColumnText(0));
  // A file of an earlier version, not carried over yet (it may be read only).
  const char* earlier = EarlierNameOf(key);
  if (earlier == nullptr) return std::nullopt;
  note.Reset();
  note.Bind(1, earlier);
  if (!note.Step()) return std::nullopt;
  return std::string(note.ColumnText(0));
}

void WriteState(Database& db, StateKey key, std::string_view value) {
  Statement note(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES (?, ?)");
  note.Bind(1, NameOf(key)).Bind(2, value).Step();
}

void WriteState(Database& db, StateKey key, int64_t value) {
  Statement note(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES (?, ?)");
  note.Bind(1, NameOf(key)).Bind(2, value).Step();
}

void WriteStateBytes(Database& db, StateKey key, std::string_view bytes) {
  Statement note(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES (?, ?)");
  note.Bind(1, NameOf(key)).BindBlob(2, bytes).Step();
}

void DropState(Database& db, StateKey key) {
  Statement drop(db, "DELETE FROM ParseState WHERE Name = ?");
  drop.Bind(1, NameOf(key)).Step();
  if (const char* earlier = EarlierNameOf(key)) {
    drop.Reset();
    drop.Bind(1, earlier).Step();
  }
}

void CarryEarlierStateNotes(Database& db) {
  Statement rename(db, "UPDATE OR REPLACE ParseState SET Name = ? WHERE Name = ?");
  for (const StateKey key : kRenamedKeys) {
    rename.Bind(1, NameOf(key)).Bind(2, EarlierNameOf(key)).Step();
    rename.Reset();
  }
}

bool SecondsNotedCurrent(Database& db) { return ReadState(db, StateKey::SecondsValid).has_value(); }

void MarkSecondsStale(Database& db) { DropState(db, StateKey::SecondsValid); }

void NoteStoredCut(Database& db, int16_t eventTimerSeconds) {
  const std::string tables = CutTables(db);
  WriteState(db, StateKey::CutTimer, std::to_string(eventTimerSeconds) + " " + tables);
  WriteState(db, StateKey::CutTables, tables);
  WriteState(db, StateKey::EventTimer, static_cast<int64_t>(eventTimerSeconds));
}

std::optional<int16_t> CurrentCutTimer(Database& db) {
  if (!SecondsNotedCurrent(db)) return std::nullopt;
  const std::string note = ReadState(db, StateKey::CutTimer).value_or("");
  const size_t blank = note.find(' ');
  if (blank == std::string::npos || note.substr(blank + 1) != CutTables(db)) return std::nullopt;
  int16_t timer = 0;
  const auto [end, error] = std::from_chars(note.data(), note.data() + blank, timer);
  if (error != std::errc() || end != note.data() + blank) return std::nullopt;
  return timer;
}

bool StoredCutIsCurrent(Database& db, int16_t eventTimerSeconds) {
  return CurrentCutTimer(db) == eventTimerSeconds;
}

bool StoredCutIsWhole(Database& db) {
  return ReadState(db, StateKey::CutTables).value_or("") == CutTables(db);
}

std::optional<int16_t> StoredCutTimer(Database& db) {
  Statement timer(db, "SELECT Value FROM ParseState WHERE Name = ?");
  timer.Bind(1, NameOf(StateKey::EventTimer));
  if (!timer.Step() || timer.ColumnIsNull(0)) return std::nullopt;
  const int64_t seconds = timer.ColumnInt(0);
  if (seconds < INT16_MIN || seconds > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(seconds);
}

}  // namespace qorn
