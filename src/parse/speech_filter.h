#pragma once

#include <string_view>

namespace qorn::parse {

// Whether the line's message, right behind the stamp, is speech: a name, a
// verb of speech and the quote it opens. What stands in the quote is of a
// player's choosing, never the game's.
bool IsSpeech(std::string_view line);

// Whether the line is speech or chat (a tell, a word to the guild): such a
// line yields nothing from any part of it, also not behind a "] " in the
// quote.
bool IsSpeechOrChat(std::string_view line);

}  // namespace qorn::parse
