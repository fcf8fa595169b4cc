#include "render/uptime_lanes.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "common/series_palette.h"
#include "render/graph_png.h"

namespace qorn {
namespace {

constexpr int kMargin = 8;
constexpr int kLegendHeight = 22;
constexpr int kAxisHeight = 22;
constexpr int kMaxLaneHeight = 28;
constexpr int kMaxNameWidth = 260;
const QColor kDropColour(200, 0, 0);

// Where the parts of a picture lie.
struct LanesLayout {
  QRect plot;  // the lanes, without their names
  int nameLeft = kMargin;
  int laneHeight = 0;

  double X(int64_t second, int64_t seconds) const {
    return plot.left() + plot.width() * static_cast<double>(second) /
                             static_cast<double>(std::max<int64_t>(seconds, 1));
  }
  QRectF Lane(size_t lane) const {
    return QRectF(plot.left(), plot.top() + static_cast<double>(lane) * laneHeight, plot.width(),
                  laneHeight);
  }
};

QFont NameFont() {
  QFont font;
  font.setPointSizeF(8.5);
  return font;
}

LanesLayout LayoutOf(const FightDots& dots, QSize size) {
  LanesLayout layout;
  const QFontMetrics metrics(NameFont());
  int names = 0;
  for (const DotLane& lane : dots.Lanes) {
    names = std::max(names, metrics.horizontalAdvance(QString::fromStdString(lane.Spell)));
  }
  names = std::min({names, kMaxNameWidth, size.width() / 3});
  const int left = kMargin + names + kMargin;
  const int top = kMargin + kLegendHeight;
  const int height = std::max(0, size.height() - top - kAxisHeight - kMargin);
  const int lanes = static_cast<int>(std::max<size_t>(dots.Lanes.size(), 1));
  layout.laneHeight = std::clamp(height / lanes, 1, kMaxLaneHeight);
  layout.plot = QRect(left, top, std::max(1, size.width() - left - kMargin * 2),
                      layout.laneHeight * static_cast<int>(dots.Lanes.size()));
  return layout;
}

// A step between the axis's labels of at least `minPx` pixels: 1, 2, 5, 10,
// 15, 30 seconds, then whole minutes of the same steps.
int64_t AxisStep(int64_t seconds, double width, double minPx) {
  static constexpr int64_t kSteps[] = {1,   2,   5,   10,   15,   30,   60,   120,
                                       300, 600, 900, 1800, 3600, 7200, 18000};
  for (int64_t step : kSteps) {
    if (width * static_cast<double>(step) / static_cast<double>(std::max<int64_t>(seconds, 1)) >=
        minPx) {
      return step;
    }
  }
  return std::max<int64_t>(seconds, 1);
}

// Seconds while the labels step by seconds, then minutes.
QString AxisLabel(int64_t second, int64_t step) {
  if (step < 60) return QString::number(second) + " s";
  return QString::number(second / 60) + " min";
}

void DrawLegend(QPainter& p, const LanesLayout& layout) {
  const int y = kMargin;
  int x = layout.plot.left();
  const QFontMetrics metrics(p.font());
  auto entry = [&](const QBrush& brush, const QPen& pen, const QString& text) {
    p.setPen(pen);
    p.setBrush(brush);
    p.drawRect(QRect(x, y + 4, 18, 10));
    p.setPen(Qt::black);
    p.drawText(QPoint(x + 24, y + 4 + metrics.ascent() - 1), text);
    x += 24 + metrics.horizontalAdvance(text) + 18;
  };
  const Rgb first = SlotColour(DotSourceSlot(0));
  entry(QColor(first.Red, first.Green, first.Blue), QPen(Qt::black), "ticking");
  entry(QBrush(kDropColour, Qt::BDiagPattern), QPen(kDropColour),
        "dropped (no tick for over " + QString::number(kDotDropGap) + " s)");
}

}  // namespace

int UptimeLanesWidth(int64_t seconds, int minimum) {
  const int64_t wanted = seconds + kMaxNameWidth + 4 * kMargin;
  return static_cast<int>(std::clamp<int64_t>(wanted, minimum, 30000));
}

int UptimeLaneAt(const FightDots& dots, QSize size, int y) {
  const LanesLayout layout = LayoutOf(dots, size);
  if (y < layout.plot.top() || y >= layout.plot.bottom() + 1 || layout.laneHeight <= 0) return -1;
  const int lane = (y - layout.plot.top()) / layout.laneHeight;
  return lane < static_cast<int>(dots.Lanes.size()) ? lane : -1;
}

QImage RenderUptimeLanes(const FightDots& dots, QSize size, int pickedLane) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setFont(NameFont());
  const QFontMetrics metrics(p.font());
  if (dots.Lanes.empty()) {
    p.drawText(image.rect(), Qt::AlignCenter, "No DoT hit this fight's mob.");
    return image;
  }
  const LanesLayout layout = LayoutOf(dots, size);
  DrawLegend(p, layout);
  const int64_t seconds = dots.Seconds;
  const int nameWidth = layout.plot.left() - 2 * kMargin;
  for (size_t i = 0; i < dots.Lanes.size(); ++i) {
    const DotLane& lane = dots.Lanes[i];
    const QRectF row = layout.Lane(i);
    const bool picked = static_cast<int>(i) == pickedLane;
    if (picked) {
      p.fillRect(QRectF(0, row.top(), size.width(), row.height()), QColor(255, 240, 170));
    } else if (i % 2 == 1) {
      p.fillRect(row, QColor(246, 246, 246));
    }
    QFont font = p.font();
    font.setBold(picked);
    p.setFont(font);
    p.setPen(Qt::black);
    const QString name =
        metrics.elidedText(QString::fromStdString(lane.Spell), Qt::ElideRight, nameWidth);
    p.drawText(QRectF(kMargin, row.top(), nameWidth, row.height()),
               Qt::AlignVCenter | Qt::AlignLeft, name);
    const double barTop = row.top() + row.height() * 0.2;
    const double barHeight = std::max(1.0, row.height() * 0.6);
    // A drop's box first: the tick that ends it covers its last six seconds.
    for (const SecondSpan& drop : DropSpans(lane.Hits)) {
      const double x0 = layout.X(drop.From, seconds);
      const double x1 = std::max(layout.X(drop.To, seconds), x0 + 2);
      const QRectF box(x0, row.top() + 1, x1 - x0, row.height() - 2);
      p.fillRect(box, QBrush(kDropColour, Qt::BDiagPattern));
      p.setPen(QPen(kDropColour, 1));
      p.setBrush(Qt::NoBrush);
      p.drawRect(box);
    }
    const Rgb c = SlotColour(DotSourceSlot(i));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(c.Red, c.Green, c.Blue));
    for (const SecondSpan& span : TickingSpans(lane.Hits, seconds)) {
      const double x0 = layout.X(span.From, seconds);
      const double x1 = std::max(layout.X(span.To, seconds), x0 + 1);
      p.drawRect(QRectF(x0, barTop, x1 - x0, barHeight));
    }
  }
  // The axis: seconds from the fight's start.
  p.setFont(NameFont());
  p.setPen(Qt::black);
  const int axisY = layout.plot.bottom() + 1;
  p.drawLine(layout.plot.left(), axisY, layout.plot.right(), axisY);
  const int64_t step = AxisStep(seconds, layout.plot.width(), 48);
  for (int64_t s = 0; s <= seconds; s += step) {
    const int x = static_cast<int>(layout.X(s, seconds));
    p.setPen(QColor(0, 0, 0, 40));
    p.drawLine(x, layout.plot.top(), x, axisY);
    p.setPen(Qt::black);
    p.drawLine(x, axisY, x, axisY + 4);
    const QString label = AxisLabel(s, step);
    const int w = metrics.horizontalAdvance(label);
    p.drawText(QPoint(std::min(x - w / 2 + (s == 0 ? w / 2 : 0), size.width() - w - 1),
                      axisY + 5 + metrics.ascent()),
               label);
  }
  return image;
}

std::string UptimeLanesPng(const FightDots& dots, int width, int height) {
  return DrawnPng([&] { return RenderUptimeLanes(dots, QSize(width, height)); });
}

}  // namespace qorn
