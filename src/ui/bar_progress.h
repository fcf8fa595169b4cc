#pragma once

#include <QPointer>
#include <QProgressBar>

#include "common/progress.h"

namespace qorn {

// Progress reported from the worker thread, shown on a progress bar of the
// window: each change is posted to the window's thread, and values only when
// the bar would move visibly.
class BarProgress final : public Progress {
 public:
  explicit BarProgress(QProgressBar* bar) : bar_(bar) {}
  void SetVisible(bool visible) override;
  void SetMaximum(double maximum) override;
  void SetValue(double value) override;

 private:
  template <typename F>
  void Post(F&& apply);

  QPointer<QProgressBar> bar_;
  double count_ = 100;  // the maximum as given; the bar's own is scaled down past an int
  int maximum_ = 100;
  int shown_ = -1;
};

}  // namespace qorn
