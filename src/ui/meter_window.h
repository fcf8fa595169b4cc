#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>

#include "render/meter_picture.h"
#include "views/fight_meter.h"

class QAction;
class QActionGroup;
class QMenu;
class QSizeGrip;

namespace qorn {

// The meter: a small frameless window over every other (the game's
// included) that shows one fight at a glance (DrawMeter). It never takes
// the keyboard focus: it is shown without being activated and accepts no
// focus. Dragged by any point to move, by its corner grip to resize; its
// context menu holds the opacity of its background, "Lock in place" (it then
// neither moves nor resizes, and where the system allows it, clicks pass
// through it to the window below), "Copy Summary", "Show the main window"
// and "Close". It draws only when what it shows changes.
class MeterWindow final : public QWidget {
  Q_OBJECT
 public:
  // The opacities its context menu offers, in percent.
  static constexpr int kOpacities[] = {100, 80, 60, 40};

  MeterWindow();

  // Shows `meter` (none: `idle` says why), and whether its fight is over.
  void SetFight(std::optional<FightMeter> meter, bool ended, const QString& idle = {});
  void SetEnded(bool ended);
  const std::optional<FightMeter>& Fight() const { return meter_; }
  bool Ended() const { return look_.Ended; }
  QString Idle() const { return idle_; }

  void SetOpacity(int percent);
  int Opacity() const { return look_.Opacity; }
  void SetLocked(bool locked);
  bool Locked() const { return locked_; }

  QMenu* ContextMenu() const { return menu_; }
  QAction* LockAction() const { return lock_; }
  QAction* CopySummaryAction() const { return copySummary_; }
  QAction* ShowMainAction() const { return showMain_; }
  QAction* CloseAction() const { return close_; }

 signals:
  // The user moved it, resized it or changed its opacity or lock.
  void settingsChanged();
  // Its "Close" was chosen.
  void closeChosen();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::optional<FightMeter> meter_;
  MeterLook look_;
  QString idle_;
  bool locked_ = false;
  std::optional<QPoint> dragFrom_;  // the press's offset from the top left, while dragging
  QMenu* menu_;
  QActionGroup* opacityGroup_;
  QAction* lock_;
  QAction* copySummary_;
  QAction* showMain_;
  QAction* close_;
  QSizeGrip* grip_;
};

}  // namespace qorn
