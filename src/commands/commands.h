#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "common/stop_token.h"
#include "parse/log_identity.h"
#include "parse/log_parser.h"
#include "store/event_overview.h"
#include "store/second_runs.h"
#include "store/stored_fights.h"

namespace qorn {

class LogFile;

// The two bars a command drives: `loop` follows the loop that runs (parse
// lines, stored records, event rows, events), `stages` the five stages, each
// with a caption that names what runs in it. The command looks at `stop` at
// the steps where it may stop; once the stage bar stands at kCommandStages
// the stored file has been replaced and the command no longer stops.
struct CommandProgress {
  Progress& loop;
  Progress& stages;
  StopToken stop = {};
};

struct CommandOutcome {
  bool NoDamage = false;  // Get Log: the log had no damage of the character
  // Get Log: the log had no damage and no casts of the character, so nothing
  // was stored and the stored parse is as it was (Events and EventList empty).
  bool StoredKept = false;
  EventBuildResult Events;
  Overview EventList;
  // Something the user must be told although the command went through (a
  // damaged database moved aside); empty when there is nothing.
  std::string Notice;
  // Get Log: the log as it read it, up to where it read (a follow goes on
  // from there); empty for records given.
  LogIdentity Log;
};

// The stage bar reaches kCommandStages only once the stored file has been
// replaced: a command stopped at any earlier value changed nothing stored.
inline constexpr int kCommandStages = 5;
// The stage bar's caption once the command is through.
inline constexpr std::string_view kCommandDone = "Done";

// Get Log: parse the log of `charName`, store it, build events, fill the
// overview, compact. The new parse is written into a new database file that
// takes the stored one's place when it is complete. Throws qorn::Error when a
// step fails; the stored parse and its events are then as they were before
// the command. A damaged database is moved aside (never deleted), a new one
// made, and the outcome's Notice says so.
struct CommandOptions {
  // Whether the outcome's EventList holds the fights' lines; without them a
  // log of millions of fights takes no memory for them, and the lines are
  // read from the file (ForEachStoredFight). EventCount is set either way.
  bool KeepOverview = true;
  // Get Log: the rows' seconds go to files beside the database once this
  // many are held.
  size_t SecondsInMemory = SecondRuns::kDefaultCapacity;
  // Get Log: about how many bytes of the log are parsed and stored at a time.
  long long PieceBytes = kPieceBytes;
  // Get Log of a log grown since the stored parse: up to how many appended
  // bytes are read alone (held in memory); beyond, the whole log is read.
  long long AppendedInMemory = 64 << 20;
  // Get Log: read the whole log even when it only grew since the stored
  // parse (the player's way past an edit that the identity does not see).
  bool ReadWhole = false;
};

// Without `eventTimerSeconds`, Get Log and Get Previous cut with the timer the
// stored fights were last cut with (EventTimerToCutWith), so that a timer
// chosen by the last command holds.
CommandOutcome RunGetLog(const std::string& programFolder, const std::string& logPath,
                         const std::string& charName, std::optional<int16_t> eventTimerSeconds,
                         CommandProgress progress, const CommandOptions& options = {});
// The same of a log already open (a follow's look opened it).
CommandOutcome RunGetLog(const std::string& programFolder, const LogFile& log,
                         const std::string& charName, std::optional<int16_t> eventTimerSeconds,
                         CommandProgress progress, const CommandOptions& options = {});
// The same from records already parsed (the parse stage counts at once).
CommandOutcome RunGetLog(const std::string& programFolder, const ParseResult& parsed,
                         int16_t eventTimerSeconds, CommandProgress progress,
                         const CommandOptions& options = {});

// What follows the no-damage message when the stored parse was kept: the
// name that was looked for, and that the stored fights are as they were.
std::string StoredKeptNote(const std::string& charName);

// Get Previous: build events, fill the overview and compact, from the rows
// the database holds. A damaged database is moved aside and qorn::Error says
// that Get Log must be run again.
CommandOutcome RunGetPrevious(const std::string& programFolder,
                              std::optional<int16_t> eventTimerSeconds, CommandProgress progress,
                              const CommandOptions& options = {});

// The timer a command cuts with: `chosen`, else the one the stored fights of
// `db` were last cut with, else kDefaultEventTimerSeconds.
int16_t EventTimerToCutWith(std::optional<int16_t> chosen, Database& db);
// The same for the parse database at `databasePath`, read as it stands; a
// file that cannot be read gives the default (the command that follows says
// what is wrong with it).
int16_t EventTimerToCutWith(std::optional<int16_t> chosen, const std::string& databasePath);

}  // namespace qorn
