// The recognizer's family of the pets' damage: pets named by the first pass and pets
// named with their owner.
#include "parse/line_parser.h"

#include <algorithm>

#include "parse/message_parts.h"

namespace qorn::parse {

size_t LineParser::OwnerTagAt(sv message) {
  const size_t tag = message.substr(0, kMaxPetName + kOwnerTag.size()).find(kOwnerTag);
  return tag == 0 ? npos : tag;
}

void LineParser::PetRecords(sv line, bool crit) {
  petHits_.clear();
  ++lineStamp_;
  const size_t swarm = pets_.size();  // the swarm name's place in the list
  auto hit = [&](size_t pet, size_t at) {
    if (petSeen_[pet] == lineStamp_) return;  // read where it is first named
    petSeen_[pet] = lineStamp_;
    petHits_.push_back({pet, at});
  };
  for (sv message : messages_) {
    const size_t at = static_cast<size_t>(message.data() - line.data());
    pets_.ForEachNameStarting(message, [&](size_t pet) { hit(pet, at); });
    if (swarmName_.size() >= kMinPetName && StartsWith(message, swarmName_) &&
        EndsName(message.substr(swarmName_.size()))) {
      hit(swarm, at);
    }
  }
  if (petHits_.empty() && ownedMessages_.empty()) return;
  // "non-melee damage" is looked for from the first "non-melee" on only.
  const sv fromNonMelee = line.substr(std::min(line.size(), FindIn(line, "non-melee")));
  if (fromNonMelee.empty() && !Contains(line, "points of damage")) return;
  std::sort(petHits_.begin(), petHits_.end());
  const bool nonMelee = Contains(fromNonMelee, "non-melee damage");
  auto record = [&](sv name, sv type, size_t nameEnd) {
    sv verb, mob;
    int32_t amount = 0;
    if (!VerbTargetAmount(line, nameEnd, verb, mob, amount)) return;
    AddDamage(name, recent_.Intern(mob), amount, type,
              nonMelee ? sv("non-melee") : recent_.Intern(verb), crit);
  };
  for (const auto& [pet, at] : petHits_) {
    const sv name = pet == swarm ? swarmName_ : pets_[pet];
    record(name, pet == swarm ? swarmType_ : petTypes_[pet], at + name.size());
  }
  ownedNames_.clear();
  for (const auto& [message, tag] : ownedMessages_) {
    // NAME (Owner: CHARACTER) VERB ...: the verb stands behind the tag.
    if (!StartsWith(message.substr(tag + 1), ownerTag_)) continue;
    const sv name = TrimSpaces(message.substr(0, tag));
    if (name.empty() ||
        std::find(ownedNames_.begin(), ownedNames_.end(), name) != ownedNames_.end()) {
      continue;
    }
    ownedNames_.push_back(name);
    const size_t tagEnd =
        static_cast<size_t>(message.data() - line.data()) + tag + 1 + ownerTag_.size();
    record(recent_.Intern(name), TypeOf(name), tagEnd);
  }
}

}  // namespace qorn::parse
