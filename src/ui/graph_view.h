#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>

#include "views/chart_grid.h"

class QChart;
class QChartView;
class QGraphicsSimpleTextItem;
class QScrollBar;

namespace qorn {

// A bar chart of a ChartGrid (MSChart1, MSChart2): a series per column in the
// palette's colours, the rows along a "Tick" axis, "Damage" up the side, the
// legend on the right and the footnote under the chart; hovering a bar shows
// its exact value. Each tick keeps a width its bars can be seen at: when the
// fight's ticks do not fit, the chart shows as many as fit and a scroll bar
// under it moves through the rest. Axis labels are thinned to every 2nd, 5th,
// 10th ... tick where they would overlap.
class GraphView : public QWidget {
  Q_OBJECT
 public:
  explicit GraphView(QWidget* parent = nullptr);

  void SetGrid(ChartGrid grid);
  const ChartGrid& Grid() const { return grid_; }

  // The chart as it stands in view, legend and footnote included.
  QImage Picture();

  // Every tick at once, whatever the width (for pictures of a whole fight).
  void SetShowAllTicks(bool all);

  // The size of a picture of the whole fight: the chart's size, wider where
  // its ticks need room to be seen, up to kMaxPictureWidth.
  QSize WholePictureSize() const;

  // The rows in view, from 1.
  int FirstRow() const { return firstRow_; }
  int VisibleRows() const { return visibleRows_; }
  QChart* Chart() const { return chart_; }
  QScrollBar* ScrollBar() const { return scroll_; }
  QString FootnoteShown() const;
  // What the chart says in its middle when it has no bar to draw (no fight,
  // a fight without hits of the graph's kind); empty says nothing.
  void SetEmptyText(const QString& text);
  // The text in the chart's middle, empty while bars are drawn.
  QString EmptyTextShown() const;
  // The tip of the bar under a point of the chart's viewport: its series,
  // tick and exact value; empty where no bar is.
  QString BarTipAt(QPoint viewportPos) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Relayout();
  void Redraw();
  void PlaceFootnote();
  void PlaceEmptyNote();
  double PlotWidthEstimate() const;
  double TickWidth() const;  // the narrowest a tick's group of bars may get, with its gap

  ChartGrid grid_;
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QGraphicsSimpleTextItem* footnote_ = nullptr;
  QGraphicsSimpleTextItem* emptyNote_ = nullptr;
  bool showAllTicks_ = false;
  int firstRow_ = 1;
  int visibleRows_ = 0;
  double axisMaximum_ = 0;
};

// The widest picture of a whole fight that "Pic" makes.
inline constexpr int kMaxPictureWidth = 10000;

// A picture of the whole of `grid` at `size` pixels, drawn offscreen; ticks
// summed into as many bars as the picture has pixels across where there are
// more.
QImage RenderGraph(const ChartGrid& grid, QSize size);

class Dialogs;

// Graph copy ("Pic"): the whole chart, every tick, drawn by RenderGraph at
// the chart's WholePictureSize, as a picture on the clipboard, then the
// message that says so, also for an empty chart.
void CopyGraph(GraphView& chart, Dialogs& dialogs, QWidget* parent);

}  // namespace qorn
