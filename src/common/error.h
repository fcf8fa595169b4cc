#pragma once

#include <stdexcept>
#include <string>

namespace qorn {

// The one failure the core reports: a message meant for the user, caught at the
// command boundary by the window or the CLI. `detail` says what failed
// underneath (the SQL text, the database engine's own words) for a developer;
// it is never shown to a player unasked.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message, std::string detail = {})
      : std::runtime_error(message), detail_(std::move(detail)) {}

  const std::string& Detail() const { return detail_; }

  // False when the failure changed what was stored (a damaged database was
  // moved aside), so the caller must not say that the stored fights are as
  // they were.
  bool StoredDataKept() const { return storedDataKept_; }
  Error& StoredDataChanged() {
    storedDataKept_ = false;
    return *this;
  }

  // True when another command was storing in the parse database at that
  // moment: the same command may go through a moment later.
  bool Busy() const { return busy_; }
  Error& OtherCommandStoring() {
    busy_ = true;
    return *this;
  }

 private:
  std::string detail_;
  bool storedDataKept_ = true;
  bool busy_ = false;
};

}  // namespace qorn
