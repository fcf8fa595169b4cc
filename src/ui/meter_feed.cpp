#include "ui/meter_feed.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <QTreeWidget>
#include <algorithm>

#include "commands/program_folder.h"
#include "common/error.h"
#include "common/event_timer.h"
#include "store/database.h"
#include "store/database_names.h"
#include "store/parse_state.h"
#include "ui/log_follower.h"
#include "ui/main_window.h"
#include "ui/settings_file.h"

namespace qorn {

struct MeterFeed::Reading {
  std::optional<FightMeter> meter;
  int16_t timer = kDefaultEventTimerSeconds;
};

namespace {

// The local time now, as the log writes its times.
DateTime Now() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return MakeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()}).value_or(0);
}

}  // namespace

MeterFeed::MeterFeed(MainWindow& window, LogFollower& follower, std::string programFolder,
                     QAction* entry, QAction* lockEntry)
    : QObject(&window),
      window_(window),
      follower_(follower),
      programFolder_(std::move(programFolder)),
      databasePath_(InProgramFolder(programFolder_, kDatabaseFile)),
      entry_(entry),
      lockEntry_(lockEntry),
      meter_(std::make_unique<MeterWindow>()),
      runner_([this](const QString& message) {
        meter_->SetFight(std::nullopt, false, message);
        emit refreshed();
      }),
      timer_(kDefaultEventTimerSeconds) {
  entry_->setCheckable(true);
  lockEntry_->setCheckable(true);
  lockEntry_->setEnabled(false);
  const MeterSettings settings = ReadMeterSettings(programFolder_);
  meter_->SetOpacity(settings.Opacity);
  meter_->SetLocked(settings.Locked);
  lockEntry_->setChecked(settings.Locked);
  if (settings.Place) {
    const MeterPlace& p = *settings.Place;
    const QRect place(p.X, p.Y, p.Width, p.Height);
    // A place on a screen that is no longer there falls back to the default.
    if (QGuiApplication::screenAt(place.center()) != nullptr) {
      meter_->setGeometry(place);
      placed_ = true;
    }
  }

  // Shown at start as it was left; the file already says so.
  if (settings.Shown) {
    entry_->setChecked(true);
    ShowMeter();
  }
  connect(entry_, &QAction::toggled, this, [this](bool shown) {
    if (shown) {
      ShowMeter();
    } else {
      runner_.Cancel();
      meter_->hide();
      lockEntry_->setEnabled(false);
    }
    SaveSettings();
  });
  connect(lockEntry_, &QAction::toggled, this, [this](bool on) {
    if (on == meter_->Locked()) return;
    meter_->SetLocked(on);
    SaveSettings();
  });
  connect(meter_.get(), &MeterWindow::settingsChanged, this, [this] {
    lockEntry_->setChecked(meter_->Locked());
    SaveSettings();
  });
  connect(meter_.get(), &MeterWindow::closeChosen, this, [this] { entry_->setChecked(false); });
  connect(meter_->ShowMainAction(), &QAction::triggered, &window_, [this] {
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
  });
  connect(meter_->CopySummaryAction(), &QAction::triggered, this, [this] {
    if (meter_->Fight()) {
      QGuiApplication::clipboard()->setText(
          QString::fromStdString(FightSummaryLine(*meter_->Fight())));
    }
  });
  connect(&follower_, &LogFollower::runFinished, this, [this] {
    if (follower_.Following()) Refresh();
  });
  connect(&follower_, &LogFollower::followingChanged, this, &MeterFeed::Refresh);
  connect(&follower_, &LogFollower::looked, this, &MeterFeed::UpdateEnded);
  connect(window_.ListView1, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!follower_.Following()) Refresh();
  });
  connect(&window_, &MainWindow::commandFinished, this, &MeterFeed::Refresh);
}

MeterFeed::~MeterFeed() { runner_.Cancel(); }

void MeterFeed::ShowMeter() {
  lockEntry_->setEnabled(true);
  if (!placed_) PlaceAtStart();
  meter_->show();
  Refresh();
}

void MeterFeed::PlaceAtStart() {
  // At the top right of the screen the main window is on.
  const QScreen* screen =
      window_.screen() != nullptr ? window_.screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect free = screen->availableGeometry();
    meter_->move(free.right() - meter_->width() - 24, free.top() + 24);
  }
  placed_ = true;
}

void MeterFeed::Refresh() {
  if (!meter_->isVisible()) return;
  std::optional<int32_t> fight;
  const bool following = follower_.Following();
  if (!following) {
    const std::optional<Fight> selected = window_.SelectedFight();
    if (!selected) {
      runner_.Cancel();
      meter_->SetFight(std::nullopt, false,
                       "No fight selected. Select one in Damage, or follow the log "
                       "(File › Follow Log) to see the fight under way.");
      emit refreshed();
      return;
    }
    fight = selected->EventNum;
  }
  runner_.Run(
      [path = databasePath_, following, fight] {
        Reading reading;
        Database db = OpenForView(path);
        const std::optional<int32_t> shown = following ? NewestFight(db) : fight;
        if (shown) reading.meter = ReadFightMeter(db, *shown);
        reading.timer = StoredCutTimer(db).value_or(kDefaultEventTimerSeconds);
        return reading;
      },
      [this](const Reading& reading) { Show(reading); });
}

void MeterFeed::Show(const Reading& reading) {
  timer_ = reading.timer;
  const bool ended = reading.meter && EndedNow(*reading.meter);
  meter_->SetFight(reading.meter, ended,
                   follower_.Following() ? "Following the log: no fight yet." : "No such fight.");
  emit refreshed();
}

bool MeterFeed::EndedNow(const FightMeter& meter) const {
  DateTime latest = Now();
  if (const auto lastLine = follower_.LastLine()) latest = std::max(latest, *lastLine);
  return FightEnded(meter.Last, latest, timer_);
}

void MeterFeed::UpdateEnded() {
  if (meter_->isVisible() && meter_->Fight()) meter_->SetEnded(EndedNow(*meter_->Fight()));
}

void MeterFeed::SaveSettings() {
  MeterSettings settings;
  settings.Shown = entry_->isChecked();
  settings.Locked = meter_->Locked();
  settings.Opacity = meter_->Opacity();
  if (placed_) {
    const QRect g = meter_->geometry();
    settings.Place = MeterPlace{g.x(), g.y(), g.width(), g.height()};
  }
  try {
    WriteMeterSettings(programFolder_, settings);
  } catch (const Error& e) {
    // The meter works on; only its place is not kept for the next start.
    qWarning("%s", e.what());
  }
}

}  // namespace qorn
