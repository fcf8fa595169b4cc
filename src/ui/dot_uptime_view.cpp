#include "ui/dot_uptime_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include "render/uptime_lanes.h"

namespace qorn {
namespace {

constexpr const char* kWholeLogCaption = "DoT Uptime - whole log";

// What a fight's fill hands to the window: the list and the lanes.
struct UptimeFill {
  std::vector<ListRow> Rows;
  FightDots Dots;
};

}  // namespace

UptimeLanes::UptimeLanes(QScrollArea* area) : QWidget(area), area_(area) {
  area_->setWidget(this);
  area_->setWidgetResizable(false);
}

void UptimeLanes::SetDots(FightDots dots) {
  dots_ = std::move(dots);
  picked_ = -1;
  Fit();
  update();
}

void UptimeLanes::Pick(int lane) {
  if (lane == picked_) return;
  picked_ = lane;
  update();
}

void UptimeLanes::Fit() {
  const QSize view = area_->viewport()->size();
  const int width = UptimeLanesWidth(dots_.Seconds, view.width());
  // Room below for the horizontal scroll bar when the picture is wider.
  const int height = width > view.width()
                         ? view.height() - area_->horizontalScrollBar()->sizeHint().height()
                         : view.height();
  resize(width, std::max(height, 40));
}

void UptimeLanes::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, RenderUptimeLanes(dots_, size(), picked_));
}

DotUptimeView::DotUptimeView(ReportList* list, UptimeLanes* lanes, QGroupBox* frame,
                             const QCheckBox* wholeLog, std::string databasePath,
                             FillRunner::FailureHandler onFailure)
    : list_(list),
      lanes_(lanes),
      frame_(frame),
      wholeLog_(wholeLog),
      databasePath_(std::move(databasePath)),
      runner_(std::move(onFailure)) {
  QObject::connect(list_, &QTreeWidget::itemSelectionChanged, lanes_,
                   [this] { PickSelectedLane(); });
}

void DotUptimeView::Clear() {
  runner_.Cancel();
  list_->clear();
  lanes_->SetDots({});
}

void DotUptimeView::Show(const Fight& fight) {
  const bool wholeLog = wholeLog_->isChecked();
  if (wholeLog != wholeLogShown_ || list_->columnCount() == 0) {
    const BuffScope scope = wholeLog ? BuffScope::AllFights() : BuffScope::Fight(0);
    list_->SetColumns(DotUptimeColumns(scope), SortKinds(wholeLog));
    wholeLogShown_ = wholeLog;
  }
  if (wholeLog) {
    frame_->setTitle(kWholeLogCaption);
    lanes_->SetDots({});
    runner_.Run([path = databasePath_] { return DotUptime(path, BuffScope::AllFights()); },
                [list = list_](std::vector<ListRow> rows) { list->AddRows(rows); });
    return;
  }
  runner_.Run(
      [path = databasePath_, eventNum = fight.EventNum] {
        FightDots dots = ReadFightDots(path, eventNum);
        std::vector<ListRow> rows = FightUptimeLines(dots);
        return UptimeFill{std::move(rows), std::move(dots)};
      },
      [list = list_, lanes = lanes_](UptimeFill fill) {
        list->AddRows(fill.Rows);
        lanes->SetDots(std::move(fill.Dots));
      });
}

bool DotUptimeView::ShowWithoutFight() {
  // The whole log needs no fight chosen in the overview.
  if (!wholeLog_->isChecked()) return false;
  Show(Fight{});
  return true;
}

void DotUptimeView::PickSelectedLane() {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  int lane = -1;
  if (!selected.isEmpty()) {
    const std::string spell = selected.front()->text(0).toStdString();
    const std::vector<DotLane>& lanes = lanes_->Dots().Lanes;
    for (size_t i = 0; i < lanes.size(); ++i) {
      if (lanes[i].Spell == spell) lane = static_cast<int>(i);
    }
  }
  lanes_->Pick(lane);
}

std::vector<SortKind> DotUptimeView::SortKinds(bool wholeLog) {
  using enum SortKind;
  if (wholeLog) return {Text, WholeNumber, WholeNumber, Number, Number, Number};
  return {Text, WholeNumber, Number, WholeNumber, WholeNumber, WholeNumber, WholeNumber};
}

}  // namespace qorn
