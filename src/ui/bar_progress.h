#pragma once

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

#include "common/progress.h"

namespace qorn {

// Progress reported from the worker thread, shown on a progress bar of the
// window: each change is posted to the window's thread, and values only when
// the bar would move visibly. A caption goes to `caption` when there is one,
// before the value that follows it.
class BarProgress final : public Progress {
 public:
  explicit BarProgress(QProgressBar* bar, QLabel* caption = nullptr)
      : bar_(bar), caption_(caption) {}
  void SetVisible(bool visible) override;
  void SetMaximum(double maximum) override;
  void SetValue(double value) override;
  void SetCaption(std::string_view caption) override;

 private:
  template <typename F>
  void Post(F&& apply);

  QPointer<QProgressBar> bar_;
  QPointer<QLabel> caption_;
  double count_ = 100;  // the maximum as given; the bar's own is scaled down past an int
  int maximum_ = 100;
  int shown_ = -1;
};

}  // namespace qorn
