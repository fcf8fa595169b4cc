// qorn: the window. Options: --home DIR, the folder of QornDB.mdb and Settings.ini;
// --help (see window_options.cpp).
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/window_options.h"
#include "common/error.h"
#include "commands/program_folder.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace {

bool HasDisplay(const qorn::WindowOptions& options) {
  if (options.platform) return true;  // the user chose one
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') return true;  // the user chose one
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // The command line is read before a display is looked for: --help and a
  // wrong option answer on any machine.
  const qorn::WindowOptions options = qorn::ReadWindowOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "qorn: %s\nTry 'qorn --help'.\n", options.error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(qorn::kWindowHelp, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (!HasDisplay(options)) {
    std::fprintf(stderr,
                 "qorn: there is no display to open the window on (DISPLAY is not set).\n"
                 "Run it on a desktop, or use the command-line tool: qorn-cli --help\n");
    return 1;
  }
  QApplication app(argc, argv);
  // The desktop entry and icon that an installed Qorn brings (none when run from the build).
  QGuiApplication::setDesktopFileName(QORN_APP_ID);
  QApplication::setWindowIcon(QIcon::fromTheme(QORN_APP_ID));
  std::string folder;
  try {
    folder = qorn::FindProgramFolder(options.home, QCoreApplication::applicationDirPath().toStdString());
  } catch (const qorn::Error& e) {
    std::fprintf(stderr, "qorn: %s\n", e.what());
    return 1;
  }
  qorn::QtDialogs dialogs;
  qorn::MainWindow window(folder, dialogs);
  window.show();
  return QApplication::exec();
}
