#include "parse/speech_filter.h"

#include "parse/byte_scan.h"
#include "parse/line_text.h"

namespace qorn::parse {
namespace {

// A spoken message: a name (one word, as players' names are), a verb of
// speech and the quote it opens: "NAME says, '", "NAME says '" (a pet's),
// "NAME shouts, '", "NAME auctions, '", "NAME says out of character, '",
// "NAME tells WHOM, '", and the character's own "You say, '" and the like.
// What stands in the quote is of a player's choosing, never the game's.
constexpr sv kSpeech[] = {"says, '",
                          "says '",
                          "shouts, '",
                          "auctions, '",
                          "says out of character, '",
                          "say, '",
                          "shout, '",
                          "auction, '",
                          "say out of character, '"};
constexpr sv kTelling[] = {"tells ", "tell ", "told "};  // then WHOM and ", '"
constexpr size_t kMaxSpeaker = 64;

}  // namespace

// Whether the line's message, right behind the stamp, is speech. Looks at the
// speaker's name and the words behind it only.
bool IsSpeech(sv line) {
  if (line.size() <= kMessageStart) return false;
  const sv message = line.substr(kMessageStart);
  const size_t blank = message.substr(0, kMaxSpeaker + 1).find(' ');
  if (blank == 0 || blank == npos) return false;
  const sv verb = message.substr(blank + 1);
  if (verb.empty()) return false;
  if (verb[0] == 't') {
    for (sv tell : kTelling) {
      if (StartsWith(verb, tell)) {
        return verb.substr(0, tell.size() + kMaxSpeaker + 3).find(", '", tell.size()) != npos;
      }
    }
    return false;
  }
  if (verb[0] != 's' && verb[0] != 'a') return false;
  for (sv speech : kSpeech) {
    if (StartsWith(verb, speech)) return true;
  }
  return false;
}

bool IsSpeechOrChat(sv line) {
  if (IsSpeech(line)) return true;
  const char* end = line.data() + line.size();
  return FindEither(line.data(), end, {"to your guild"}, {" tells "}) != end;
}

}  // namespace qorn::parse
