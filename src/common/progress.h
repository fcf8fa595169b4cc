#pragma once

#include <cstddef>
#include <string_view>

namespace qorn {

// A progress bar as the commands drive it: visible or not, a maximum and a
// value. It only reports: a command stops by its StopToken, never through
// its progress. The window forwards it to a real bar through queued signals; the CLI
// draws it on a terminal; tests record it.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetMaximum(double maximum) = 0;
  virtual void SetValue(double value) = 0;
  // What the bar stands for now, in words (the stage bar names the step
  // that runs); a bar without a caption ignores it.
  virtual void SetCaption(std::string_view) {}
};

// Progress that goes nowhere, for callers that do not show any.
class NullProgress final : public Progress {
 public:
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double) override {}
};

// Passes a loop's progress on a few hundred times in all, not once per row.
class ProgressSteps {
 public:
  ProgressSteps(Progress& progress, size_t count)
      : progress_(progress), step_(count / 200 + 1), next_(step_) {}
  // `done` rows of the loop are through.
  void Done(size_t done) {
    if (done < next_) return;
    progress_.SetValue(static_cast<double>(done));
    next_ = done + step_;
  }

 private:
  Progress& progress_;
  size_t step_;
  size_t next_;
};

}  // namespace qorn
