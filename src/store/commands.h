#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/progress.h"
#include "store/event_builder.h"
#include "store/event_overview.h"

namespace qorn {

// The two bars a command drives: `loop` follows the loop that runs (parse
// lines, stored records, event rows, events), `stages` the five stages.
struct CommandProgress {
  Progress& loop;
  Progress& stages;
};

struct CommandOutcome {
  bool NoDamage = false;  // Get Log: the log had no damage of the character
  EventBuildResult Events;
  Overview EventList;
  bool Compacted = false;
};

inline constexpr int kCommandStages = 5;

// Get Log: parse the log of `charName`, store it, build events, fill the
// overview, compact. Throws qorn::Error when a step fails; the stored parse
// and its events are then as they were before the command.
CommandOutcome RunGetLog(const std::string& programFolder, const std::string& logPath,
                         const std::string& charName, int16_t eventTimerSeconds,
                         CommandProgress progress);

// Get Previous: build events, fill the overview and compact, from the rows
// the database holds.
CommandOutcome RunGetPrevious(const std::string& programFolder, int16_t eventTimerSeconds,
                              CommandProgress progress);

}  // namespace qorn
