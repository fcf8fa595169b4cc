#include "store/commands.h"

#include <future>
#include <memory>

#include "store/database_rebuild.h"
#include "store/parse_store.h"
#include "store/program_folder.h"

namespace qorn {
namespace {

// Shows the stage bar for one command and hides both bars when it ends,
// also when a stage fails.
class StageBar {
 public:
  explicit StageBar(CommandProgress progress) : p_(progress) {
    p_.loop.SetVisible(false);
    p_.stages.SetMaximum(kCommandStages);
    p_.stages.SetValue(0);
    p_.stages.SetVisible(true);
  }
  ~StageBar() {
    p_.loop.SetVisible(false);
    p_.stages.SetVisible(false);
  }
  void Next() { p_.stages.SetValue(++value_); }

 private:
  CommandProgress p_;
  int value_ = 0;
};

std::string DamagedNotice(const DatabaseRebuild& rebuild, const std::string& aside) {
  return "The parse database " + rebuild.StoredPath() +
         " was damaged, so a new one was made for this log. The damaged file was moved to " +
         aside + " as it was.";
}

// The stages after the parse: the rows of `parsed` with their events go into
// the new file of an opened `rebuild`, which then takes the stored file's place.
// `owned`, when given, holds `parsed` and is let go as soon as the rows are written.
CommandOutcome StoreAndReplace(DatabaseRebuild& rebuild, const ParseResult& parsed,
                               std::unique_ptr<ParseResult> owned, int16_t eventTimerSeconds,
                               CommandProgress progress, StageBar& stages) {
  CommandOutcome outcome;
  outcome.NoDamage = parsed.NoDamage();
  // Neither damage nor casts of the character (a file of another kind or
  // character, a name the log does not write): the stored fights stay.
  if (outcome.NoDamage && parsed.CastRecs.empty()) {
    rebuild.KeepStored();
    outcome.StoredKept = true;
    return outcome;
  }
  NumberedParse numbered = StoreNewParse(rebuild, parsed, eventTimerSeconds, progress.loop);
  owned.reset();
  stages.Next();
  rebuild.Finish();
  outcome.Events = std::move(numbered.Events);
  stages.Next();
  outcome.EventList = std::move(numbered.EventList);  // made beside the numbers
  stages.Next();
  if (const std::string aside = rebuild.Replace(); !aside.empty()) {
    outcome.Notice = DamagedNotice(rebuild, aside);
  }
  outcome.Compacted = true;  // a new file is compact as it is made
  stages.Next();
  return outcome;
}

}  // namespace

CommandOutcome RunGetLog(const std::string& programFolder, const std::string& logPath,
                         const std::string& charName, int16_t eventTimerSeconds,
                         CommandProgress progress) {
  StageBar stages(progress);
  DatabaseRebuild rebuild(InProgramFolder(programFolder, kDatabaseFile));
  // The stored file is checked and the new one begun on the second core
  // while the log is read.
  auto opened = std::async(std::launch::async, [&rebuild] { rebuild.Open(true); });
  auto parsed = std::make_unique<ParseResult>([&] {
    try {
      return ParseLogFile(logPath, charName, progress.loop);
    } catch (...) {
      opened.wait();
      throw;
    }
  }());
  opened.get();
  stages.Next();
  const ParseResult& records = *parsed;
  return StoreAndReplace(rebuild, records, std::move(parsed), eventTimerSeconds, progress, stages);
}

CommandOutcome RunGetLog(const std::string& programFolder, const ParseResult& parsed,
                         int16_t eventTimerSeconds, CommandProgress progress) {
  StageBar stages(progress);
  DatabaseRebuild rebuild(InProgramFolder(programFolder, kDatabaseFile));
  rebuild.Open(true);
  stages.Next();
  return StoreAndReplace(rebuild, parsed, nullptr, eventTimerSeconds, progress, stages);
}

CommandOutcome RunGetPrevious(const std::string& programFolder, int16_t eventTimerSeconds,
                              CommandProgress progress) {
  CommandOutcome outcome;
  StageBar stages(progress);
  stages.Next();  // no parse
  stages.Next();  // no store
  DatabaseRebuild rebuild(InProgramFolder(programFolder, kDatabaseFile));
  rebuild.Open(false);  // the quick check runs beside the reading
  NumberedParse numbered = RenumberStoredParse(rebuild, eventTimerSeconds, progress.loop);
  rebuild.Finish();
  outcome.Events = std::move(numbered.Events);
  stages.Next();
  outcome.EventList = std::move(numbered.EventList);  // made beside the numbers
  stages.Next();
  rebuild.Replace();
  // A stored file kept as it is was made by an earlier command and has no
  // free page: it is as compact as a new one.
  outcome.Compacted = true;
  stages.Next();
  return outcome;
}

std::string StoredKeptNote(const std::string& charName) {
  return "No damage or casts of " + charName +
         " were found in that log, so the stored fights are kept as they were.";
}

}  // namespace qorn
