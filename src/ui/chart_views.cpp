#include "ui/chart_views.h"

#include "ui/graph_view.h"

namespace qorn {

// A graph view's Show() runs its views/ function through runner_ and hands
// the ChartGrid to chart_->SetGrid(); until it does, a graph tab brings its
// frame into view as it stands.

TickGraphView::TickGraphView(GraphView* chart, std::string databasePath,
                             FillRunner::FailureHandler onFailure)
    : chart_(chart), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void TickGraphView::Clear() { runner_.Cancel(); }

void TickGraphView::Show(const Fight&) {}

DamageGraphView::DamageGraphView(GraphView* chart, std::string databasePath,
                                 FillRunner::FailureHandler onFailure)
    : chart_(chart), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void DamageGraphView::Clear() { runner_.Cancel(); }

void DamageGraphView::Show(const Fight&) {}

}  // namespace qorn
