#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

#include "views/fight_meter.h"

class QPainter;

namespace qorn {

// How the meter draws: its background's opacity in percent, and whether the
// fight it shows is over.
struct MeterLook {
  int Opacity = 80;
  bool Ended = false;
};

// The meter, `size` pixels big: the fight's mob (marked "ended" once it is
// over) and its damage, DPS and length, then a line per source as
// MeterLines gives them (name, damage, share, a DoT's uptime) over a thin
// bar as long as its damage beside the largest; what does not fit is
// counted in a last line. Without a fight, `idle` says why. The background
// is a dark glass at `look.Opacity`, the text opaque. Needs a running
// QGuiApplication.
void DrawMeter(QPainter& painter, QSize size, const std::optional<FightMeter>& meter,
               const MeterLook& look, const QString& idle);

// The same as a picture (for a look at it without a window).
QImage RenderMeter(QSize size, const std::optional<FightMeter>& meter, const MeterLook& look,
                   const QString& idle);

}  // namespace qorn
