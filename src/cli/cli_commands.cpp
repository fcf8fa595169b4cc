#include "cli/cli_commands.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "cli/graph_command.h"
#include "cli/terminal_progress.h"
#include "common/character_name.h"
#include "common/date_time.h"
#include "common/error.h"
#include "common/event_timer.h"
#include "common/text_encoding.h"
#include "parse/log_parser.h"
#include "store/commands.h"
#include "store/program_folder.h"

namespace qorn {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kHelp = R"(Usage: qorn-cli [--home DIR] COMMAND [OPTIONS]

Commands:
  getlog LOGFILE --name NAME [--timer SECONDS]
      Get Log: read the log of the character NAME (letters a-z and A-Z
      only), store it in the parse database (replacing the previous parse),
      cut it into fights and print the fights as tab-separated text: Mob,
      Damage, DPS, Seconds, Start, End.

  previous [--timer SECONDS]
      Get Previous: cut the stored parse into fights again, for example with
      another timer, and print them as getlog does.

      --timer SECONDS  the longest quiet gap that stays in one fight (default
                       18); a number above -32000 and below 32000, rounded
                       to whole seconds.

  parse LOGFILE --name NAME [--casts | --summary]
      Read the log of the character NAME and print its damage records as
      tab-separated text, one line per record under a header of the field
      names. --casts prints the cast records instead; --summary prints only
      how many records of each damage type and cast code were found and how
      long the parse took.

  graph EVENT dot|all [--png FILE [--size WxH]]
      A stored fight's "DoT Tick Graph" (dot) or "All Damage Graph" (all),
      EVENT being its line in the fights getlog prints, counted from 1. Prints
      the chart's data as tab-separated text: a header of an empty field and
      the series (the DoT spells; then "Pets" and "DD's" for all); a line per
      tick with its number and each series' damage; the chart's footnote last.
      --png FILE also draws the chart as the window does, every tick at once,
      into a PNG picture; --size WxH gives its size in pixels (default
      753x425, the window's chart at design).

  help, --help
      Show this text.

Options:
  --home DIR  the folder of the parse database QornDB.mdb (default: $QORN_HOME,
              else the program's folder, else ~/.local/share/qorn).
  --verbose   when a command fails, also print what failed underneath (the
              SQL text and the database engine's own words).

Exit codes: 0 done, 1 the command failed, 2 the command line was wrong.
)";

const char* Flag(bool value) { return value ? "-1" : "0"; }

// Big buffered writes: a parse can print millions of lines.
class Out {
 public:
  ~Out() { Flush(); }
  Out& operator<<(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() > (1 << 20)) Flush();
    return *this;
  }
  Out& Text(std::string_view s) { return *this << LogTextToUtf8(s); }
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    buffer_.clear();
  }

 private:
  std::string buffer_;
};

void PrintDamage(const ParseResult& result) {
  Out out;
  out << "When\tWho\tMob\tDmg\tCrit\tDmgType\tDmgSrc\tCpower\tCoA\tInten\tReserved\n";
  for (const DamageRec& r : result.DamageRecs) {
    out << FormatSqlDateTime(r.When) << "\t";
    out.Text(r.Who) << "\t";
    out.Text(r.Mob) << "\t" << std::to_string(r.Dmg) << "\t" << Flag(r.Crit) << "\t" << r.DmgType
                    << "\t";
    out.Text(r.DmgSrc) << "\t" << Flag(r.Cpower) << "\t" << Flag(r.CoA) << "\t" << Flag(r.Inten)
                       << "\t" << std::to_string(r.Reserved) << "\n";
  }
}

void PrintCasts(const ParseResult& result) {
  Out out;
  out << "When\tCorR\tSpell\n";
  for (const CastRec& r : result.CastRecs) {
    out << FormatSqlDateTime(r.When) << "\t" << std::to_string(r.CorR) << "\t";
    out.Text(r.Spell) << "\n";
  }
}

void PrintSummary(const ParseResult& result, double seconds) {
  std::map<std::string_view, long long> types;
  for (std::string_view t : {kDot, kDD, kPet, kEpicSwarm}) types[t] = 0;
  for (const DamageRec& r : result.DamageRecs) ++types[r.DmgType];
  long long codes[4] = {};
  for (const CastRec& r : result.CastRecs) {
    if (r.CorR >= 0 && r.CorR < 4) ++codes[r.CorR];
  }
  std::printf("lines\t%lld\n", result.Lines);
  std::printf("damage records\t%zu\n", result.DamageRecs.size());
  for (std::string_view t : {kDot, kDD, kPet, kEpicSwarm}) {
    std::printf("  %.*s\t%lld\n", static_cast<int>(t.size()), t.data(), types[t]);
  }
  std::printf("cast records\t%zu\n", result.CastRecs.size());
  static constexpr const char* kCodeNames[] = {"0 cast begun", "1 resisted", "2 fizzled",
                                               "3 interrupted"};
  for (int c = 0; c < 4; ++c) std::printf("  %s\t%lld\n", kCodeNames[c], codes[c]);
  std::printf("parse seconds\t%.3f\n", seconds);
}

// --name as the window's name check takes it.
std::string NameOption(const Args& args, const std::string& command) {
  const auto name = args.Value("--name");
  if (!name) throw UsageError{command + " needs --name NAME, the character's name"};
  if (!IsCharacterName(*name)) {
    throw UsageError{"--name needs the character's name, letters a-z and A-Z only, not '" + *name +
                     "'"};
  }
  return *name;
}

int Parse(int argc, char** argv) {
  const Args args = ReadArgs(argc, argv, 2, {"--name"}, {"--casts", "--summary"});
  if (args.positional.size() != 1) throw UsageError{"parse needs exactly one LOGFILE"};
  const std::string name = NameOption(args, "parse");
  if (args.Has("--casts") && args.Has("--summary")) {
    throw UsageError{"--casts and --summary exclude each other"};
  }
  TerminalProgress progress("Parsing");
  const auto start = std::chrono::steady_clock::now();
  const ParseResult result = ParseLogFile(args.positional[0], name, progress);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  progress.SetVisible(false);
  if (result.NoDamage()) std::fprintf(stderr, "%s\n", kNoDamageMessage.data());
  if (args.Has("--summary")) {
    PrintSummary(result, seconds);
  } else if (args.Has("--casts")) {
    PrintCasts(result);
  } else {
    PrintDamage(result);
  }
  return 0;
}

// Names the stage on the terminal's bar as the command moves on.
class StageLabels final : public Progress {
 public:
  explicit StageLabels(TerminalProgress& bar) : bar_(bar) {}
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double value) override {
    static constexpr const char* kStages[] = {"Parsing",  "Storing",    "Events",
                                              "Overview", "Compacting", "Done"};
    const int stage = static_cast<int>(value);
    if (stage >= 0 && stage <= kCommandStages) bar_.SetLabel(kStages[stage]);
  }

 private:
  TerminalProgress& bar_;
};

int16_t TimerOption(const Args& args) {
  const auto text = args.Value("--timer");
  if (!text) return kDefaultEventTimerSeconds;
  const auto timer = ParseEventTimer(*text);
  if (!timer) {
    throw UsageError{"--timer needs a number of seconds above -32000 and below 32000, not '" +
                     *text + "'"};
  }
  return *timer;
}

void PrintOverview(const Overview& overview) {
  Out out;
  out << "Mob\tDamage\tDPS\tSeconds\tStart\tEnd\n";
  for (const OverviewRow& row : overview.Rows) {
    const auto cells = row.Cells();
    for (size_t i = 0; i < cells.size(); ++i) out << (i ? "\t" : "") << cells[i];
    out << "\n";
  }
}

int RunCommand(const std::string& command, int argc, char** argv,
               const std::optional<std::string>& home) {
  const bool getLog = command == "getlog";
  const Args args = getLog ? ReadArgs(argc, argv, 2, {"--name", "--timer"}, {})
                           : ReadArgs(argc, argv, 2, {"--timer"}, {});
  const int16_t timer = TimerOption(args);
  std::string name;
  if (getLog) {
    if (args.positional.size() != 1) throw UsageError{"getlog needs exactly one LOGFILE"};
    name = NameOption(args, "getlog");
  } else if (!args.positional.empty()) {
    throw UsageError{"previous takes no file"};
  }
  const std::string folder = FindProgramFolder(home);
  TerminalProgress loop(getLog ? "Parsing" : "Events");
  StageLabels stages(loop);
  const CommandOutcome outcome =
      getLog ? RunGetLog(folder, args.positional[0], name, timer, {loop, stages})
             : RunGetPrevious(folder, timer, {loop, stages});
  loop.SetVisible(false);
  if (!outcome.Notice.empty()) std::fprintf(stderr, "qorn-cli: %s\n", outcome.Notice.c_str());
  if (outcome.NoDamage) std::fprintf(stderr, "%s\n", kNoDamageMessage.data());
  PrintOverview(outcome.EventList);
  return 0;
}

}  // namespace

int RunCli(int argc, char** argv) {
  // --verbose may stand anywhere on the line.
  bool verbose = false;
  std::vector<char*> words(argv, argv + argc);
  std::erase_if(words, [&](const char* w) {
    const bool flag = std::string_view(w) == "--verbose";
    verbose = verbose || flag;
    return flag;
  });
  argc = static_cast<int>(words.size());
  argv = words.data();
  try {
    // Options for every command come before the command word.
    std::optional<std::string> home;
    int first = 1;
    while (first < argc && std::string_view(argv[first]) == "--home") {
      if (first + 1 >= argc) throw UsageError{"--home needs a folder"};
      home = argv[first + 1];
      first += 2;
    }
    argv += first - 1;
    argc -= first - 1;
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "help" || command == "--help" || command == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (command == "parse") return Parse(argc, argv);
    if (command == "graph")
      return RunGraphCommand(ReadArgs(argc, argv, 2, {"--png", "--size"}, {}), home);
    if (command == "getlog" || command == "previous") return RunCommand(command, argc, argv, home);
    throw UsageError{command.empty() ? "no command given" : "unknown command " + command};
  } catch (const UsageError& e) {
    std::fprintf(stderr, "qorn-cli: %s\nTry 'qorn-cli --help'.\n", e.message.c_str());
    return kUsage;
  } catch (const Error& e) {
    std::fprintf(stderr, "qorn-cli: %s\n", e.what());
    if (verbose && !e.Detail().empty()) std::fprintf(stderr, "qorn-cli: %s\n", e.Detail().c_str());
    return kFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qorn-cli: unexpected failure: %s\n", e.what());
    return kFailed;
  }
}

}  // namespace qorn
