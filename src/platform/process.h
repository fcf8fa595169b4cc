#pragma once

#include <atomic>
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace qorn::platform {

// The calendar time of `when` in the user's time zone.
std::tm LocalTime(std::time_t when);

long long ProcessId();

enum class StandardStream { Output, Error };
// Whether the stream goes to a terminal (a console window on Windows).
bool IsTerminal(StandardStream stream);

// Asks for the memory from `data` on in huge pages where the system gives
// them on request (Linux); nothing elsewhere.
void AdviseHugePages(void* data, size_t bytes);

// The program's arguments as UTF-8: as they are on POSIX; on Windows from
// the wide command line, since `argv` there is in the user's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Text written to a console is read as UTF-8, and the standard output and
// error are written byte for byte, a line ending in LF alone as on POSIX
// (Windows); nothing elsewhere.
void UseUtf8Console();

// While one lives, a stop asked of the program (SIGINT, that is Ctrl+C, or
// SIGTERM; on Windows Ctrl+C or Ctrl+Break) sets Requested() instead of
// ending it, and a second one ends the program as the system would. One at
// a time; the earlier handling is back when it goes.
class StopRequests {
 public:
  StopRequests();
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  const std::atomic<bool>& Flag() const;
  bool Requested() const { return Flag().load(); }
};

}  // namespace qorn::platform
