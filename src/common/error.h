#pragma once

#include <stdexcept>
#include <string>

namespace qorn {

// The one failure the core reports: a message meant for the user, caught at the
// command boundary by the window or the CLI.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace qorn
