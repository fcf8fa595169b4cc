#pragma once

#include <QRect>

namespace qorn {

// The window's geometry is given in twips; 15 twips make one pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel; negative positions (out of view) too.
inline int Px(int twips) {
  return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                    : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
inline int Twips(int pixels) { return pixels * kTwipsPerPixel; }
inline QRect TwipRect(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(width), Px(height)};
}

}  // namespace qorn
