#include "ui/graph_view.h"

#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGraphicsLayout>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "ui/dialogs.h"

namespace qorn {

GraphView::GraphView(QWidget* parent) : QWidget(parent) {
  auto* chart = new QChart;
  view_ = new QChartView(chart, this);  // the view's
  view_->setObjectName("chartView");
  view_->setRenderHint(QPainter::Antialiasing);
  view_->viewport()->installEventFilter(this);
  drawing_ = std::make_unique<GraphChart>(chart);
  connect(chart, &QGraphicsWidget::geometryChanged, this, [this] { drawing_->PlaceFootnote(); });
  connect(chart, &QChart::plotAreaChanged, this, [this] { drawing_->PlaceEmptyNote(); });

  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName("tickScroll");
  scroll_->hide();
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
    if (value + 1 != firstRow_) {
      firstRow_ = value + 1;
      Redraw();
    }
  });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_);
  layout->addWidget(scroll_);
  SetGrid(ChartGrid());
}

// The chart goes with the view after the drawing: it tells this no more.
GraphView::~GraphView() { disconnect(Chart(), nullptr, this, nullptr); }

void GraphView::SetGrid(ChartGrid grid) {
  drawing_->SetGrid(std::move(grid));
  firstRow_ = 1;
  Relayout();
}

void GraphView::SetShowAllTicks(bool all) {
  showAllTicks_ = all;
  Relayout();
}

QString GraphView::FootnoteShown() const { return drawing_->FootnoteShown(); }

void GraphView::SetEmptyText(const QString& text) { drawing_->SetEmptyText(text); }

QString GraphView::EmptyTextShown() const { return drawing_->EmptyTextShown(); }

QImage GraphView::Picture() { return view_->grab().toImage(); }

void GraphView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

bool GraphView::eventFilter(QObject* watched, QEvent* event) {
  // The exact value of the bar under the mouse. Worked out from the position
  // rather than from the bars' hover signals, which an inactive window does
  // not get.
  if (watched == view_->viewport() && event->type() == QEvent::MouseMove) {
    const auto* move = static_cast<QMouseEvent*>(event);
    const QString tip = BarTipAt(move->position().toPoint());
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(move->globalPosition().toPoint(), tip, view_);
    }
  }
  // The wheel over the chart moves through the ticks when they scroll.
  if (watched == view_->viewport() && event->type() == QEvent::Wheel && scroll_->isVisible()) {
    const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
    const int notches = (delta.x() != 0 ? delta.x() : delta.y()) / 120;
    scroll_->setValue(scroll_->value() - notches * std::max(1, scroll_->pageStep() / 4));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

QString GraphView::BarTipAt(QPoint viewportPos) const {
  QChart* chart = Chart();
  const ChartGrid& grid = Grid();
  const auto series = chart->series();
  const int columns = grid.ColumnCount();
  if (series.isEmpty() || columns == 0 || visibleRows_ == 0) return {};
  const QPointF at =
      chart->mapToValue(chart->mapFromScene(view_->mapToScene(viewportPos)), series.front());
  // Tick i of the view is centred on x = i; its bars share kBarWidth of it.
  const int index = static_cast<int>(std::lround(at.x()));
  const double within = at.x() - index + kBarWidth / 2;
  if (index < 0 || index >= visibleRows_ || within < 0 || within >= kBarWidth) return {};
  const int column = std::min(columns, 1 + static_cast<int>(within / (kBarWidth / columns)));
  const int row = firstRow_ + index;
  const int64_t value = grid.Data(row, column);
  if (at.y() < 0 || at.y() > static_cast<double>(value)) return {};
  return QString("%1\nTick %2: %3")
      .arg(QString::fromStdString(grid.ColumnLabel(column)),
           QString::fromStdString(grid.RowLabel(row)),
           QString::fromStdString(FormatWhole(static_cast<double>(value))));
}

QSize GraphView::WholePictureSize() const {
  const double needed = width() - drawing_->PlotWidthEstimate(width()) +
                        Grid().RowCount() * drawing_->TickWidth();
  const int wide = static_cast<int>(std::min<double>(kMaxPictureWidth, std::ceil(needed)));
  return {std::max(width(), wide), height()};
}

void GraphView::Relayout() {
  drawing_->FitLegend(font(), height());
  const int rows = Grid().RowCount();
  visibleRows_ = showAllTicks_ ? rows : std::min(rows, drawing_->TicksFitting(width()));
  const int hidden = rows - visibleRows_;
  firstRow_ = std::clamp(firstRow_, 1, std::max(1, hidden + 1));
  {
    const QSignalBlocker block(scroll_);
    scroll_->setRange(0, std::max(0, hidden));
    scroll_->setPageStep(std::max(1, visibleRows_));
    scroll_->setSingleStep(1);
    scroll_->setValue(firstRow_ - 1);
  }
  scroll_->setVisible(hidden > 0);
  Redraw();
}

void GraphView::Redraw() { drawing_->Draw(firstRow_, visibleRows_, width()); }

void CopyGraph(GraphView& chart, Dialogs& dialogs, QWidget* parent) {
  QGuiApplication::clipboard()->setImage(RenderGraph(chart.Grid(), chart.WholePictureSize()));
  dialogs.Message(parent, "Graph copy",
                  "The graph has been copied to your clipboard, go paste it into something.");
}

}  // namespace qorn
