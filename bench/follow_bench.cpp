// Times Follow Log in the window, drawn offscreen: from a damage line
// appended to the followed log to its fight in the overview. The log is
// copied into a throw-away folder that also holds the parse database; each
// round appends one line of a new mob an hour after the last line, at a
// random moment between two looks at the file.
// Usage: follow_bench LOG NAME [ROUNDS]
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "offscreen_qt.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "parse/log_file.h"
#include "parse/log_time.h"

namespace {

using qorn::bench::Stopwatch;

// Picks the log; a message is printed, as a failure would end the figures.
class BenchDialogs final : public qorn::Dialogs {
 public:
  explicit BenchDialogs(QString log) : log_(std::move(log)) {}
  void Message(QWidget*, const QString& title, const QString& text) override {
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
  }
  QString InputBox(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int Ask(QWidget*, const QString&, const QString&, const QStringList&) override { return 0; }
  QString OpenFile(QWidget*, const QString&, const QString&) override { return log_; }
  QString SaveFile(QWidget*, const QString&, const QString&) override { return {}; }

 private:
  QString log_;
};

// Runs the window's events until `done` holds; false after a minute.
template <typename Done>
bool RunUntil(Done done) {
  Stopwatch clock;
  while (!done()) {
    if (clock.Seconds() > 60) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// "[Mon Dec 10 05:15:04 2025]": the weekday is not read.
std::string Stamp(qorn::DateTime when) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const qorn::CivilTime t = qorn::ToCivil(when);
  char text[40];
  std::snprintf(text, sizeof text, "[Mon %s %02d %02d:%02d:%02d %04d]", kMonths[t.month - 1], t.day,
                t.hour, t.minute, t.second, t.year);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: follow_bench LOG NAME [ROUNDS]\n");
    return 2;
  }
  const std::string source = argv[1];
  const QString name = QString::fromLocal8Bit(argv[2]);
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  qorn::bench::UseOffscreenQt();
  QApplication app(argc, argv);

  std::string folderTemplate =
      (std::filesystem::temp_directory_path() / "follow-bench-XXXXXX").string();
  if (mkdtemp(folderTemplate.data()) == nullptr) return 1;
  const std::filesystem::path folder = folderTemplate;
  const std::string log = (folder / "log.txt").string();
  std::filesystem::copy_file(source, log);

  BenchDialogs dialogs(QString::fromStdString(log));
  int status = 0;
  {
    qorn::MainWindow window(folder.string(), dialogs);
    window.show();
    window.Yourname->setText(name);
    bool finished = false;
    QObject::connect(&window, &qorn::MainWindow::commandFinished, [&] { finished = true; });
    Stopwatch getLog;
    window.mnuOpen->trigger();
    if (!RunUntil([&] { return finished; })) return 1;
    std::printf("follow_bench %s (%.1f MB): first Get Log %.2f s, %d fights\n", source.c_str(),
                qorn::bench::FileSizeMB(source), getLog.Seconds(), window.ListView1->RowCount());
    window.mnuFollowLog->trigger();

    const qorn::LogFile opened(log);
    const auto last = qorn::LastLineTime(opened, opened.Size());
    std::mt19937 random(1);
    std::vector<double> ms;
    for (int round = 1; round <= rounds && status == 0; ++round) {
      // Anywhere between two looks at the file.
      Stopwatch pause;
      const double wait = std::uniform_real_distribution<double>(0, 1)(random);
      RunUntil([&] { return pause.Seconds() >= wait; });
      const std::string mob = "A latency gnoll " + std::to_string(round);
      const std::string line = Stamp(last.value_or(46000) + round / 24.0) + " " + mob +
                               " has taken 1234 damage from your Splurt.\r\n";
      std::ofstream(log, std::ios::binary | std::ios::app) << line;
      Stopwatch shown;
      const bool seen = RunUntil([&] {
        const int rows = window.ListView1->RowCount();
        return rows > 0 && window.ListView1->RowTexts(rows - 1).value(0).toStdString() == mob;
      });
      if (!seen) {
        std::fprintf(stderr, "round %d: the fight did not show within a minute\n", round);
        status = 1;
        break;
      }
      ms.push_back(shown.Seconds() * 1000);
      std::printf("  round %d: line to overview %.0f ms\n", round, ms.back());
    }
    if (!ms.empty()) std::printf("  line to overview: %s\n", qorn::bench::MinMedianMax(ms).c_str());
    window.mnuFollowLog->trigger();
  }
  std::filesystem::remove_all(folder);
  return status;
}
