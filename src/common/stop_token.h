#pragma once

#include <atomic>

#include "common/error.h"

namespace qorn {

// Thrown out of a command once the user has asked it to stop. A command that
// throws leaves the stored parse as it was, as on any failure.
class Stopped final : public Error {
 public:
  Stopped() : Error("The command was stopped.") {}
};

// The user's request to stop a command, looked at by the command at the
// steps where it may stop (between blocks of the log, between mobs of the
// cut, between stages before the stored file is replaced). A token made
// without a flag never stops. The flag is the caller's and outlives the
// command; setting it is all a stop button or a signal handler does.
class StopToken {
 public:
  StopToken() = default;
  explicit StopToken(const std::atomic<bool>& flag) : flag_(&flag) {}

  bool Requested() const { return flag_ != nullptr && flag_->load(std::memory_order_relaxed); }
  // Throws Stopped when a stop was asked for.
  void StopHere() const {
    if (Requested()) throw Stopped();
  }

 private:
  const std::atomic<bool>* flag_ = nullptr;
};

}  // namespace qorn
