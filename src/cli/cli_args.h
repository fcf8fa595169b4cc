#pragma once

// What every qorn-cli command shares: the command line after the command word,
// usage errors, and buffered output. Each command lives in a file of its own
// (parse_command.cpp, getlog_command.cpp, show_command.cpp, graph_command.cpp,
// ...) and is
// dispatched by one line in cli_commands.cpp.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/commands.h"
#include "views/fight.h"

namespace qorn::cli {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// A wrong command line: exit code 2 and the message with a pointer to --help.
struct UsageError {
  std::string message;
};

// The command line after the command word: positional arguments and --options.
struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> values;  // --name NAME
  std::vector<std::string> flags;                          // --casts

  bool Has(std::string_view flag) const;
  std::optional<std::string> Value(std::string_view key) const;
};

// What a command is given: the words after the command word and the --home
// folder when one was given before the command.
struct CommandLine {
  std::vector<std::string> words;
  std::optional<std::string> home;

  // The words read as positional arguments, options with a value and flags;
  // throws UsageError for an unknown option or a missing value.
  Args Read(const std::vector<std::string>& valueOptions,
            const std::vector<std::string>& flagOptions) const;
};

// --name as the window's name check takes it: letters a-z and A-Z only,
// given back as the game writes the name (GameName).
// `command` names the command in the message when --name is missing.
std::string NameOption(const Args& args, const std::string& command);

// A log whose file name names another character than NAME (eqlog_<Character>_<server>.txt)
// is refused, unless --other-name says to read it under NAME all the same:
// throws qorn::Error, naming the file's character.
void CheckLogCharacter(const Args& args, const std::string& logPath, const std::string& name);

// EVENT: a fight's number, from 1.
int32_t EventNumberArg(const std::string& text);

// EVENT as a stored fight of the parse database at `database`: its number and
// mob. Throws when the database is missing or holds no such fight.
Fight StoredFight(const std::string& database, const std::string& eventArg);

// Big buffered writes to stdout: a parse can print millions of lines.
class Out {
 public:
  Out() = default;
  Out(const Out&) = delete;
  Out& operator=(const Out&) = delete;
  ~Out();
  Out& operator<<(std::string_view s);
  // Log text (Windows-1252 bytes) as UTF-8.
  Out& Text(std::string_view s);
  // One line of tab-separated cells.
  Out& Row(const std::vector<std::string>& cells);
  // Throws qorn::Error when standard output cannot be written.
  void Flush();

 private:
  std::string buffer_;
};

// What getlog, previous and follow share (getlog_command.cpp).
// --timer SECONDS; none when it is not given, and the command cuts with the
// timer of the stored fights (EventTimerToCutWith).
std::optional<int16_t> TimerOption(const Args& args);
// The overview's header line, as getlog prints it.
void PrintOverviewHeader(Out& out);
// Overview lines as getlog prints them, without the header.
void PrintOverviewRows(const std::vector<OverviewRow>& rows, Out& out);
// The stored fights' lines under the header, as getlog prints them, read from
// the parse database of `folder` a line at a time.
void PrintStoredOverview(const std::string& folder);
// Get Log with the progress bar on a terminal, and what the outcome tells on
// stderr. With `stop`, setting it stops the Get Log at its next step
// (qorn::Stopped is thrown and the stored parse is as it was).
// The outcome's EventList holds the fights' lines only with `keepOverview`;
// `readWhole` reads the whole log even when it only grew.
CommandOutcome RunGetLogWithBar(const std::string& folder, const std::string& logPath,
                                const std::string& charName, std::optional<int16_t> timer,
                                const std::atomic<bool>* stop = nullptr, bool keepOverview = true,
                                bool readWhole = false);
// Runs `run` with the command's bars on a terminal (the loop's, labelled with
// the stage); with `stop`, setting it stops the command at its next step.
void WithCommandBar(const std::atomic<bool>* stop, const std::function<void(CommandProgress)>& run);
// What an outcome tells besides the fights (a notice, no damage), on stderr.
void ReportOutcome(const std::string& notice, bool noDamage);

// The commands, one file each.
int ParseCommand(const CommandLine& line);                // parse_command.cpp
int GetLogCommand(const CommandLine& line, bool getLog);  // getlog_command.cpp
int ShowCommand(const CommandLine& line);                 // show_command.cpp
int GraphCommand(const CommandLine& line);                // graph_command.cpp
int ExportCommand(const CommandLine& line);               // export_command.cpp
int FollowCommand(const CommandLine& line);               // follow_command.cpp

}  // namespace qorn::cli
