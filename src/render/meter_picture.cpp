#include "render/meter_picture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <span>

#include "common/number_format.h"

namespace qorn {
namespace {

const QColor kText(240, 240, 240);
const QColor kDimText(170, 170, 180);
const QColor kEndedText(255, 190, 90);
const QColor kDotBar(232, 163, 61);
const QColor kPetBar(108, 192, 112);
const QColor kDirectBar(90, 169, 230);

constexpr int kMargin = 6;
constexpr int kBarHeight = 3;

QString Text(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QColor BarColour(const MeterSource& source) {
  switch (source.Kind) {
    case SourceKind::Pets:
      return kPetBar;
    case SourceKind::Direct:
      return kDirectBar;
    case SourceKind::Dot:
      break;
  }
  return kDotBar;
}

}  // namespace

void DrawMeter(QPainter& painter, QSize size, const std::optional<FightMeter>& meter,
               const MeterLook& look, const QString& idle) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF whole(0, 0, size.width(), size.height());
  // The glass: the window's pixels are replaced, so a low opacity shows the
  // game behind it where the system composes windows.
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  QPainterPath glass;
  glass.addRoundedRect(whole.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
  painter.fillRect(whole, Qt::transparent);
  painter.fillPath(glass, QColor(16, 18, 24, std::clamp(look.Opacity, 0, 100) * 255 / 100));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setPen(QColor(255, 255, 255, 40));
  painter.drawPath(glass);

  QFont font = painter.font();
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics metrics(font);
  const QFontMetrics boldMetrics(bold);
  const int line = metrics.height();
  const int width = size.width() - 2 * kMargin;
  int y = kMargin;

  if (!meter) {
    painter.setFont(font);
    painter.setPen(kDimText);
    painter.drawText(QRect(kMargin, y, width, size.height() - 2 * kMargin),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, idle);
    painter.restore();
    return;
  }

  // The mob, and "ended" at the right once the fight is over.
  const QString ended = look.Ended ? QStringLiteral("ended") : QString();
  const int endedWidth = ended.isEmpty() ? 0 : metrics.horizontalAdvance(ended) + kMargin;
  painter.setFont(bold);
  painter.setPen(kText);
  painter.drawText(QRect(kMargin, y, width - endedWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                   boldMetrics.elidedText(Text(meter->Mob), Qt::ElideRight, width - endedWidth));
  if (!ended.isEmpty()) {
    painter.setFont(font);
    painter.setPen(kEndedText);
    painter.drawText(QRect(kMargin, y, width, line), Qt::AlignRight | Qt::AlignVCenter, ended);
  }
  y += line;
  painter.setFont(font);
  painter.setPen(kDimText);
  const QString figures = Text(FormatWhole(static_cast<double>(meter->Total))) + "  " +
                          Text(FormatTwoDecimals(meter->Dps)) + " DPS  " +
                          Text(MinutesSeconds(meter->Seconds));
  painter.drawText(QRect(kMargin, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(figures, Qt::ElideRight, width));
  y += line + kMargin / 2;

  // A line per source over its bar, as many as fit; the rest counted.
  const std::vector<ListRow> lines = MeterLines(*meter);
  const int rowHeight = line + kBarHeight + 2;
  const int64_t largest =
      meter->Sources.empty() ? 1 : std::max<int64_t>(1, meter->Sources[0].Damage);
  // The figures stand in columns at the right, never cut; the names take
  // what is left, cut with "..." where they are longer.
  const int gap = metrics.horizontalAdvance("  ");
  int damageWidth = 0;
  bool anyUptime = false;
  // Only the lines that fit are measured: a fight of a thousand sources
  // costs no more than one of ten.
  const size_t fitting =
      std::min(lines.size(), static_cast<size_t>(std::max(0, size.height() - y) / rowHeight + 1));
  for (const ListRow& cells : std::span(lines).first(fitting)) {
    damageWidth = std::max(damageWidth, metrics.horizontalAdvance(Text(cells[1])));
    anyUptime = anyUptime || !cells[3].empty();
  }
  const int shareWidth = metrics.horizontalAdvance("100%");
  const int uptimeWidth = anyUptime ? metrics.horizontalAdvance("up 100%") : 0;
  const int right = kMargin + width;
  const int uptimeLeft = right - uptimeWidth;
  const int shareLeft = uptimeLeft - (anyUptime ? gap : 0) - shareWidth;
  const int damageLeft = shareLeft - gap - damageWidth;
  const int nameWidth = std::max(0, damageLeft - gap - kMargin);
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool last = i + 1 == lines.size();
    if (y + rowHeight > size.height() - kMargin && !last) {
      painter.setPen(kDimText);
      painter.drawText(QRect(kMargin, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                       QString("+%1 more").arg(lines.size() - i));
      break;
    }
    if (y + line > size.height()) break;
    const ListRow& cells = lines[i];
    const auto cell = [&](int left, int cellWidth, const QString& text, int align) {
      painter.drawText(QRect(left, y, cellWidth, line), align | Qt::AlignVCenter, text);
    };
    painter.setPen(kText);
    cell(kMargin, nameWidth, metrics.elidedText(Text(cells[0]), Qt::ElideRight, nameWidth),
         Qt::AlignLeft);
    cell(damageLeft, damageWidth, Text(cells[1]), Qt::AlignRight);
    painter.setPen(kDimText);
    cell(shareLeft, shareWidth, Text(cells[2]), Qt::AlignRight);
    if (!cells[3].empty()) cell(uptimeLeft, uptimeWidth, "up " + Text(cells[3]), Qt::AlignRight);
    const MeterSource& source = meter->Sources[i];
    const double share = static_cast<double>(source.Damage) / static_cast<double>(largest);
    painter.fillRect(QRectF(kMargin, y + line, width, kBarHeight), QColor(255, 255, 255, 30));
    painter.fillRect(QRectF(kMargin, y + line, width * std::clamp(share, 0.0, 1.0), kBarHeight),
                     BarColour(source));
    y += rowHeight;
  }
  painter.restore();
}

QImage RenderMeter(QSize size, const std::optional<FightMeter>& meter, const MeterLook& look,
                   const QString& idle) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  DrawMeter(painter, size, meter, look, idle);
  return image;
}

}  // namespace qorn
