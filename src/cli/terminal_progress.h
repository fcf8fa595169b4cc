#pragma once

#include <string>

#include "common/progress.h"

namespace qorn {

// Draws a progress bar on stderr, only when stderr is a terminal.
class TerminalProgress final : public Progress {
 public:
  explicit TerminalProgress(std::string label);
  ~TerminalProgress() override;
  void SetVisible(bool visible) override;
  void SetMaximum(double maximum) override;
  void SetValue(double value) override;
  void SetLabel(std::string label);

 private:
  void Draw();
  void Clear();

  bool enabled_;
  bool visible_ = false;
  bool drawn_ = false;
  double maximum_ = 100;
  double value_ = 0;
  int lastPercent_ = -1;
  std::string label_;
};

}  // namespace qorn
