#pragma once

#include <functional>
#include <string>

class QImage;

#include "views/chart_grid.h"

namespace qorn {

// The charts' size at design: 11295 x 6375 twips.
inline constexpr int kGraphDesignWidth = 753;
inline constexpr int kGraphDesignHeight = 425;

// `grid` drawn as the window draws its charts, every tick at once, at
// `width` x `height` pixels, as PNG bytes; more ticks than `width` are summed
// into at most `width` bars (see GroupRows). Needs no display: without a
// running application it starts Qt on its offscreen platform for the call.
std::string GraphPng(const ChartGrid& grid, int width, int height);

// The picture `draw` makes as PNG bytes, with Qt started on its offscreen
// platform for the call when no application runs. Throws qorn::Error.
std::string DrawnPng(const std::function<QImage()>& draw);

}  // namespace qorn
