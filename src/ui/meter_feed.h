#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ui/fight_view.h"
#include "ui/meter_window.h"

class QAction;

namespace qorn {

class LogFollower;
class MainWindow;

// What the meter shows, and when. Its fight is the newest one (the fight of
// the last line read) while Follow Log follows, else the fight selected in
// the overview. It reads that fight again, on a worker, when Follow has read
// new lines, when following starts or stops, when another fight is selected
// and when a command has cut the fights; and only while the meter is shown.
// Follow's own look (once a second) tells it when the quiet gap has passed
// and the fight is over. Its place, size, opacity and lock are kept in
// Settings.ini, and so is whether it is shown.
class MeterFeed final : public QObject {
  Q_OBJECT
 public:
  // `entry`: View › Meter, checkable; `lockEntry`: View › Lock Meter in Place.
  MeterFeed(MainWindow& window, LogFollower& follower, std::string programFolder, QAction* entry,
            QAction* lockEntry);
  ~MeterFeed() override;

  MeterWindow* Meter() const { return meter_.get(); }
  // Reads the meter's fight again (when the meter is shown).
  void Refresh();
  // Writes the meter's settings to Settings.ini.
  void SaveSettings();
  // A refresh is under way.
  bool Busy() const { return runner_.Busy(); }

 signals:
  // A refresh has ended and the meter shows its outcome.
  void refreshed();

 private:
  struct Reading;
  void ShowMeter();
  void Show(const Reading& reading);
  void UpdateEnded();
  bool EndedNow(const FightMeter& meter) const;
  void PlaceAtStart();

  MainWindow& window_;
  LogFollower& follower_;
  std::string programFolder_;
  std::string databasePath_;
  QAction* entry_;
  QAction* lockEntry_;
  std::unique_ptr<MeterWindow> meter_;
  FillRunner runner_;
  int16_t timer_;  // that cut the fight shown
  bool placed_ = false;
};

}  // namespace qorn
