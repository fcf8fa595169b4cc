#include "ui/chart_views.h"

#include "ui/graph_view.h"
#include "views/tick_graphs.h"

namespace qorn {

TickGraphView::TickGraphView(GraphView* chart, std::string databasePath,
                             FillRunner::FailureHandler onFailure)
    : chart_(chart), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void TickGraphView::Clear() {
  runner_.Cancel();
  chart_->SetGrid(ChartGrid());
}

void TickGraphView::Show(const Fight& fight) {
  runner_.Run(
      [path = databasePath_, fight] { return DrawDotTickGraph(path, fight.EventNum, fight.Mob); },
      [chart = chart_](ChartGrid grid) { chart->SetGrid(std::move(grid)); });
}

DamageGraphView::DamageGraphView(GraphView* chart, std::string databasePath,
                                 FillRunner::FailureHandler onFailure)
    : chart_(chart), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void DamageGraphView::Clear() {
  runner_.Cancel();
  chart_->SetGrid(ChartGrid());
}

void DamageGraphView::Show(const Fight& fight) {
  runner_.Run(
      [path = databasePath_, fight] { return DrawAllDamageGraph(path, fight.EventNum, fight.Mob); },
      [chart = chart_](ChartGrid grid) { chart->SetGrid(std::move(grid)); });
}

}  // namespace qorn
