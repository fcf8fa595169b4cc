#include "ui/chart_views.h"

#include "ui/graph_view.h"

namespace qorn {

namespace {

// What an empty chart says while no fight is chosen (as the Export entries say it).
constexpr const char* kNoFight = "No fight is selected. Choose one in the Damage list.";

}  // namespace

ChartTabView::ChartTabView(GraphView* chart, Draw draw, QString noHits, std::string databasePath,
                           FillRunner::FailureHandler onFailure)
    : chart_(chart),
      draw_(draw),
      noHits_(std::move(noHits)),
      databasePath_(std::move(databasePath)),
      runner_(std::move(onFailure)) {
  chart_->SetEmptyText(kNoFight);
}

void ChartTabView::Clear() {
  runner_.Cancel();
  chart_->SetEmptyText(kNoFight);
  chart_->SetGrid(ChartGrid());
}

void ChartTabView::Show(const Fight& fight) {
  runner_.Run(
      [draw = draw_, path = databasePath_, fight] { return draw(path, fight.EventNum, fight.Mob); },
      [chart = chart_, noHits = noHits_](ChartGrid grid) {
        chart->SetEmptyText(noHits);
        chart->SetGrid(std::move(grid));
      });
}

}  // namespace qorn
