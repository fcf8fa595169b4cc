#include "render/graph_chart.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QLegend>
#include <QPainter>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "common/series_palette.h"
#include "views/tick_graphs.h"

namespace qorn {
namespace {

// The narrowest a bar and the gap between two ticks' groups of bars may get.
constexpr double kMinBarPx = 2;
constexpr double kTickGapPx = 4;

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

GraphChart::GraphChart(QChart* chart) : chart_(chart) {
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setBackgroundRoundness(0);
  chart_->layout()->setContentsMargins(0, 0, 0, 0);
  footnote_ = new QGraphicsSimpleTextItem(chart_);
  emptyNote_ = new QGraphicsSimpleTextItem(chart_);
  emptyNote_->setZValue(10);
  QFont noteFont = emptyNote_->font();
  noteFont.setPointSizeF(noteFont.pointSizeF() * 1.25);
  emptyNote_->setFont(noteFont);
}

void GraphChart::SetGrid(ChartGrid grid) {
  grid_ = std::move(grid);
  // A little room above the highest bar.
  axisMaximum_ = static_cast<double>(std::max<int64_t>(LargestCell(grid_), 10)) * 1.04;
  footnote_->setText(Text(grid_.FootnoteText()));
  chart_->legend()->setVisible(grid_.ShowLegend());
}

void GraphChart::FitLegend(const QFont& base, int height) {
  // The legend has no second column: with many series its font gets smaller
  // until every entry fits the chart's height, down to a size still read.
  QFont legendFont = base;
  const int entries = std::max(1, grid_.ColumnCount());
  while (legendFont.pointSizeF() > 6.0 &&
         (QFontMetrics(legendFont).height() + 10) * entries > height - 60) {
    legendFont.setPointSizeF(legendFont.pointSizeF() - 0.5);
  }
  chart_->legend()->setFont(legendFont);
}

double GraphChart::PlotWidthEstimate(double chartWidth) const {
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
  return std::max(40.0, chartWidth - legend - axis - 40);
}

double GraphChart::TickWidth() const {
  return std::max(1, grid_.ColumnCount()) * kMinBarPx + kTickGapPx;
}

int GraphChart::TicksFitting(double chartWidth) const {
  return std::max(1, static_cast<int>(PlotWidthEstimate(chartWidth) / TickWidth()));
}

void GraphChart::Draw(int first, int count, double chartWidth) {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
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
    const double tickPx = PlotWidthEstimate(chartWidth) / count;
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

QString GraphChart::FootnoteShown() const { return footnote_->text(); }

void GraphChart::SetEmptyText(const QString& text) {
  emptyNote_->setText(text);
  PlaceEmptyNote();
}

QString GraphChart::EmptyTextShown() const {
  return emptyNote_->isVisible() ? emptyNote_->text() : QString();
}

void GraphChart::PlaceEmptyNote() {
  emptyNote_->setVisible(LargestCell(grid_) == 0 && !emptyNote_->text().isEmpty());
  const QRectF text = emptyNote_->boundingRect();
  const QRectF area = chart_->plotArea();
  emptyNote_->setPos(area.center().x() - text.width() / 2, area.center().y() - text.height() / 2);
}

void GraphChart::PlaceFootnote() {
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
  QGraphicsScene scene;
  auto* chart = new QChart;  // the scene's
  scene.addItem(chart);
  chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
  GraphChart drawing(chart);
  // No more bars than the picture has pixels across: ticks that would not
  // get a pixel of their own are summed into one bar, so that the cost of a
  // fight of weeks is that of the picture.
  drawing.SetGrid(grid.RowCount() > size.width() ? GroupRows(grid, size.width()) : grid);
  drawing.FitLegend(QGuiApplication::font(), size.height());
  drawing.Draw(1, drawing.Grid().RowCount(), size.width());
  // The chart lays out its legend and axes on the events that follow; the
  // footnote and the empty note then take their places in that layout.
  QCoreApplication::sendPostedEvents();
  chart->layout()->activate();
  drawing.PlaceFootnote();
  drawing.PlaceEmptyNote();
  QCoreApplication::sendPostedEvents();

  QImage picture(size, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), QRectF(QPointF(0, 0), QSizeF(size)));
  painter.end();
  return picture;
}

}  // namespace qorn
