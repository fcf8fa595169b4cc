// qorn-cli getlog and previous: the two commands that fill the overview, and
// what follow shares with them.
#include <cstdio>
#include <functional>

#include "cli/cli_args.h"
#include "cli/terminal_progress.h"
#include "commands/commands.h"
#include "commands/program_folder.h"
#include "common/event_timer.h"
#include "common/front_end_texts.h"

namespace qorn::cli {
namespace {

// Names the stage on the terminal's bar as the command moves on.
class StageLabels final : public Progress {
 public:
  explicit StageLabels(TerminalProgress& bar) : bar_(bar) {}
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double) override {}
  void SetCaption(std::string_view caption) override { bar_.SetLabel(std::string(caption)); }

 private:
  TerminalProgress& bar_;
};

}  // namespace

std::optional<int16_t> TimerOption(const Args& args) {
  const auto text = args.Value("--timer");
  if (!text) return std::nullopt;
  const auto timer = ParseEventTimer(*text);
  if (!timer) {
    throw UsageError{"--timer needs a number of seconds above -32000 and below 32000, not '" +
                     *text + "'"};
  }
  return *timer;
}

constexpr std::string_view kOverviewHeader = "Mob\tDamage\tDPS\tSeconds\tStart\tEnd\n";

void PrintOverviewHeader(Out& out) { out << kOverviewHeader; }

void PrintStoredOverview(const std::string& folder) {
  Out out;
  PrintOverviewHeader(out);
  ForEachStoredFight(InProgramFolder(folder, kDatabaseFile),
                     [&out](const OverviewRow& row) { out.Row(row.Cells()); });
}

void PrintOverviewRows(const std::vector<OverviewRow>& rows, Out& out) {
  for (const OverviewRow& row : rows) out.Row(row.Cells());
}

void WithCommandBar(const std::atomic<bool>* stop,
                    const std::function<void(CommandProgress)>& run) {
  TerminalProgress loop{""};
  StageLabels stages(loop);
  run({loop, stages, stop != nullptr ? StopToken(*stop) : StopToken()});
  loop.SetVisible(false);
}

CommandOutcome RunGetLogWithBar(const std::string& folder, const std::string& logPath,
                                const std::string& charName, std::optional<int16_t> timer,
                                const std::atomic<bool>* stop, bool keepOverview, bool readWhole) {
  CommandOutcome outcome;
  WithCommandBar(stop, [&](CommandProgress progress) {
    outcome = RunGetLog(folder, logPath, charName, timer, progress,
                        {.KeepOverview = keepOverview, .ReadWhole = readWhole});
  });
  ReportOutcome(outcome.Notice, outcome.NoDamage);
  return outcome;
}

void ReportOutcome(const std::string& notice, bool noDamage) {
  if (!notice.empty()) std::fprintf(stderr, "qorn-cli: %s\n", notice.c_str());
  if (noDamage) std::fprintf(stderr, "%s\n", kNoDamageMessage.data());
}

int GetLogCommand(const CommandLine& line, bool getLog) {
  const Args args = getLog ? line.Read({"--name", "--timer"}, {"--whole", "--other-name"})
                           : line.Read({"--timer"}, {});
  const std::optional<int16_t> timer = TimerOption(args);
  std::string name;
  if (getLog) {
    if (args.positional.size() != 1) throw UsageError{"getlog needs exactly one LOGFILE"};
    name = NameOption(args, "getlog");
    CheckLogCharacter(args, args.positional[0], name);
  } else if (!args.positional.empty()) {
    throw UsageError{"previous takes no file"};
  }
  // Only a command line that passed its checks finds (and may create) the folder.
  const std::string folder = FindProgramFolder(line.home);
  if (getLog) {
    // The fights' lines are printed from the file: millions of them take no memory.
    const CommandOutcome outcome = RunGetLogWithBar(folder, args.positional[0], name, timer,
                                                    nullptr, false, args.Has("--whole"));
    if (outcome.StoredKept) {
      std::fprintf(stderr, "%s\n", StoredKeptNote(name).c_str());
      return kFailed;
    }
    PrintStoredOverview(folder);
    return kDone;
  }
  TerminalProgress loop{""};
  StageLabels stages(loop);
  const CommandOutcome outcome =
      RunGetPrevious(folder, timer, {loop, stages}, {.KeepOverview = false});
  loop.SetVisible(false);
  ReportOutcome(outcome.Notice, outcome.NoDamage);
  PrintStoredOverview(folder);
  return kDone;
}

}  // namespace qorn::cli
