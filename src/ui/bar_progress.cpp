#include "ui/bar_progress.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qorn {

template <typename F>
void BarProgress::Post(F&& apply) {
  QProgressBar* bar = bar_.data();
  if (bar == nullptr) return;
  QMetaObject::invokeMethod(
      bar, [bar, apply] { apply(bar); }, Qt::QueuedConnection);
}

void BarProgress::SetVisible(bool visible) {
  Post([visible](QProgressBar* bar) { bar->setVisible(visible); });
}

void BarProgress::SetMaximum(double maximum) {
  maximum_ = std::max(1, static_cast<int>(std::ceil(maximum)));
  shown_ = -1;
  const int max = maximum_;
  Post([max](QProgressBar* bar) { bar->setMaximum(max); });
}

void BarProgress::SetValue(double value) {
  const int v = std::clamp(static_cast<int>(value), 0, maximum_);
  // About two hundred steps over the whole bar are enough for the eye.
  if (shown_ >= 0 && v != 0 && v != maximum_ && std::abs(v - shown_) * 200 < maximum_) return;
  shown_ = v;
  Post([v](QProgressBar* bar) { bar->setValue(v); });
}

}  // namespace qorn
