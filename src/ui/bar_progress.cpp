#include "ui/bar_progress.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

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
  // The bar counts in int; a larger count (lines of a log past 2^31) is shown scaled down.
  constexpr double kLargest = std::numeric_limits<int>::max();
  count_ = maximum >= 1 ? std::ceil(maximum) : 1;
  maximum_ = static_cast<int>(std::min(count_, kLargest));
  shown_ = -1;
  const int max = maximum_;
  Post([max](QProgressBar* bar) { bar->setMaximum(max); });
}

void BarProgress::SetCaption(std::string_view caption) {
  if (caption_.isNull()) return;
  const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  // Through the bar's queue, so that it comes before the value that follows.
  Post([label = caption_, text](QProgressBar*) {
    if (!label.isNull()) label->setText(text);
  });
}

void BarProgress::SetValue(double value) {
  int v = 0;
  if (value >= count_) {
    v = maximum_;
  } else if (value > 0) {
    v = static_cast<int>(count_ == maximum_ ? value : value / count_ * maximum_);
  }
  // About two hundred steps over the whole bar are enough for the eye.
  if (shown_ >= 0 && v != 0 && v != maximum_ &&
      std::abs(static_cast<long long>(v) - shown_) * 200 < maximum_) {
    return;
  }
  shown_ = v;
  Post([v](QProgressBar* bar) { bar->setValue(v); });
}

}  // namespace qorn
