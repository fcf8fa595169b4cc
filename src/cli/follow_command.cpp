// qorn-cli follow: Get Log, then a Get Log each time the game has appended
// whole lines, printing the fights' lines that appeared or changed.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "cli/cli_args.h"
#include "commands/commands.h"
#include "commands/follow_session.h"
#include "commands/program_folder.h"
#include "common/error.h"
#include "platform/process.h"

namespace qorn::cli {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(1000);
constexpr auto kSignalCheck = std::chrono::milliseconds(50);

// Waits a poll's interval, less when a stop is asked for.
void Wait(const platform::StopRequests& stop) {
  for (auto waited = std::chrono::milliseconds(0); waited < kPollInterval && !stop.Requested();
       waited += kSignalCheck) {
    std::this_thread::sleep_for(kSignalCheck);
  }
}

// Lines at once: whoever reads the pipe sees a fight as soon as it is there.
// `rows` prints the lines, under the header when `header` is set.
void Print(bool header, const std::function<void(Out&)>& rows) {
  {
    Out out;
    if (header) PrintOverviewHeader(out);
    rows(out);
    out.Flush();
  }
  // Output that cannot be written ends the command rather than following on.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    throw Error(std::string("Cannot write the output: ") + std::strerror(errno));
  }
}

// What keeps a follow waiting is said once on stderr, when it changes: a
// line a second would bury the rest. An empty text ends the wait unsaid.
void Say(const std::optional<std::string>& text) {
  if (text && !text->empty()) std::fprintf(stderr, "qorn-cli: %s\n", text->c_str());
}

}  // namespace

int FollowCommand(const CommandLine& line) {
  const Args args = line.Read({"--name", "--timer"}, {"--other-name"});
  if (args.positional.size() != 1) throw UsageError{"follow needs exactly one LOGFILE"};
  const std::string name = NameOption(args, "follow");
  CheckLogCharacter(args, args.positional[0], name);
  const std::optional<int16_t> timer = TimerOption(args);
  const std::string& logPath = args.positional[0];
  const std::string folder = FindProgramFolder(line.home);
  // Ctrl+C or SIGTERM: a Get Log under way stops at its next step (the
  // stored parse is then as it was), and the loop ends; a second one ends
  // the program at once (the stored parse is whole either way: a Get Log
  // replaces it only when its new file is complete).
  const platform::StopRequests stop;

  // The first step is the Get Log of the whole log, with the timer given and
  // the bar on a terminal, tried again at each look while another command
  // stores; the later ones cut with the timer of the last command that cut
  // the fights, so that a Get Previous beside the follow holds.
  FollowSession session(folder, logPath, name, std::nullopt,
                        {.FirstTimer = timer, .Renumbered = false});
  bool first = true;
  try {
    bool ran = true;
    while (!stop.Requested()) {
      // What the game wrote during a Get Log is looked at at once.
      if (!ran) Wait(stop);
      if (stop.Requested()) break;
      FollowStep step;
      if (first) {
        WithCommandBar(&stop.Flag(), [&](CommandProgress bars) { step = session.Step(bars); });
      } else {
        NullProgress none;
        step = session.Step({none, none, StopToken(stop.Flag())});
      }
      Say(step.Waiting);
      Say(step.Busy);
      if (step.Failure) throw Error(step.Failure->Message, step.Failure->Detail);
      ran = step.Ran;
      if (!step.Ran) continue;
      // Said of the first Get Log as getlog says it; later, only a notice.
      ReportOutcome(step.Notice, first && step.NoDamage);
      // Nothing of the character in the log yet: the stored fights were kept
      // (the first Get Log prints its header over none).
      if (step.StoredKept && !first) continue;
      // The first Get Log, another file under the name, and fights that are
      // gone (two merged into one) print the list over, under its header,
      // lest a reader count a gone fight still.
      if (step.StoredKept || step.AllAnew) {
        const bool lines = !step.StoredKept;
        Print(true, [&](Out& out) {
          if (lines) session.ForEachFight([&out](const OverviewRow& row) { out.Row(row.Cells()); });
        });
      } else {
        Print(false, [&](Out& out) {
          for (const FollowedFight& fight : step.Fights) {
            if (fight.LineChanged) out.Row(fight.Line.Cells());
          }
        });
      }
      first = false;
    }
  } catch (const Stopped&) {
    // Stopped before its new file took the stored one's place: nothing changed.
  }
  return kDone;
}

}  // namespace qorn::cli
