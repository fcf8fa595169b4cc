#include "cli/cli_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "common/error.h"

namespace qorn {
namespace {

constexpr const char* kHelp = R"(Usage: qorn-cli [--home DIR] COMMAND [OPTIONS]

Commands:
  getlog LOGFILE --name NAME [--timer SECONDS] [--whole] [--other-name]
      Get Log: read the log of the character NAME (letters a-z and A-Z
      only), store it in the parse database (replacing the previous parse),
      cut it into fights and print the fights as tab-separated text: Mob,
      Damage, DPS, Seconds, Start, End. The fights are numbered from 1 in
      the order printed. A log the game only appended to since the stored
      parse is read from where that parse ended.

      --whole  read the whole log, also when it only grew (after the log
               was edited by hand).
      --other-name  read a log whose file name names another character
               (eqlog_<Character>_<server>.txt, as the game names its logs)
               under NAME all the same; without it such a log is refused
               (exit 1), as only its DoT ticks and pets would count.

  previous [--timer SECONDS]
      Get Previous: cut the stored parse into fights again, for example with
      another timer, and print them as getlog does.

      --timer SECONDS  the longest quiet gap that stays in one fight; a
                       number above -32000 and below 32000, rounded to whole
                       seconds. Without it getlog, previous and follow cut
                       with the timer the stored fights were last cut with
                       (18 when none is stored).

  follow LOGFILE --name NAME [--timer SECONDS] [--other-name]
      Follow Log: a Get Log as getlog makes it, printing the fights as
      getlog does; then, about once a second, a Get Log again whenever the
      game has appended whole lines, printing the line of each fight that
      appeared or changed (a fight that grew is printed again with its new
      numbers and the same Start), cut with the timer of the last command
      that cut the fights (a previous --timer beside it holds). A log
      deleted or replaced by a folder, and another command storing at that
      moment, are said once on stderr and waited for; a log that cannot be
      read ends it with exit code 1. When another file takes the log's name, or it
      gets shorter, the fights are printed anew under the header. SIGINT
      (Ctrl+C) or SIGTERM stops it, a Get Log under way at its next step
      (the stored parse is then as it was); the exit code is then 0.

  show EVENT breakdown|ticks|detail|buffs|uptime|meter|summary [--no-pet-detail]
       [--no-spell-detail]
  show all buffs|uptime
      Print one view of the stored fight number EVENT as tab-separated text
      under a header of the column captions, cell for cell as the window's
      list shows it (a blank cell is an empty field):
        breakdown  every DoT hit of the fight (DoT Breakdown)
        ticks      the damage of each six-second tick and its buffs (DoT Ticks)
        detail     the statistics per damage source (All Damage Detail)
        buffs      per buff and DoT source the hits, crits and mean hit with
                   and without the buff, and the damage it added (Buff
                   Value); with EVENT all, over every stored fight
        uptime     per DoT spell and for all of them, the hits, the part of
                   the fight it was ticking, its first hit, its drops, longest
                   gap and lost ticks (DoT Uptime); with EVENT all, per spell
                   over the fights it hit in: fights, hits, uptime, drops per
                   fight and mean first hit
        meter      the window's meter of the fight: a line per damage source
                   (each DoT spell, Pets, DD) by damage, with its share of
                   the fight and, for a DoT, its uptime
        summary    the fight as one line to paste into the game's chat (at
                   most 250 characters, no header): the character, the mob,
                   damage, minutes:seconds, DPS, then the sources by damage
                   while they fit and the rest as "other"
      --no-pet-detail    detail without a line per pet and swarm pet
      --no-spell-detail  detail without Casts, Resists, Fizzles, Interrupts

  parse LOGFILE --name NAME [--casts | --summary]
      Read the log of the character NAME and print its damage records as
      tab-separated text, one line per record under a header of the field
      names. --casts prints the cast records instead; --summary prints only
      how many records of each damage type and cast code were found and how
      long the parse took.

  graph EVENT dot|all|uptime [--png FILE [--size WxH]]
      A stored fight's "DoT Tick Graph" (dot) or "All Damage Graph" (all),
      EVENT being its line in the fights getlog prints, counted from 1. Prints
      the chart's data as tab-separated text: a header of an empty field and
      the series (the DoT spells; then "Pets" and "DD's" for all); a line per
      tick with its number and each series' damage; the chart's footnote last.
      --png FILE also draws the chart as the window does, every tick at once,
      into a PNG picture (more ticks than pixels across are summed into bars
      labelled FIRST-LAST); --size WxH gives its size in pixels (default
      753x425, the window's chart at design). uptime is the DoT Uptime tab's
      lane picture: a lane per DoT spell, a bar where it was ticking, the
      drops marked; as text a line per spell with the seconds from the
      fight's start it was ticking and those it dropped, as FROM-TO spans.

  export EVENT --list overview|breakdown|ticks|detail|buffs|uptime --csv FILE [--no-pet-detail]
  export all --list buffs|uptime --csv FILE
  export EVENT --html FILE
      Write what the window's Export menu writes for the stored fight number
      EVENT: a list as a comma-separated file (overview: the list of all
      fights; breakdown, ticks, detail: the fight's DoT Breakdown, DoT Ticks
      and All Damage Detail, every column included; buffs and uptime: its
      Buff Value and DoT Uptime, or with EVENT all those of every stored
      fight, quoted as RFC 4180 quotes), or the fight's tick
      graph as an HTML page with the single-colour .gif images it names,
      written beside it where missing. FILE is replaced and keeps its
      permissions; a folder, device or pipe at FILE is refused.
      --no-pet-detail  detail without a line per pet and swarm pet

  help, --help
      Show this text.

Options:
  --home DIR  the folder of the parse database QornDB.mdb (default: $QORN_HOME,
              else the program's folder when it runs where it was built,
              else ~/.local/share/qorn, as always when it is installed).
  --verbose   when a command fails, also print what failed underneath (the
              SQL text and the database engine's own words).

Exit codes: 0 done, 1 the command failed (also when the output cannot be
written), 2 the command line was wrong.
)";

// One line per command; each command lives in its own file (see cli_args.h).
int Dispatch(const std::string& command, const cli::CommandLine& line) {
  if (command == "parse") return cli::ParseCommand(line);
  if (command == "getlog") return cli::GetLogCommand(line, true);
  if (command == "previous") return cli::GetLogCommand(line, false);
  if (command == "show") return cli::ShowCommand(line);
  if (command == "graph") return cli::GraphCommand(line);
  if (command == "export") return cli::ExportCommand(line);
  if (command == "follow") return cli::FollowCommand(line);
  throw cli::UsageError{command.empty() ? "no command given" : "unknown command " + command};
}

// Everything printed reached its place: a full disk or a closed file under
// standard output fails the command, with a message on standard error.
int CheckOutputWritten(int code) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int reason = errno;
  if (flushed && !std::ferror(stdout)) return code;
  std::fprintf(stderr, "qorn-cli: Cannot write the output%s%s\n", reason ? ": " : "",
               reason ? std::strerror(reason) : "");
  return code == cli::kDone ? cli::kFailed : code;
}

int RunCommand(int argc, char** argv);

}  // namespace

int RunCli(int argc, char** argv) { return CheckOutputWritten(RunCommand(argc, argv)); }

namespace {

int RunCommand(int argc, char** argv) {
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
    cli::CommandLine line;
    int first = 1;
    while (first < argc && std::string_view(argv[first]) == "--home") {
      if (first + 1 >= argc) throw cli::UsageError{"--home needs a folder"};
      line.home = argv[first + 1];
      first += 2;
    }
    const std::string command = first < argc ? argv[first] : "";
    if (command == "help" || command == "--help" || command == "-h") {
      std::fputs(kHelp, stdout);
      return cli::kDone;
    }
    for (int i = first + 1; i < argc; ++i) line.words.emplace_back(argv[i]);
    return Dispatch(command, line);
  } catch (const cli::UsageError& e) {
    std::fprintf(stderr, "qorn-cli: %s\nTry 'qorn-cli --help'.\n", e.message.c_str());
    return cli::kUsage;
  } catch (const Error& e) {
    std::fprintf(stderr, "qorn-cli: %s\n", e.what());
    if (verbose && !e.Detail().empty()) std::fprintf(stderr, "qorn-cli: %s\n", e.Detail().c_str());
    return cli::kFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qorn-cli: unexpected failure: %s\n", e.what());
    return cli::kFailed;
  }
}

}  // namespace

}  // namespace qorn
