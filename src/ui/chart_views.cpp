#include "ui/chart_views.h"

#include "ui/graph_view.h"

namespace qorn {

ChartTabView::ChartTabView(GraphView* chart, Draw draw, std::string databasePath,
                           FillRunner::FailureHandler onFailure)
    : chart_(chart),
      draw_(draw),
      databasePath_(std::move(databasePath)),
      runner_(std::move(onFailure)) {}

void ChartTabView::Clear() {
  runner_.Cancel();
  chart_->SetGrid(ChartGrid());
}

void ChartTabView::Show(const Fight& fight) {
  runner_.Run(
      [draw = draw_, path = databasePath_, fight] { return draw(path, fight.EventNum, fight.Mob); },
      [chart = chart_](ChartGrid grid) { chart->SetGrid(std::move(grid)); });
}

}  // namespace qorn
