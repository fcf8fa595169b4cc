#pragma once

#include <atomic>
#include <cstddef>
#include <limits>

#include "common/error.h"

namespace qorn {

// A progress bar as the commands drive it: visible or not, a maximum and a
// value. The window forwards it to a real bar through queued signals; the CLI
// draws it on a terminal; tests record it.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetMaximum(double maximum) = 0;
  virtual void SetValue(double value) = 0;
};

// Progress that goes nowhere, for callers that do not show any.
class NullProgress final : public Progress {
 public:
  void SetVisible(bool) override {}
  void SetMaximum(double) override {}
  void SetValue(double) override {}
};

// Thrown out of a command once the user has asked it to stop. A command that
// throws leaves the stored parse as it was, as on any failure.
class Stopped final : public Error {
 public:
  Stopped() : Error("The command was stopped.") {}
};

// Progress that stops the command which drives it: once `stop` is set, the
// next value or maximum given (below `stopsBelow`) throws Stopped. A value
// from `stopsBelow` up passes on as it is: it marks a step after which the
// command can no longer be stopped.
class StoppableProgress final : public Progress {
 public:
  StoppableProgress(Progress& shown, const std::atomic<bool>& stop,
                    double stopsBelow = std::numeric_limits<double>::infinity())
      : shown_(shown), stop_(stop), stopsBelow_(stopsBelow) {}
  void SetVisible(bool visible) override { shown_.SetVisible(visible); }
  void SetMaximum(double maximum) override {
    StopHere(0);
    shown_.SetMaximum(maximum);
  }
  void SetValue(double value) override {
    StopHere(value);
    shown_.SetValue(value);
  }

 private:
  void StopHere(double value) const {
    if (value < stopsBelow_ && stop_.load(std::memory_order_relaxed)) throw Stopped();
  }

  Progress& shown_;
  const std::atomic<bool>& stop_;
  double stopsBelow_;
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
