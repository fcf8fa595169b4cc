#include "ui/chart_views.h"

#include <QChartView>

namespace qorn {

// The graphs are drawn by the chart views once their data model is in
// views/; until then a graph tab brings its empty frame into view.

TickGraphView::TickGraphView(QChartView* chart, std::string databasePath,
                             FillRunner::FailureHandler onFailure)
    : chart_(chart), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void TickGraphView::Clear() { runner_.Cancel(); }

void TickGraphView::Show(const Fight&) {}

DamageGraphView::DamageGraphView(QChartView* chart, std::string databasePath,
                                 FillRunner::FailureHandler onFailure)
    : chart_(chart), databasePath_(std::move(databasePath)), runner_(std::move(onFailure)) {}

void DamageGraphView::Clear() { runner_.Cancel(); }

void DamageGraphView::Show(const Fight&) {}

}  // namespace qorn
