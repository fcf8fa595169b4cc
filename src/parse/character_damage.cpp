// The recognizer's family of the character's own damage: DoT ticks, direct damage
// named with the character's name, and the current client's "You hit".
#include "parse/line_parser.h"

#include <algorithm>
#include <iterator>
#include "parse/message_parts.h"

namespace qorn::parse {

void LineParser::DotRecord(sv line, size_t takenAt, size_t fromAt, bool crit) {
  // Where they stand in `line`: there if they fit, else nowhere.
  auto within = [line](size_t at, size_t length) { return at + length <= line.size() ? at : npos; };
  const size_t taken = within(takenAt, 9);
  if (taken < kMessageStart || line.compare(taken + 9, 1, " ") != 0) return;
  size_t end = 0;
  const auto amount = ReadAmount(line, taken + 10, end);
  if (!amount || line.compare(end, 7, " damage") != 0) return;
  const sv mob = TrimSpaces(line.substr(kMessageStart, taken - kMessageStart));
  const sv spell = TrimSpaces(Mid(line, within(fromAt, 16) + 17));
  if (mob.size() > kMaxTarget || spell.size() > kMaxTarget) return;
  out_.DotSeen = true;
  out_.LastMob = recent_.Intern(mob);
  AddDamage(charName_, out_.LastMob, *amount, kDot, recent_.Intern(spell), crit);
}

bool LineParser::IsSelf(sv mob) const {
  if (mob == charName_) return true;
  for (sv self : kSelves) {
    if (mob == self) return true;
  }
  return false;
}

void LineParser::DdRecord(sv line, size_t at, bool crit) {
  sv verb, mob;
  int32_t amount = 0;
  if (!VerbTargetAmount(line, at + charName_.size(), verb, mob, amount) || IsSelf(mob)) {
    return;
  }
  AddDamage(charName_, recent_.Intern(mob), amount, kDD, recent_.Intern(verb), crit);
}

void LineParser::YouHitRecord(sv line, sv untagged, bool crit) {
  for (sv message : messages_) {
    if (!StartsWith(message, kYouHit)) continue;
    const size_t you = static_cast<size_t>(message.data() - line.data());
    sv verb, mob;
    int32_t amount = 0;
    size_t after = 0;
    if (!VerbTargetAmount(line, you + 3, verb, mob, amount, &after) || IsSelf(mob)) return;
    // Behind " point": "s of TYPE damage by SPELL".
    sv rest = Mid(untagged, after);
    if (StartsWith(rest, "s")) rest.remove_prefix(1);
    if (!StartsWith(rest, " of ")) return;
    rest.remove_prefix(4);
    const size_t by = rest.find(" damage by ");
    if (by == npos || std::find(std::begin(kSpellDamageTypes), std::end(kSpellDamageTypes),
                                rest.substr(0, by)) == std::end(kSpellDamageTypes)) {
      return;
    }
    const sv spell = TrimSpaces(rest.substr(by + 11));
    if (spell.empty() || spell == ".") return;
    AddDamage(charName_, recent_.Intern(mob), amount, kDD, recent_.Intern(spell), crit);
    return;
  }
}

}  // namespace qorn::parse
