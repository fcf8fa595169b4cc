#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qorn {

// The timer a fight is cut with when none was chosen or noted.
inline constexpr int16_t kDefaultEventTimerSeconds = 18;

// An event timer typed by the user: numeric text (optional sign, decimal
// part and exponent; blanks around it allowed) whose value v has
// -32000 < v < 32000, rounded to whole seconds with halves to the even
// neighbour (20.5 gives 20, 21.5 gives 22). nullopt for anything else.
std::optional<int16_t> ParseEventTimer(std::string_view text);

// Seconds as the timer box writes its items: hh:mm:ss with two digits each
// ("00:00:18"), a minus sign before a negative time.
std::string EventTimerText(int seconds);

}  // namespace qorn
