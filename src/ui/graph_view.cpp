#include "ui/graph_view.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QLegend>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "common/series_palette.h"
#include "ui/dialogs.h"
#include "views/tick_graphs.h"

namespace qorn {
namespace {

// The narrowest a bar and the gap between two ticks' groups of bars may get.
constexpr double kMinBarPx = 2;
constexpr double kTickGapPx = 4;
// The share of a tick's width its group of bars takes.
constexpr double kBarWidth = 0.85;

QColor ColourOf(int slot) {
  const Rgb c = SlotColour(slot);
  return {c.Red, c.Green, c.Blue};
}

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

int64_t LargestCell(const ChartGrid& grid) {
  int64_t most = 0;
  for (int r = 1; r <= grid.RowCount(); ++r) {
    for (int c = 1; c <= grid.ColumnCount(); ++c) most = std::max(most, grid.Data(r, c));
  }
  return most;
}

// Every how many ticks a label fits: 1, 2, 5, 10, 20, 50 ...
int LabelStep(double tickPx, double labelPx) {
  for (int step = 1;; step *= 10) {
    for (const int m : {1, 2, 5}) {
      if (tickPx * step * m >= labelPx || step > 1000000) return step * m;
    }
  }
}

}  // namespace

GraphView::GraphView(QWidget* parent) : QWidget(parent) {
  chart_ = new QChart;
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setBackgroundRoundness(0);
  chart_->layout()->setContentsMargins(0, 0, 0, 0);
  view_ = new QChartView(chart_, this);
  view_->setObjectName("chartView");
  view_->setRenderHint(QPainter::Antialiasing);
  view_->viewport()->installEventFilter(this);
  footnote_ = new QGraphicsSimpleTextItem(chart_);
  connect(chart_, &QGraphicsWidget::geometryChanged, this, &GraphView::PlaceFootnote);
  emptyNote_ = new QGraphicsSimpleTextItem(chart_);
  emptyNote_->setZValue(10);
  QFont noteFont = emptyNote_->font();
  noteFont.setPointSizeF(noteFont.pointSizeF() * 1.25);
  emptyNote_->setFont(noteFont);
  connect(chart_, &QChart::plotAreaChanged, this, &GraphView::PlaceEmptyNote);

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

void GraphView::SetGrid(ChartGrid grid) {
  grid_ = std::move(grid);
  // A little room above the highest bar.
  axisMaximum_ = static_cast<double>(std::max<int64_t>(LargestCell(grid_), 10)) * 1.04;
  firstRow_ = 1;
  footnote_->setText(Text(grid_.FootnoteText()));
  chart_->legend()->setVisible(grid_.ShowLegend());
  Relayout();
}

void GraphView::SetShowAllTicks(bool all) {
  showAllTicks_ = all;
  Relayout();
}

QString GraphView::FootnoteShown() const { return footnote_->text(); }

void GraphView::SetEmptyText(const QString& text) {
  emptyNote_->setText(text);
  PlaceEmptyNote();
}

QString GraphView::EmptyTextShown() const {
  return emptyNote_->isVisible() ? emptyNote_->text() : QString();
}

void GraphView::PlaceEmptyNote() {
  emptyNote_->setVisible(LargestCell(grid_) == 0 && !emptyNote_->text().isEmpty());
  const QRectF text = emptyNote_->boundingRect();
  const QRectF area = chart_->plotArea();
  emptyNote_->setPos(area.center().x() - text.width() / 2, area.center().y() - text.height() / 2);
}

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
  const auto series = chart_->series();
  const int columns = grid_.ColumnCount();
  if (series.isEmpty() || columns == 0 || visibleRows_ == 0) return {};
  const QPointF at =
      chart_->mapToValue(chart_->mapFromScene(view_->mapToScene(viewportPos)), series.front());
  // Tick i of the view is centred on x = i; its bars share kBarWidth of it.
  const int index = static_cast<int>(std::lround(at.x()));
  const double within = at.x() - index + kBarWidth / 2;
  if (index < 0 || index >= visibleRows_ || within < 0 || within >= kBarWidth) return {};
  const int column = std::min(columns, 1 + static_cast<int>(within / (kBarWidth / columns)));
  const int row = firstRow_ + index;
  const int64_t value = grid_.Data(row, column);
  if (at.y() < 0 || at.y() > static_cast<double>(value)) return {};
  return QString("%1\nTick %2: %3")
      .arg(Text(grid_.ColumnLabel(column)), Text(grid_.RowLabel(row)),
           Text(FormatWhole(static_cast<double>(value))));
}

double GraphView::PlotWidthEstimate() const {
  // The chart's width less the damage axis, the legend and the margins.
  const QFontMetrics metrics(chart_->font());
  double legend = 0;
  if (grid_.ShowLegend()) {
    int widest = 0;
    for (int c = 1; c <= grid_.ColumnCount(); ++c) {
      widest = std::max(widest, metrics.horizontalAdvance(Text(grid_.ColumnLabel(c))));
    }
    legend = widest + 50;
  }
  const double axis = metrics.horizontalAdvance(QString::number(axisMaximum_, 'f', 0)) + 50;
  return std::max(40.0, width() - legend - axis - 40);
}

double GraphView::TickWidth() const {
  return std::max(1, grid_.ColumnCount()) * kMinBarPx + kTickGapPx;
}

QSize GraphView::WholePictureSize() const {
  const double needed = width() - PlotWidthEstimate() + grid_.RowCount() * TickWidth();
  const int wide = static_cast<int>(std::min<double>(kMaxPictureWidth, std::ceil(needed)));
  return {std::max(width(), wide), height()};
}

void GraphView::Relayout() {
  // The legend has no second column: with many series its font gets smaller
  // until every entry fits the chart's height, down to a size still read.
  QFont legendFont = font();
  const int entries = std::max(1, grid_.ColumnCount());
  while (legendFont.pointSizeF() > 6.0 &&
         (QFontMetrics(legendFont).height() + 10) * entries > height() - 60) {
    legendFont.setPointSizeF(legendFont.pointSizeF() - 0.5);
  }
  chart_->legend()->setFont(legendFont);

  const int rows = grid_.RowCount();
  const int fitting = std::max(1, static_cast<int>(PlotWidthEstimate() / TickWidth()));
  visibleRows_ = showAllTicks_ ? rows : std::min(rows, fitting);
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

void GraphView::Redraw() {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
  const int first = firstRow_;
  const int count = visibleRows_;

  auto* series = new QBarSeries;
  for (int c = 1; c <= grid_.ColumnCount(); ++c) {
    auto* set = new QBarSet(Text(grid_.ColumnLabel(c)));
    const QColor colour = ColourOf(ColumnColourSlot(grid_, c));
    set->setColor(colour);
    // An outline a shade darker keeps white and yellow bars apart from the
    // background.
    set->setBorderColor(colour.darker(170));
    QList<qreal> values;
    values.reserve(count);
    for (int r = first; r < first + count; ++r) values.append(static_cast<qreal>(grid_.Data(r, c)));
    set->append(values);
    series->append(set);
  }
  series->setBarWidth(kBarWidth);
  chart_->addSeries(series);

  // The ticks along the bottom at the bars' positions 0 .. count - 1, one
  // label every `step` ticks so that none overlap.
  auto* ticks = new QCategoryAxis;
  ticks->setTitleText("Tick");
  ticks->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  ticks->setGridLineVisible(false);
  ticks->setRange(-0.5, std::max(0, count) - 0.5);
  if (count > 0) {
    const QFontMetrics metrics(ticks->labelsFont());
    int widest = 0;
    for (int r = first; r < first + count; ++r) {
      widest = std::max(widest, metrics.horizontalAdvance(Text(grid_.RowLabel(r))));
    }
    const double tickPx = PlotWidthEstimate() / count;
    const int step = LabelStep(tickPx, widest + 8);
    for (int r = first; r < first + count; ++r) {
      if ((r - 1) % step == 0) ticks->append(Text(grid_.RowLabel(r)), r - first);
    }
  }
  chart_->addAxis(ticks, Qt::AlignBottom);
  series->attachAxis(ticks);

  auto* damage = new QValueAxis;
  damage->setTitleText("Damage");
  damage->setLabelFormat("%.0f");
  damage->setRange(0, axisMaximum_);
  damage->applyNiceNumbers();
  chart_->addAxis(damage, Qt::AlignLeft);
  series->attachAxis(damage);
  PlaceFootnote();
  PlaceEmptyNote();
}

void GraphView::PlaceFootnote() {
  // Room under the plot for the footnote, centred as a chart's footnote is.
  const QRectF text = footnote_->boundingRect();
  QMargins margins = chart_->margins();
  margins.setBottom(static_cast<int>(text.height()) + 6);
  if (chart_->margins() != margins) chart_->setMargins(margins);
  const QRectF area = chart_->rect();
  footnote_->setPos(area.left() + (area.width() - text.width()) / 2,
                    area.bottom() - text.height() - 4);
}

QImage RenderGraph(const ChartGrid& grid, QSize size) {
  GraphView view;
  view.resize(size);
  view.layout()->activate();
  view.SetShowAllTicks(true);
  // No more bars than the picture has pixels across: ticks that would not
  // get a pixel of their own are summed into one bar, so that the cost of a
  // fight of weeks is that of the picture.
  view.SetGrid(grid.RowCount() > size.width() ? GroupRows(grid, size.width()) : grid);
  // The first drawing delivers the sizes a hidden widget holds back; the
  // chart lays out its legend and axes on the events that follow.
  view.Picture();
  QCoreApplication::sendPostedEvents();
  return view.Picture();
}

void CopyGraph(GraphView& chart, Dialogs& dialogs, QWidget* parent) {
  QGuiApplication::clipboard()->setImage(RenderGraph(chart.Grid(), chart.WholePictureSize()));
  dialogs.Message(parent, "Graph copy",
                  "The graph has been copied to your clipboard, go paste it into something.");
}

}  // namespace qorn
