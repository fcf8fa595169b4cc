#include "commands/commands.h"

#include <future>
#include <memory>
#include <optional>

#include "commands/program_folder.h"
#include "parse/log_file.h"
#include "platform/paths.h"
#include "store/database_file.h"
#include "store/database_rebuild.h"
#include "store/log_state.h"
#include "store/parse_state.h"
#include "store/parse_store.h"
#include "store/schema.h"

namespace qorn {
namespace {

// What runs in the stages of the commands, as their captions say.
constexpr std::string_view kReading = "Reading the log";
constexpr std::string_view kStoringNewLines = "Storing the new lines";
constexpr std::string_view kCutting = "Cutting fights";
constexpr std::string_view kBuildingIndexes = "Building indexes";
constexpr std::string_view kReplacing = "Replacing the stored file";
constexpr std::string_view kSaving = "Saving";

// Shows the stage bar for one command and hides both bars when it ends,
// also when a stage fails. Each stage before the last is a step at which the
// command stops when asked to.
class StageBar {
 public:
  StageBar(CommandProgress progress, std::string_view first) : p_(progress), first_(first) {
    p_.loop.SetVisible(false);
    p_.stages.SetMaximum(kCommandStages);
    p_.stages.SetCaption(first_);
    p_.stages.SetValue(0);
    p_.stages.SetVisible(true);
  }
  ~StageBar() {
    p_.loop.SetVisible(false);
    p_.stages.SetVisible(false);
  }
  // The next stage, named by what runs in it.
  void Next(std::string_view caption) {
    p_.stop.StopHere();
    p_.stages.SetCaption(caption);
    p_.stages.SetValue(++value_);
  }
  // The last value: the stored file holds the new parse.
  void Done() {
    while (value_ + 1 < kCommandStages) Next(kSaving);
    p_.stages.SetCaption(kCommandDone);
    p_.stages.SetValue(++value_);
  }
  // Back to the first stage, for a command that starts over another way.
  void Restart() {
    if (value_ == 0) return;
    value_ = 0;
    p_.stages.SetCaption(first_);
    p_.stages.SetValue(0);
  }

 private:
  CommandProgress p_;
  std::string_view first_;
  int value_ = 0;
};

std::string DamagedNotice(const DatabaseRebuild& rebuild, const std::string& aside) {
  return "The parse database " + rebuild.StoredPath() +
         " was damaged, so a new one was made for this log. The damaged file was moved to " +
         aside + " as it was.";
}

// What the stored parse keeps of the log it was read from.
StoredLog StoredLogOf(const LogFile& log, const std::string& charName, const ParseEnd& end,
                      int64_t nextRecNum, int64_t nextCastNum) {
  StoredLog stored;
  stored.Log = log.Identify(end.Bytes);
  stored.CharName = charName;
  stored.End = end;
  stored.NextRecNum = nextRecNum;
  stored.NextCastNum = nextCastNum;
  return stored;
}

// The stages after the parse: the mobs' seconds and the fights go into the
// new file of an opened `rebuild` that `writer` filled with the rows, which
// then takes the stored file's place. `stored`, when given, is what the
// file keeps of the log.
CommandOutcome StoreAndReplace(DatabaseRebuild& rebuild, ParseWriter& writer,
                               CommandProgress progress, StageBar& stages,
                               const std::optional<StoredLog>& stored, bool keepOverview) {
  CommandOutcome outcome;
  if (stored) outcome.Log = stored->Log;
  outcome.NoDamage = writer.DamageRows() == 0;
  // Neither damage nor casts of the character (a file of another kind or
  // character, a name the log does not write): the stored fights stay.
  if (outcome.NoDamage && writer.CastRows() == 0) {
    rebuild.KeepStored();
    outcome.StoredKept = true;
    return outcome;
  }
  stages.Next(kCutting);
  NumberedParse numbered = writer.Finish(progress.loop, keepOverview, progress.stop);
  if (stored) WriteStoredLog(rebuild.Fresh(), *stored);
  stages.Next(kBuildingIndexes);
  rebuild.Finish();
  outcome.Events = std::move(numbered.Events);
  outcome.EventList = std::move(numbered.EventList);  // made beside the numbers
  stages.Next(kReplacing);
  stages.Next(kReplacing);
  if (const std::string aside = rebuild.Replace(); !aside.empty()) {
    outcome.Notice = DamagedNotice(rebuild, aside);
  }
  stages.Done();
  return outcome;
}

// Get Log of the log the stored parse was read from, grown since: only the
// appended lines are read, their rows added and the fights cut again, in one
// transaction. None when that cannot give exactly what reading the whole log
// gives (another log or character, a log replaced, cut short or edited, a
// last line read before it was whole, a pet first named in the appended
// lines and named before them too, a file of an earlier version or a damaged
// one); a whole Get Log then follows. Stored data found damaged on the way
// (a row without a time) leaves what is wrong in `damaged`: the whole Get
// Log then moves the file aside.
std::optional<CommandOutcome> GetAppendedLines(const std::string& databasePath, const LogFile& log,
                                               const std::string& charName,
                                               std::optional<int16_t> eventTimerSeconds,
                                               CommandProgress progress, StageBar& stages,
                                               bool keepOverview, long long appendedInMemory,
                                               std::string& damaged) {
  const std::string path = ResolveDatabasePath(databasePath);
  if (CheckDatabaseFile(path, false).state != DatabaseHealth::State::kUsable) return std::nullopt;
  RequireWritableDatabase(path);
  RemoveLeftoverReplacement(path);
  try {
    Database db(path, OpenMode::kExisting);
    if (!HoldsRowsApart(db)) return std::nullopt;
    Transaction tx(db);
    // A file of an earlier version gets the program's triggers and views as
    // they are now, as Get Previous gives them.
    RestoreSchemaObjects(db);
    const std::optional<StoredLog> stored = ReadStoredLog(db);
    if (!stored || stored->CharName != charName || !stored->End.EndsAtLineEnd) return std::nullopt;
    // Replaced, cut short or written over in place: read whole.
    const LogSince since = log.Since(stored->Log);
    if (since != LogSince::Grew && since != LogSince::Unchanged) return std::nullopt;
    // The appended lines are parsed and summed in memory: beyond a bound, the
    // whole log is read instead, a piece at a time.
    if (log.Size() - stored->Log.Bytes > appendedInMemory) return std::nullopt;
    {
      Statement last(db, "SELECT max(RecNum) FROM DamageRows");
      last.Step();
      const int64_t next = last.ColumnIsNull(0) ? 0 : last.ColumnInt(0) + 1;
      if (next != stored->NextRecNum) return std::nullopt;  // rows edited by hand
    }
    // As a whole Get Log, a last line without its end is read as it stands;
    // the next Get Log then reads the log whole.
    StoredLog after = *stored;
    std::optional<SecondsChange> change;
    if (since == LogSince::Grew) {
      AppendedParse appended =
          ParseAppendedLines(log, charName, stored->End, log.Size(), progress.loop, progress.stop);
      stages.Next(kStoringNewLines);
      if (appended.PetNamedBefore) return std::nullopt;
      change = StoreAppendedParse(db, appended, stored->NextRecNum, stored->NextCastNum,
                                  progress.loop);
      after =
          StoredLogOf(log, charName, appended.Records.End,
                      stored->NextRecNum + static_cast<int64_t>(appended.Records.DamageRecs.size()),
                      stored->NextCastNum + static_cast<int64_t>(appended.Records.CastRecs.size()));
    } else {
      stages.Next(kStoringNewLines);
    }
    stages.Next(kCutting);
    // Read in the transaction: a cut another command made meanwhile holds.
    NumberedParse numbered =
        CutStoredFights(db, EventTimerToCutWith(eventTimerSeconds, db), progress.loop,
                        keepOverview, progress.stop, change ? &*change : nullptr);
    WriteStoredLog(db, after);
    CommandOutcome outcome;
    outcome.NoDamage = numbered.EventList.EventCount == 0;
    outcome.Events = std::move(numbered.Events);
    outcome.EventList = std::move(numbered.EventList);
    outcome.Log = after.Log;
    stages.Next(kSaving);
    stages.Next(kSaving);
    tx.Commit();
    // The stage bar's last value comes when the new parse is stored, as for
    // a whole Get Log: a stop before it leaves the stored parse as it was.
    stages.Done();
    return outcome;
  } catch (const DatabaseError& e) {
    // A full disk, or another command storing at this moment: a whole Get
    // Log would meet the same (and take far longer to), so it is said as it is.
    if (e.DiskFull() || e.Busy()) throw;
    // The whole Get Log looks at the file again: a damaged one is moved
    // aside, and anything else is reported as it is found there.
    if (e.Damaged()) damaged = e.Detail();
    return std::nullopt;
  }
}

// Get Log of `log`, opened once for the command: every step reads that file,
// whatever is put under its name meanwhile.
CommandOutcome GetLog(const std::string& programFolder, const LogFile& log,
                      const std::string& charName, std::optional<int16_t> eventTimerSeconds,
                      CommandProgress progress, const CommandOptions& options, StageBar& stages) {
  const std::string databasePath = InProgramFolder(programFolder, kDatabaseFile);
  std::string damaged;
  if (std::optional<CommandOutcome> appended =
          options.ReadWhole
              ? std::nullopt
              : GetAppendedLines(databasePath, log, charName, eventTimerSeconds, progress, stages,
                                 options.KeepOverview, options.AppendedInMemory, damaged)) {
    return std::move(*appended);
  }
  stages.Restart();
  const int16_t timer = EventTimerToCutWith(eventTimerSeconds, databasePath);
  DatabaseRebuild rebuild(databasePath);
  // The stored file is checked and the new one begun on the second core
  // while the log is read the first time; the rows are stored as the second
  // reading hands them over.
  auto opened = std::async(std::launch::async, [&rebuild] { rebuild.Open(true); });
  std::optional<ParseWriter> writer;
  auto writerOf = [&]() -> ParseWriter& {
    if (!writer) {
      opened.get();
      if (!damaged.empty()) rebuild.SetDamaged(damaged);
      writer.emplace(rebuild.Fresh(), timer, options.SecondsInMemory);
    }
    return *writer;
  };
  ParseResult parsed;
  try {
    parsed = ParseLogInBlocks(
        log, charName, progress.loop,
        [&](RecordBlock& block) { writerOf().Add(block.Records, block.LastCastChange); },
        {.Every = options.PieceBytes, .At = {}}, progress.stop);
  } catch (...) {
    if (opened.valid()) opened.wait();
    throw;
  }
  ParseWriter& stored = writerOf();
  return StoreAndReplace(
      rebuild, stored, progress, stages,
      StoredLogOf(log, charName, parsed.End, stored.DamageRows(), stored.CastRows()),
      options.KeepOverview);
}

}  // namespace

CommandOutcome RunGetLog(const std::string& programFolder, const std::string& logPath,
                         const std::string& charName, std::optional<int16_t> eventTimerSeconds,
                         CommandProgress progress, const CommandOptions& options) {
  StageBar stages(progress, kReading);
  const LogFile log(logPath);
  return GetLog(programFolder, log, charName, eventTimerSeconds, progress, options, stages);
}

CommandOutcome RunGetLog(const std::string& programFolder, const LogFile& log,
                         const std::string& charName, std::optional<int16_t> eventTimerSeconds,
                         CommandProgress progress, const CommandOptions& options) {
  StageBar stages(progress, kReading);
  return GetLog(programFolder, log, charName, eventTimerSeconds, progress, options, stages);
}

CommandOutcome RunGetLog(const std::string& programFolder, const ParseResult& parsed,
                         int16_t eventTimerSeconds, CommandProgress progress,
                         const CommandOptions& options) {
  StageBar stages(progress, kReading);
  DatabaseRebuild rebuild(InProgramFolder(programFolder, kDatabaseFile));
  rebuild.Open(true);
  ParseWriter writer(rebuild.Fresh(), eventTimerSeconds, options.SecondsInMemory);
  writer.Add(parsed, std::nullopt);
  return StoreAndReplace(rebuild, writer, progress, stages, std::nullopt, options.KeepOverview);
}

CommandOutcome RunGetPrevious(const std::string& programFolder,
                              std::optional<int16_t> eventTimerSeconds, CommandProgress progress,
                              const CommandOptions& options) {
  CommandOutcome outcome;
  // The parse and store stages are passed at once.
  StageBar stages(progress, kCutting);
  stages.Next(kCutting);
  stages.Next(kCutting);
  const std::string databasePath = InProgramFolder(programFolder, kDatabaseFile);
  NumberedParse numbered =
      RenumberStoredParse(databasePath, EventTimerToCutWith(eventTimerSeconds, databasePath),
                          progress.loop, options.KeepOverview, progress.stop);
  outcome.Events = std::move(numbered.Events);
  outcome.EventList = std::move(numbered.EventList);  // made beside the numbers
  stages.Done();
  return outcome;
}

int16_t EventTimerToCutWith(std::optional<int16_t> chosen, Database& db) {
  if (chosen) return *chosen;
  return StoredCutTimer(db).value_or(kDefaultEventTimerSeconds);
}

int16_t EventTimerToCutWith(std::optional<int16_t> chosen, const std::string& databasePath) {
  if (chosen) return *chosen;
  const std::optional<platform::FileStatus> st = platform::Status(databasePath);
  if (!st || st->Kind != platform::FileKind::File) {
    return kDefaultEventTimerSeconds;
  }
  try {
    Database db(databasePath, OpenMode::kReadOnly);
    return EventTimerToCutWith(chosen, db);
  } catch (const Error&) {
    return kDefaultEventTimerSeconds;
  }
}

std::string StoredKeptNote(const std::string& charName) {
  return "No damage or casts of " + charName +
         " were found in that log, so the stored fights are kept as they were.";
}

}  // namespace qorn
