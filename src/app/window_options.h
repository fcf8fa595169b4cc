#pragma once

#include <optional>
#include <string>

namespace qorn {

// The window's command line: --home DIR, --help, and the options of Qt's own
// that QApplication takes (-platform NAME, -style NAME, ...), which are left
// in place for it. Read before any window or display is opened, so that
// --help and a wrong option answer without a display.
struct WindowOptions {
  std::optional<std::string> home;
  bool help = false;
  // -platform NAME was given: Qt opens that platform, a display or not.
  bool platform = false;
  // Set when the command line is wrong: what is wrong with it.
  std::string error;
};

WindowOptions ReadWindowOptions(int argc, const char* const* argv);

// What `qorn --help` prints.
extern const char* const kWindowHelp;

}  // namespace qorn
