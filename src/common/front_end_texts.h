#pragma once

#include <string_view>

namespace qorn {

// What the window titles and shows, and qorn-cli writes on stderr, for a log
// without damage.
inline constexpr std::string_view kNoDamageTitle = "What the duce?";
inline constexpr std::string_view kNoDamageMessage = "Dude, you have no damage in the log file!";

}  // namespace qorn
