#pragma once

#include <string>

#include "views/dot_uptime.h"

// Declared only, so that qorn-cli's PNG entry is read without Qt's headers.
class QImage;
class QSize;

namespace qorn {

// The lane picture of the DoT Uptime tab: a lane per DoT spell in the list's
// order, its name at the left, across the fight's seconds from its start; a
// bar in the spell's colour where it was ticking, a hatched red box over each
// drop, a legend of the two above and a seconds axis below. `pickedLane`
// (from 0; -1 none) is set off by a band behind it and a bold name.
// Needs a running QGuiApplication.
QImage RenderUptimeLanes(const FightDots& dots, QSize size, int pickedLane = -1);

// The lane at height `y` of a picture `size` pixels big; -1 where there is none.
int UptimeLaneAt(const FightDots& dots, QSize size, int y);

// The width a picture of a fight of `seconds` needs for every second to be
// told apart (a pixel each, besides the names), at least `minimum`.
int UptimeLanesWidth(int64_t seconds, int minimum);

// RenderUptimeLanes as PNG bytes; needs no display (see GraphPng).
std::string UptimeLanesPng(const FightDots& dots, int width, int height);

}  // namespace qorn
