#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorn {

// A command line qorn-cli cannot use; exit code 2 with the message.
struct UsageError {
  std::string message;
};

// The command line after the command word: positional arguments and --options.
struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> values;  // --name NAME
  std::vector<std::string> flags;                          // --casts

  bool Has(std::string_view flag) const {
    for (const auto& f : flags) {
      if (f == flag) return true;
    }
    return false;
  }
  std::optional<std::string> Value(std::string_view key) const {
    const auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

// The words of argv from `first` on; `valueOptions` take the next word as
// their value. Throws UsageError for an unknown option or a missing value.
Args ReadArgs(int argc, char** argv, int first, const std::vector<std::string>& valueOptions,
              const std::vector<std::string>& flagOptions);

}  // namespace qorn
