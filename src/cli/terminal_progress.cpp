#include "cli/terminal_progress.h"

#include <algorithm>
#include <cstdio>

#include "platform/process.h"

namespace qorn {

TerminalProgress::TerminalProgress(std::string label)
    : enabled_(platform::IsTerminal(platform::StandardStream::Error)), label_(std::move(label)) {}

TerminalProgress::~TerminalProgress() { Clear(); }

void TerminalProgress::SetVisible(bool visible) {
  visible_ = visible;
  if (!visible) Clear();
  lastPercent_ = -1;
  Draw();
}

void TerminalProgress::SetMaximum(double maximum) {
  maximum_ = maximum;
  Draw();
}

void TerminalProgress::SetValue(double value) {
  value_ = value;
  Draw();
}

void TerminalProgress::SetLabel(std::string label) {
  label_ = std::move(label);
  lastPercent_ = -1;
  Draw();
}

void TerminalProgress::Draw() {
  if (!enabled_ || !visible_) return;
  const double ratio = maximum_ > 0 ? std::clamp(value_ / maximum_, 0.0, 1.0) : 0.0;
  const int percent = static_cast<int>(ratio * 100);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(ratio * kWidth);
  std::fprintf(stderr, "\r%-12s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
               std::string(kWidth - filled, ' ').c_str(), percent);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::Clear() {
  if (!enabled_ || !drawn_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace qorn
