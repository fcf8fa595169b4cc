#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/date_time.h"
#include "parse/line_text.h"
#include "parse/log_names.h"
#include "parse/message_tags.h"
#include "parse/piece_join.h"
#include "parse/record_buffers.h"
#include "parse/two_byte_starts.h"

namespace qorn::parse {

// The recognizer of one line of the log's second pass: the damage and cast
// records a line makes, written to a piece. Its families of messages stand in
// files of their own: the character's damage (character_damage.cpp), its
// pets' (pet_records.cpp), buffs, casts and the rest (line_parser.cpp).
class LineParser {
 public:
  LineParser(const LogNames& names, Piece& out);

  // Whether the text behind a "] " starts a message that a test looks for
  // (the other conditions of the tests follow in ParseLine).
  bool MayMatterAfterBracket(sv rest) const {
    if (rest.size() >= 2 && !everyStart_ && !starts_.MayStart(rest)) return false;
    if (rest.empty()) return charName_.empty();
    if (TagsOf(rest) != 0) return true;
    if (StartsWith(rest, charName_) || StartsWith(rest, swarmName_)) return true;
    bool pet = false;
    pets_.ForEachNameStarting(rest, [&pet](size_t) { pet = true; });
    return pet;
  }

  // Whether the text from a "(" starts the owner tag of the character's pets.
  bool MayMatterAtParenthesis(sv rest) const { return StartsWith(rest, ownerTag_); }

  // Whether a line ends as a message about the character's spell does on the
  // current client.
  bool MayMatterAtLineEnd(sv line) const {
    if (line.empty()) return false;
    if (line.back() == '!') {
      return EndsWith(line, kSpellFizzles) || Contains(line, kResistedYour);
    }
    return line.back() == '.' && line.size() > 2 && line[line.size() - 2] == 'd' &&
           EndsWith(line, kSpellInterrupted);
  }

  // One line of the second pass; `taken` is where its first "has taken"
  // stands (npos: nowhere), `parenthesis` tells whether it holds a "(".
  void ParseLine(sv line, size_t taken, bool parenthesis);

 private:
  sv TypeOf(sv petName) const { return parse::TypeOf(petName, charName_); }

  // With no name, every message counts as the character's.
  bool StartsWithCharName(sv message) const {
    return StartsWith(message, charName_) &&
           (charName_.empty() || EndsName(message.substr(charName_.size())));
  }

  void SetBuff(Buff buff, bool on) {
    if (out_.BuffSetAt[buff] == kNever) out_.BuffSetAt[buff] = out_.DamageRecs.size();
    out_.Buffs[buff] = on;
  }

  // Where " (Owner: " stands behind the name that starts `message` (up to
  // the next "] "), or npos.
  static size_t OwnerTagAt(sv message);

  // A record for every pet named behind a "] " of a line that speaks of
  // damage, in the order of the name list, then for every pet of the
  // character named with its owner. The name is read where it is first named
  // behind a "] ".
  void PetRecords(sv line, bool crit);

  std::optional<DateTime> LineTime(sv line);

  // `line` is a start of the line where the first "has taken" stands at
  // `takenAt` and the first "damage from your" at `fromAt`.
  void DotRecord(sv line, size_t takenAt, size_t fromAt, bool crit);

  // A hit of the character on itself is damage taken, not done.
  bool IsSelf(sv mob) const;

  // `at`: where the character's name starts the message.
  void DdRecord(sv line, size_t at, bool crit);

  // "You hit MOB for N points of TYPE damage by SPELL." (the current client):
  // a direct-damage record of the character whose source is the spell with
  // its final period.
  void YouHitRecord(sv line, sv untagged, bool crit);

  // "MOB resisted your SPELL!" (the current client): a resist record of "SPELL.".
  void ResistedYour(sv line);

  void AddDamage(sv who, sv mob, int32_t dmg, sv type, sv source, bool crit = false) {
    DamageRec& r = out_.DamageRecs.emplace_back();
    r.When = when_;
    r.Who = who;
    r.Mob = mob;
    r.Dmg = dmg;
    r.Crit = crit;
    r.DmgType = type;
    r.DmgSrc = source;
    r.Cpower = out_.Buffs[kChaoticPower];
    r.CoA = out_.Buffs[kAnguish];
    r.Inten = out_.Buffs[kIntensity];
  }

  void AddCast(int16_t code, sv spell) { out_.CastRecs.emplace_back() = {when_, code, spell}; }

  void SetLastCast(int16_t code);

  Piece& out_;
  RecentTexts recent_;
  sv charName_;
  sv swarmName_;
  sv ownerTag_;  // "(Owner: CHARACTER)"
  const PetNames& pets_;
  const std::vector<sv>& petTypes_;  // by position in pets_
  sv swarmType_;
  std::vector<std::pair<size_t, size_t>> petHits_;  // pet, where its name stands
  std::vector<uint64_t> petSeen_;                   // by pet: the line it was last named on
  uint64_t lineStamp_ = 0;
  DateTime when_ = 0;
  std::string stampKey_;
  DateTime stampValue_ = 0;
  std::string spell_;
  std::vector<sv> messages_;
  std::vector<std::pair<sv, size_t>> ownedMessages_;  // message, where its owner tag stands
  // The first two bytes of the texts that MayMatterAfterBracket looks for
  // behind a "] ": most texts there start none of them, and this tells so at
  // once. Where one of those texts is shorter, every text may start one.
  TwoByteStarts starts_;
  bool everyStart_ = false;
  void MarkStart(sv text) {
    if (text.size() < 2) {
      everyStart_ = true;
      return;
    }
    starts_.Add(text);
  }
  std::vector<sv> ownedNames_;
};

}  // namespace qorn::parse
