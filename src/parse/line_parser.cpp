// The recognizer of one line: which messages it holds, the buffs, the
// casts and what became of them; the damage families are read in
// character_damage.cpp and pet_records.cpp.
#include "parse/line_parser.h"

#include "parse/log_time.h"
#include "parse/message_parts.h"
#include "parse/speech_filter.h"

namespace qorn::parse {

LineParser::LineParser(const LogNames& names, Piece& out)
    : out_(out),
      recent_(out.Texts),
      charName_(names.charName),
      swarmName_(names.swarmName),
      ownerTag_(names.ownerTag),
      pets_(names.pets),
      petTypes_(names.petTypes),
      // The character's swarm pets stand last in the name list. Their name
      // holds a blank, so it is looked up on its own.
      swarmType_(parse::TypeOf(names.swarmName, names.charName)),
      petSeen_(names.pets.size() + 1, 0) {
  for (sv message : kTaggedMessages) MarkStart(message);
  MarkStart(charName_);
  MarkStart(swarmName_);
  for (size_t i = 0; i < pets_.size(); ++i) {
    if (pets_[i].size() >= kMinPetName) MarkStart(pets_[i]);
  }
}

void LineParser::ParseLine(sv line, size_t taken, bool parenthesis) {
  if (IsSpeechOrChat(line)) return;
  const std::optional<DateTime> when = LineTime(line);
  if (!when) return;
  when_ = *when;

  // The texts behind each "] " of the line: every "] X" test looks only
  // there. A message of a pet named with its owner is that pet's alone.
  messages_.clear();
  ownedMessages_.clear();
  unsigned tags = 0;
  // Where the first message that the character's name starts stands; with
  // no name, at the line's start, where a search for the name finds it.
  size_t charAt = npos;
  size_t yourMessage = 0;  // the length of the longest message that starts with "Your "
  const bool owners = parenthesis && Contains(line, kOwnerTag);
  for (size_t i = line.find("] "), next = 0; i != npos; i = next) {
    next = line.find("] ", i + 1);
    const sv message = line.substr(i + 2);
    if (const size_t tag = owners ? OwnerTagAt(message.substr(0, next - i - 2)) : npos;
        tag != npos) {
      ownedMessages_.push_back({message, tag});
      continue;
    }
    messages_.push_back(message);
    tags |= TagsOf(message);
    if (charAt == npos && StartsWithCharName(message)) {
      charAt = charName_.empty() ? 0 : static_cast<size_t>(message.data() - line.data());
    }
    if (yourMessage == 0 && StartsWith(message, kYour)) yourMessage = message.size();
  }
  auto tagged = [tags](unsigned tag) { return (tags & tag) != 0; };
  bool crit = false;
  const sv untagged = StripTags(line, crit);

  if (tagged(kTag<kSlain>)) {
    for (Buff buff : {kChaoticPower, kAnguish, kIntensity}) SetBuff(buff, false);
  }
  if (tagged(kTag<kCpowerOn>)) SetBuff(kChaoticPower, true);
  if (tagged(kTag<kCpowerOff>)) SetBuff(kChaoticPower, false);
  if (tagged(kTag<kCoaOn>)) SetBuff(kAnguish, true);
  if (tagged(kTag<kCoaOff>)) SetBuff(kAnguish, false);
  if (tagged(kTag<kIntenOn>)) SetBuff(kIntensity, true);
  if (tagged(kTag<kIntenOff>)) SetBuff(kIntensity, false);

  PetRecords(line, crit);
  if (taken != npos) {
    if (const size_t from = FindIn(line, "damage from your"); from != npos) {
      DotRecord(untagged, taken, from, crit);
    }
  }
  const bool charTagged = charAt != npos;
  if (charTagged && Contains(line, kBodyMessage)) {
    if (!out_.DotSeen) out_.GuardiansBeforeDot.push_back(out_.DamageRecs.size());
    AddDamage(swarmName_, out_.LastMob, kGuardianDmg, kEpicSwarm, kGuardian);
  }
  if (charTagged && ContainsIgnoreCase(line, "of non-melee damage.", 6) &&
      !Contains(line, kPetSuffix)) {
    DdRecord(line, charAt, crit);
  }
  if (tagged(kTag<kYouHit>)) YouHitRecord(line, untagged, crit);
  const size_t spellAndSuffix = kYour.size() + 1;  // "Your ", a spell of one character at least
  if (tagged(kTag<kFizzle>) ||
      (yourMessage >= spellAndSuffix + kSpellFizzles.size() && EndsWith(line, kSpellFizzles))) {
    SetLastCast(kCastFizzled);
  }
  if (tagged(kTag<kInterrupt>) || (yourMessage >= spellAndSuffix + kSpellInterrupted.size() &&
                                   EndsWith(line, kSpellInterrupted))) {
    SetLastCast(kCastInterrupted);
  }
  if (tagged(kTag<kCast>)) {
    AddCast(kCastBegun, recent_.Intern(Mid(line, kCastSpellStart)));
  }
  if (tagged(kTag<kResist>) && line.size() >= kResistTail) {
    spell_.assign(Mid(line, kResistSpellStart, line.size() - kResistTail));
    spell_ += '.';
    AddCast(kCastResisted, recent_.Intern(spell_));
  }
  if (!line.empty() && line.back() == '!') ResistedYour(line);
}

std::optional<DateTime> LineParser::LineTime(sv line) {
  constexpr size_t kStamp = 25;  // through the year
  if (line.size() >= kStamp && stampKey_.size() == kStamp &&
      std::memcmp(line.data(), stampKey_.data(), kStamp) == 0) {
    return stampValue_;
  }
  const auto value = ConvertLogTime(line);
  if (value) {
    stampKey_.assign(line.substr(0, kStamp));
    stampValue_ = *value;
  }
  return value;
}

void LineParser::ResistedYour(sv line) {
  const size_t at = line.find(kResistedYour, kMessageStart);
  if (at == npos || at == kMessageStart) return;
  const size_t spellStart = at + kResistedYour.size();
  if (spellStart + 1 >= line.size()) return;
  spell_.assign(line.substr(spellStart, line.size() - 1 - spellStart));
  spell_ += '.';
  AddCast(kCastResisted, recent_.Intern(spell_));
}

void LineParser::SetLastCast(int16_t code) {
  if (!out_.CastRecs.empty()) {
    out_.CastRecs.back().CorR = code;
  } else {
    out_.CastChangeBeforeCast = code;
  }
}

}  // namespace qorn::parse
