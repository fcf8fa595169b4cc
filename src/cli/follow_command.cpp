// qorn-cli follow: Get Log, then a Get Log each time the game has appended
// whole lines, printing the fights' lines that appeared or changed.
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "cli/cli_args.h"
#include "commands/commands.h"
#include "commands/program_folder.h"
#include "common/error.h"
#include "views/log_follow.h"

namespace qorn::cli {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(1000);
constexpr auto kSignalCheck = std::chrono::milliseconds(50);

// Set by SIGINT or SIGTERM: a Get Log under way stops at its next step (the
// stored parse is then as it was), and the loop ends. Lock-free, so the
// signal handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void RequestStop(int) { stopRequested = true; }

// SIGINT and SIGTERM ask the command to stop while it lives; a second one
// ends the program at once (the stored parse is whole either way: a Get Log
// replaces it only when its new file is complete). System calls that a
// signal breaks go on.
class StopSignals {
 public:
  StopSignals() {
    stopRequested = false;
    struct sigaction action {};
    action.sa_handler = &RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  const std::atomic<bool>& Flag() const { return stopRequested; }
  bool Requested() const { return stopRequested; }
  // Waits a poll's interval, less when a stop is asked for.
  void Wait() const {
    for (auto waited = std::chrono::milliseconds(0); waited < kPollInterval && !Requested();
         waited += kSignalCheck) {
      std::this_thread::sleep_for(kSignalCheck);
    }
  }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// Lines at once: whoever reads the pipe sees a fight as soon as it is there.
void Print(const std::vector<OverviewRow>& rows, bool header) {
  if (header) {
    PrintOverview(rows);
  } else {
    Out out;
    PrintOverviewRows(rows, out);
  }
  // Output that cannot be written ends the command rather than following on.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    throw Error(std::string("Cannot write the output: ") + std::strerror(errno));
  }
}

// Says what keeps a follow waiting once on stderr, until it changes: a line
// a second would bury the rest. An empty text says nothing and ends the wait.
class SayOnce {
 public:
  void operator()(const std::string& text) {
    if (!text.empty() && text != said_) std::fprintf(stderr, "qorn-cli: %s\n", text.c_str());
    said_ = text;
  }

 private:
  std::string said_;
};

}  // namespace

int FollowCommand(const CommandLine& line) {
  const Args args = line.Read({"--name", "--timer"}, {"--other-name"});
  if (args.positional.size() != 1) throw UsageError{"follow needs exactly one LOGFILE"};
  const std::string name = NameOption(args, "follow");
  CheckLogCharacter(args, args.positional[0], name);
  const std::optional<int16_t> timer = TimerOption(args);
  const std::string& logPath = args.positional[0];
  const std::string folder = FindProgramFolder(line.home);
  const StopSignals stop;

  SayOnce sayLog;   // what keeps the log from being read
  SayOnce sayBusy;  // another command storing in the program folder

  // The first Get Log, tried again at each look while another command
  // stores. The mark is taken before it: what the game writes while it runs
  // is read by the next one.
  LogMark parsed;
  Overview shown;
  try {
    for (;;) {
      parsed = MarkLog(logPath).value_or(LogMark{});
      try {
        shown = RunGetLogWithBar(folder, logPath, name, timer, &stop.Flag()).EventList;
        break;
      } catch (const Error& e) {
        if (!e.Busy()) throw;
        sayBusy(TriesAgainText(e.what()));
      }
      stop.Wait();
      if (stop.Requested()) return kDone;
    }
    sayBusy({});
    Print(shown.Rows, true);
    bool ran = false;
    while (!stop.Requested()) {
      // What the game wrote during a Get Log is looked at at once.
      if (!ran) stop.Wait();
      ran = false;
      if (stop.Requested()) break;
      const LogLook look = LookAtLog(logPath, parsed);
      if (!look.Failure.empty()) throw Error(look.Failure);
      sayLog(look.Waiting);
      if (look.Change == LogChange::None) continue;
      NullProgress none;
      CommandOutcome outcome;
      try {
        // With the timer of the last command that cut the fights: a Get
        // Previous beside the follow holds.
        outcome =
            RunGetLog(folder, logPath, name, std::nullopt, {none, none, StopToken(stop.Flag())});
      } catch (const Error& e) {
        // The lines stay unread (the mark stays): the next look tries again.
        if (!e.Busy()) throw;
        sayBusy(TriesAgainText(e.what()));
        continue;
      }
      sayBusy({});
      ran = true;
      parsed = look.Mark;
      if (!outcome.Notice.empty()) std::fprintf(stderr, "qorn-cli: %s\n", outcome.Notice.c_str());
      // Nothing of the character in the log yet: the stored fights were kept.
      if (outcome.StoredKept) continue;
      // Another file under the name starts the list over, under its header;
      // so do fights that are gone (two merged into one), lest a reader
      // count them still.
      OverviewChange change = CompareOverviews(shown, outcome.EventList);
      if (look.Change == LogChange::Replaced || change.FightsGone) {
        Print(outcome.EventList.Rows, true);
      } else {
        Print(change.NewOrChanged, false);
      }
      shown = std::move(outcome.EventList);
    }
  } catch (const Stopped&) {
    // Stopped before its new file took the stored one's place: nothing changed.
  }
  return kDone;
}

}  // namespace qorn::cli
