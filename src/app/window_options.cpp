#include "app/window_options.h"

#include <array>
#include <string_view>

namespace qorn {
namespace {

// Qt's own options, as QApplication reads them (one dash or two): those that
// take a value, and those that stand alone.
constexpr std::array<std::string_view, 12> kQtValueOptions = {
    "platform", "platformpluginpath", "platformtheme", "plugin",         "qwindowgeometry",
    "qwindowicon", "qwindowtitle",   "session",       "display",        "geometry",
    "style",    "stylesheet"};
constexpr std::array<std::string_view, 2> kQtFlags = {"reverse", "widgetcount"};

// "-style" and "--style" are the same option to Qt.
std::string_view QtName(std::string_view word) {
  if (word.starts_with("--")) return word.substr(2);
  if (word.starts_with("-")) return word.substr(1);
  return {};
}

template <size_t N>
bool OneOf(std::string_view name, const std::array<std::string_view, N>& names) {
  for (std::string_view n : names) {
    if (n == name) return true;
  }
  return false;
}

}  // namespace

const char* const kWindowHelp = R"(Usage: qorn [--home DIR] [Qt's options]

Opens the window of Qorn, which reads an EverQuest necromancer's log and
shows the damage of every fight: type the character's name, press "Get Log"
and pick the log file.

Options:
  --home DIR     the folder of the parse database QornDB.mdb and of
                 Settings.ini (default: $QORN_HOME, else the program's folder
                 when it runs where it was built, else ~/.local/share/qorn, as
                 always when it is installed).
  --help, -h     show this text.
  -platform NAME, -style NAME, -reverse, ...
                 Qt's own options, passed on to Qt.

The same commands without a window: qorn-cli --help.

Exit codes: 0 the window was closed, 1 it could not be opened (no display,
no folder for the files), 2 the command line was wrong.
)";

WindowOptions ReadWindowOptions(int argc, const char* const* argv) {
  WindowOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--help" || word == "-h") {
      options.help = true;
    } else if (word == "--home") {
      if (i + 1 >= argc) {
        options.error = "--home needs a folder";
        return options;
      }
      options.home = argv[++i];
    } else if (OneOf(QtName(word), kQtValueOptions)) {
      options.platform = options.platform || QtName(word) == "platform";
      if (i + 1 >= argc) {
        options.error = std::string(word) + " needs a value";
        return options;
      }
      ++i;
    } else if (OneOf(QtName(word), kQtFlags)) {
      // Qt's.
    } else if (word.starts_with("-")) {
      options.error = "unknown option " + std::string(word);
      return options;
    } else {
      options.error = "unexpected argument '" + std::string(word) + "'";
      return options;
    }
  }
  return options;
}

}  // namespace qorn
