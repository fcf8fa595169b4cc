#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>
#include <memory>

#include "render/graph_chart.h"
#include "views/chart_grid.h"

class QChart;
class QChartView;
class QScrollBar;

namespace qorn {

// A bar chart of a ChartGrid in view (MSChart1, MSChart2), drawn as
// GraphChart draws it; hovering a bar shows its exact value. When the fight's
// ticks do not fit, the chart shows as many as fit and a scroll bar under it
// moves through the rest.
class GraphView : public QWidget {
  Q_OBJECT
 public:
  explicit GraphView(QWidget* parent = nullptr);
  ~GraphView() override;

  void SetGrid(ChartGrid grid);
  const ChartGrid& Grid() const { return drawing_->Grid(); }

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
  QChart* Chart() const { return drawing_->Chart(); }
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

  QChartView* view_ = nullptr;
  std::unique_ptr<GraphChart> drawing_;  // on the view's chart
  QScrollBar* scroll_ = nullptr;
  bool showAllTicks_ = false;
  int firstRow_ = 1;
  int visibleRows_ = 0;
};

class Dialogs;

// Graph copy ("Pic"): the whole chart, every tick, drawn by RenderGraph at
// the chart's WholePictureSize, as a picture on the clipboard, then the
// message that says so, also for an empty chart.
void CopyGraph(GraphView& chart, Dialogs& dialogs, QWidget* parent);

}  // namespace qorn
