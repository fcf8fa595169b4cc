#include "store/commands.h"

#include <memory>

#include "parse/log_parser.h"
#include "store/compaction.h"
#include "store/database.h"
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

// Overview and compaction: the end both commands share.
void FinishCommand(const std::string& database, CommandProgress progress, StageBar& stages,
                   CommandOutcome& outcome) {
  outcome.EventList = FillEventList(database, progress.loop);
  outcome.Events.EventCount = outcome.EventList.EventCount;
  stages.Next();
  outcome.Compacted = CompactParseDatabase(database);
  stages.Next();
}

}  // namespace

CommandOutcome RunGetLog(const std::string& programFolder, const std::string& logPath,
                         const std::string& charName, int16_t eventTimerSeconds,
                         CommandProgress progress) {
  CommandOutcome outcome;
  StageBar stages(progress);
  const std::string database = InProgramFolder(programFolder, kDatabaseFile);
  auto parsed = std::make_unique<ParseResult>(ParseLogFile(logPath, charName, progress.loop));
  outcome.NoDamage = parsed->NoDamage();
  stages.Next();
  {
    // The new parse and its events are stored together or not at all, so a
    // failure leaves the previous parse with its events.
    Database db(database);
    Transaction tx(db);
    StoreParsedRecords(db, *parsed, progress.loop);
    parsed.reset();
    stages.Next();
    outcome.Events = BuildEvents(db, eventTimerSeconds, progress.loop);
    tx.Commit();
  }
  stages.Next();
  FinishCommand(database, progress, stages, outcome);
  return outcome;
}

CommandOutcome RunGetPrevious(const std::string& programFolder, int16_t eventTimerSeconds,
                              CommandProgress progress) {
  CommandOutcome outcome;
  StageBar stages(progress);
  stages.Next();  // no parse
  stages.Next();  // no store
  const std::string database = InProgramFolder(programFolder, kDatabaseFile);
  outcome.Events = BuildEvents(database, eventTimerSeconds, progress.loop);
  stages.Next();
  FinishCommand(database, progress, stages, outcome);
  return outcome;
}

}  // namespace qorn
