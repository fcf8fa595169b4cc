#include "ui/meter_window.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSizeGrip>
#include <algorithm>

namespace qorn {

MeterWindow::MeterWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      menu_(new QMenu(this)),
      opacityGroup_(new QActionGroup(this)),
      grip_(new QSizeGrip(this)) {
  setObjectName("frmMeter");
  setWindowTitle("Qorn Meter");
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  // A size up from the dialogs' font: read at a glance beside a game.
  QFont big = font();
  big.setPointSizeF(std::max(10.0, big.pointSizeF() + 1));
  setFont(big);
  setMinimumSize(160, 80);
  resize(280, 190);

  QMenu* opacity = menu_->addMenu("&Opacity");
  opacity->setObjectName("mnuMeterOpacity");
  for (const int percent : kOpacities) {
    QAction* a = opacity->addAction(QString("%1%").arg(percent));
    a->setCheckable(true);
    a->setData(percent);
    opacityGroup_->addAction(a);
  }
  connect(opacityGroup_, &QActionGroup::triggered, this, [this](QAction* a) {
    SetOpacity(a->data().toInt());
    emit settingsChanged();
  });
  lock_ = menu_->addAction("&Lock in place");
  lock_->setObjectName("mnuMeterLock");
  lock_->setCheckable(true);
  connect(lock_, &QAction::toggled, this, [this](bool on) {
    if (on == locked_) return;
    SetLocked(on);
    emit settingsChanged();
  });
  menu_->addSeparator();
  copySummary_ = menu_->addAction("&Copy Summary");
  copySummary_->setObjectName("mnuMeterCopySummary");
  showMain_ = menu_->addAction("&Show the main window");
  showMain_->setObjectName("mnuMeterShowMain");
  close_ = menu_->addAction("C&lose");
  close_->setObjectName("mnuMeterClose");
  connect(close_, &QAction::triggered, this, &MeterWindow::closeChosen);
  SetOpacity(look_.Opacity);
}

void MeterWindow::SetFight(std::optional<FightMeter> meter, bool ended, const QString& idle) {
  meter_ = std::move(meter);
  look_.Ended = ended;
  idle_ = idle;
  copySummary_->setEnabled(meter_.has_value());
  update();
}

void MeterWindow::SetEnded(bool ended) {
  if (ended == look_.Ended) return;
  look_.Ended = ended;
  update();
}

void MeterWindow::SetOpacity(int percent) {
  look_.Opacity = percent;
  for (QAction* a : opacityGroup_->actions()) a->setChecked(a->data().toInt() == percent);
  update();
}

void MeterWindow::SetLocked(bool locked) {
  locked_ = locked;
  lock_->setChecked(locked);
  grip_->setVisible(!locked);
  dragFrom_.reset();
  // Clicks pass through a locked meter where the system can do it; the flag
  // takes effect when the window is shown again.
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowTransparentForInput, locked);
  if (shown) show();
}

void MeterWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawMeter(painter, size(), meter_, look_, idle_);
}

void MeterWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !locked_) {
    dragFrom_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void MeterWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
    move(event->globalPosition().toPoint() - *dragFrom_);
    event->accept();
    return;
  }
  QWidget::mouseMoveEvent(event);
}

void MeterWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (dragFrom_ && event->button() == Qt::LeftButton) {
    dragFrom_.reset();
    emit settingsChanged();
    event->accept();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void MeterWindow::contextMenuEvent(QContextMenuEvent* event) {
  menu_->popup(event->globalPos());
  event->accept();
}

void MeterWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  grip_->move(width() - grip_->sizeHint().width(), height() - grip_->sizeHint().height());
}

}  // namespace qorn
