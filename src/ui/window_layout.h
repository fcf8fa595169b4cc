#pragma once

#include <optional>

namespace qorn {

// The window's outer size at design, in twips: client area 11730 x 7755 plus
// border, caption and menu bar.
inline constexpr int kDesignOuterWidth = 11850;
inline constexpr int kDesignOuterHeight = 8445;
// What the border, caption and menu bar add to the client area.
inline constexpr int kOuterExtraWidth = 120;
inline constexpr int kOuterExtraHeight = 690;

// The sizes of the groups that follow the window, in twips; a group whose
// new size would be negative is left as it was (nullopt).
struct WindowLayout {
  std::optional<int> frameHeight;
  std::optional<int> listHeight;  // lists and charts
  std::optional<int> frameWidth;
  std::optional<int> listWidth;
  std::optional<int> tabWidth;
};

// The sizes for outer width W and height H (twips), keeping the right and
// bottom margins of the design.
WindowLayout ComputeWindowLayout(int outerWidth, int outerHeight);

// The top of the two "Pic" buttons for a frame height.
inline int PicButtonTop(int frameHeight) { return frameHeight - 960; }

}  // namespace qorn
