#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "views/chart_grid.h"

class QChart;
class QGraphicsSimpleTextItem;

namespace qorn {

// A bar chart of a ChartGrid drawn on a QChart: a series per column in the
// palette's colours, the rows along a "Tick" axis, "Damage" up the side, the
// legend on the right and the footnote under the chart. Each tick keeps a
// width its bars can be seen at; axis labels are thinned to every 2nd, 5th,
// 10th ... tick where they would overlap. The chart is the caller's (a view's
// or a picture's); this draws on it and holds no window.
class GraphChart {
 public:
  explicit GraphChart(QChart* chart);
  GraphChart(const GraphChart&) = delete;
  GraphChart& operator=(const GraphChart&) = delete;

  QChart* Chart() const { return chart_; }
  const ChartGrid& Grid() const { return grid_; }
  void SetGrid(ChartGrid grid);

  // The legend's font, smaller with many series until every entry fits a
  // chart `height` pixels high, down to a size still read.
  void FitLegend(const QFont& base, int height);
  // About how wide the bars' area of a chart `chartWidth` pixels wide is, and
  // the narrowest a tick's group of bars may get, with its gap.
  double PlotWidthEstimate(double chartWidth) const;
  double TickWidth() const;
  // How many ticks fit a chart `chartWidth` pixels wide (at least 1).
  int TicksFitting(double chartWidth) const;

  // Draws `count` rows from `firstRow` (from 1) across a chart `chartWidth`
  // pixels wide.
  void Draw(int firstRow, int count, double chartWidth);

  QString FootnoteShown() const;
  // What the chart says in its middle when it has no bar to draw; empty
  // says nothing.
  void SetEmptyText(const QString& text);
  QString EmptyTextShown() const;
  void PlaceFootnote();
  void PlaceEmptyNote();

 private:
  QChart* chart_;
  ChartGrid grid_;
  QGraphicsSimpleTextItem* footnote_ = nullptr;
  QGraphicsSimpleTextItem* emptyNote_ = nullptr;
  double axisMaximum_ = 0;
};

// The share of a tick's width its group of bars takes.
inline constexpr double kBarWidth = 0.85;

// The widest picture of a whole fight that "Pic" makes.
inline constexpr int kMaxPictureWidth = 10000;

// A picture of the whole of `grid` at `size` pixels, drawn offscreen; ticks
// summed into as many bars as the picture has pixels across where there are
// more. Needs a running QApplication.
QImage RenderGraph(const ChartGrid& grid, QSize size);

}  // namespace qorn
