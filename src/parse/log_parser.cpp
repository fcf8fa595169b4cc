#include "parse/log_parser.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "parse/block_reader.h"
#include "parse/byte_scan.h"
#include "parse/line_end.h"
#include "parse/log_time.h"
#include "parse/pet_names.h"

namespace qorn {
namespace {

using sv = std::string_view;
constexpr size_t npos = sv::npos;

// The grave accent is the game's apostrophe in pet names.
constexpr sv kPetSuffix = "`s pet";
constexpr sv kBodyMessage = "`s pet's body fills with energy.";
constexpr sv kGuardian = "Guardian of Blood Strike";
constexpr int32_t kGuardianDmg = 600;

// The message starts at 0-based index 27, behind the 26-character stamp and a blank.
constexpr size_t kMessageStart = 27;
constexpr size_t kCastSpellStart = 45;    // behind "You begin casting "
constexpr size_t kResistSpellStart = 52;  // behind "Your target resisted the "
constexpr size_t kResistTail = 59;        // stamp, fragment and " spell."

constexpr sv kPetFragments[] = {
    "says 'Waiting for your order to attack, Master.",
    "says 'Following you, Master.",
    "tells you, 'Attacking",
};
// Every line that holds one of the pet fragments holds one of these, and they
// are rare enough to search whole blocks for. The anchor is the second byte
// that the search filters on: "'Attacking" is anchored on its "k", as its
// last byte would let every "'Following" through.
constexpr Needle kPetNeedles[] = {{"Master.", 6}, {"'Attacking", 6}};

// The messages that the buff, death and cast tests look for behind "] ".
constexpr sv kSlain = "You have been slain";
constexpr sv kCpowerOn = "Quivering power pulses through your hands.";
constexpr sv kCpowerOff = "The power fades away.";
constexpr sv kCoaOn = "Vile energy flows through your veins.";
constexpr sv kCoaOff = "The vile power fades.";
constexpr sv kIntenOn = "Your mind sharpens and strength flows into your body.";
constexpr sv kIntenOff = "Your intensity fades.";
constexpr sv kFizzle = "Your spell fizzles";
constexpr sv kInterrupt = "Your spell is interrupted";
constexpr sv kCast = "You begin casting ";
constexpr sv kResist = "Your target resisted the ";
constexpr sv kYouHit = "You hit ";  // the character's direct damage on the current client
constexpr sv kTaggedMessages[] = {kSlain,    kCpowerOn, kCpowerOff, kCoaOn, kCoaOff, kIntenOn,
                                  kIntenOff, kFizzle,   kInterrupt, kCast,  kResist, kYouHit};

// The current client's messages about the character's own spells, which name
// the spell: "Your SPELL spell fizzles!", "Your SPELL spell is interrupted.",
// "MOB resisted your SPELL!".
constexpr sv kYour = "Your ";
constexpr sv kSpellFizzles = " spell fizzles!";
constexpr sv kSpellInterrupted = " spell is interrupted.";
constexpr sv kResistedYour = " resisted your ";

// The damage types of "You hit MOB for N points of TYPE damage by SPELL.".
constexpr sv kSpellDamageTypes[] = {"magic",     "fire",       "cold",      "poison",  "disease",
                                    "chromatic", "corruption", "prismatic", "physical"};

// Emulated servers name a pet with its owner: "NAME (Owner: CHARACTER) hits ...".
constexpr sv kOwnerTag = " (Owner: ";
constexpr size_t kMaxPetName = 64;

// How the character names itself as a target: a hit on these is damage taken.
constexpr sv kSelves[] = {"yourself", "himself", "herself", "itself"};

// starts_with, with the first and the last byte tested before any call.
bool StartsWith(sv text, sv prefix) {
  const size_t n = prefix.size();
  return n == 0 || (text.size() >= n && text[0] == prefix[0] && text[n - 1] == prefix[n - 1] &&
                    std::memcmp(text.data(), prefix.data(), n) == 0);
}

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

// Bit k stands for kTaggedMessages[k] behind a "] ".
constexpr unsigned Tag(sv message) {
  for (size_t k = 0; k < std::size(kTaggedMessages); ++k) {
    if (kTaggedMessages[k] == message) return 1u << k;
  }
  return 0;
}

// The bit of a tagged message, known when compiling.
template <const sv& message>
constexpr unsigned kTag = Tag(message);

// The tagged messages that `text` starts with.
unsigned TagsOf(sv text) {
  constexpr size_t kShortest = 18;  // "You begin casting ", "Your spell fizzles"
  if (text.size() < kShortest) return 0;
  unsigned tags = 0;
  auto test = [text, &tags](unsigned tag) {
    if (StartsWith(text, kTaggedMessages[std::countr_zero(tag)])) tags |= tag;
  };
  switch (text[0]) {
    case 'Y':
      if (text[3] == ' ') {
        test(kTag<kSlain>);
        test(kTag<kCast>);
        test(kTag<kYouHit>);
      } else if (text[3] == 'r') {
        test(kTag<kIntenOn>);
        test(kTag<kIntenOff>);
        test(kTag<kFizzle>);
        test(kTag<kInterrupt>);
        test(kTag<kResist>);
      }
      break;
    case 'Q':
      test(kTag<kCpowerOn>);
      break;
    case 'T':
      test(kTag<kCpowerOff>);
      test(kTag<kCoaOff>);
      break;
    case 'V':
      test(kTag<kCoaOn>);
      break;
    default:
      break;
  }
  return tags;
}

// Where `fragment` first stands in `line`, or npos.
size_t FindIn(sv line, sv fragment) {
  const char* end = line.data() + line.size();
  const char* at = FindText(line.data(), end, fragment);
  return at == end ? npos : static_cast<size_t>(at - line.data());
}

bool Contains(sv line, sv fragment) { return FindIn(line, fragment) != npos; }

// Whether `line` holds `lowerFragment` in any case. The fragment's byte at
// `anchor` has no case (a hyphen, say) and is looked for first.
bool ContainsIgnoreCase(sv line, sv lowerFragment, size_t anchor) {
  if (lowerFragment.size() > line.size()) return false;
  const size_t last = line.size() - lowerFragment.size();
  for (size_t a = line.find(lowerFragment[anchor], anchor); a != npos && a - anchor <= last;
       a = line.find(lowerFragment[anchor], a + 1)) {
    size_t k = 0;
    const char* candidate = line.data() + (a - anchor);
    while (k < lowerFragment.size()) {
      char c = candidate[k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != lowerFragment[k]) break;
      ++k;
    }
    if (k == lowerFragment.size()) return true;
  }
  return false;
}

sv TrimSpaces(sv s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool EndsWith(sv text, sv suffix) {
  return text.size() >= suffix.size() &&
         std::memcmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

// The text without the tags in parentheses that the current client and the
// emulated servers put behind a message's final period or exclamation mark:
// "(Critical)", "(Lucky Critical Twincast)", a spell's name. `crit` tells
// whether one of them holds "Critical". Parentheses that do not stand behind
// the final mark (a name, a "(Lvl: 82)") are no tags and stay.
sv StripTags(sv text, bool& crit) {
  crit = false;
  if (text.empty() || text.back() != ')') return text;
  sv rest = text;
  bool critical = false;
  while (!rest.empty() && rest.back() == ')') {
    const size_t open = rest.rfind('(');
    if (open == npos) return text;
    const sv tag = rest.substr(open + 1, rest.size() - open - 2);
    if (tag.find(')') != npos) return text;
    critical = critical || tag.find("Critical") != npos;
    rest = rest.substr(0, open);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  }
  if (rest.empty() || (rest.back() != '.' && rest.back() != '!')) return text;
  crit = critical;
  return rest;
}

// Mid$ semantics: a start beyond the end gives an empty text.
sv Mid(sv s, size_t start, size_t count = npos) {
  return start >= s.size() ? sv{} : s.substr(start, count);
}

// Digits at `at` up to the first non-digit, as a 32-bit amount; nullopt when
// there are none or the amount does not fit. `end` is set behind the digits.
std::optional<int32_t> ReadAmount(sv line, size_t at, size_t& end) {
  int64_t value = 0;
  bool fits = true;
  size_t i = at;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
    value = value * 10 + (line[i] - '0');
    if (value > INT32_MAX) {
      fits = false;
      value = INT32_MAX;
    }
    ++i;
  }
  end = i;
  if (i == at || !fits) return std::nullopt;
  return static_cast<int32_t>(value);
}

// A target or a DoT's source longer than this is no name but several
// messages run together.
constexpr size_t kMaxTarget = 200;

// The verb and the target behind a name that ends at `nameEnd`, and the
// amount of the damage phrase. The target ends at the first " for N point"
// behind the verb, so that "a forest giant" keeps its whole name and two
// messages on one line stay apart. False when the line lacks any of them, the
// amount does not fit, the target (with any blanks around it) is longer than
// kMaxTarget, or a "] " stands before the phrase (which then belongs to
// another message).
bool VerbTargetAmount(sv line, size_t nameEnd, sv& verb, sv& mob, int32_t& amount,
                      size_t* phraseEnd = nullptr) {
  const size_t verbStart = nameEnd + 1;
  const size_t blank = verbStart < line.size() ? line.find(' ', verbStart) : npos;
  if (blank == npos) return false;
  sv window = line.substr(0, std::min(line.size(), blank + 1 + kMaxTarget + 5));
  window = window.substr(0, std::min(window.size(), window.find("] ", verbStart)));
  for (size_t pos = window.find(" for ", blank); pos != npos; pos = window.find(" for ", pos + 1)) {
    size_t end = 0;
    const auto value = ReadAmount(line, pos + 5, end);
    if (end == pos + 5 || line.compare(end, 6, " point") != 0) continue;
    if (!value) return false;
    amount = *value;
    if (phraseEnd != nullptr) *phraseEnd = end + 6;
    verb = TrimSpaces(line.substr(verbStart, blank - verbStart));
    mob = TrimSpaces(Mid(line, blank + 1, pos - std::min(pos, blank + 1)));
    return true;
  }
  return false;
}

// The texts of the last records before the pool: a fight names the same mob
// and the same few spells line after line, and a comparison is cheaper than a
// lookup in a pool of many texts.
class RecentTexts {
 public:
  explicit RecentTexts(TextPool& pool) : pool_(pool) {}

  sv Intern(sv text) {
    if (text.empty()) return {};
    auto byte = [text](size_t i) {
      return static_cast<size_t>(static_cast<unsigned char>(text[i]));
    };
    const size_t slot =
        (text.size() * 31 + byte(text.size() - 1) * 7 + byte(text.size() / 2) * 3 + byte(0)) %
        kSlots;
    if (slots_[slot] != text) slots_[slot] = pool_.Intern(text);
    return slots_[slot];
  }

 private:
  static constexpr size_t kSlots = 64;
  TextPool& pool_;
  sv slots_[kSlots];
};

// Names of three characters or fewer never match.
constexpr size_t kMinPetName = 4;

sv TypeOf(sv petName, sv charName) { return petName.find(charName) != npos ? kEpicSwarm : kPet; }

// What the first pass learns: the names of the character and its pets. Every
// piece of the second pass reads them; the texts live in the result's pool.
struct LogNames {
  LogNames(TextPool& pool, sv character) : texts(pool) {
    charName = texts.Intern(character);
    swarmName = texts.Intern(std::string(character) + std::string(kPetSuffix));
    ownerTag = "(Owner: " + std::string(character) + ")";
  }

  // One line that may hold a pet fragment. Its own message must be a name
  // and the fragment: a fragment quoted in another message names no pet.
  void AddPetName(sv line) {
    if (line.size() <= kMessageStart) return;
    const size_t blank = line.find(' ', kMessageStart);
    if (blank == npos || blank == kMessageStart) return;
    const sv rest = line.substr(blank + 1);
    if (std::none_of(std::begin(kPetFragments), std::end(kPetFragments),
                     [rest](sv fragment) { return StartsWith(rest, fragment); })) {
      return;
    }
    AddPet(line.substr(kMessageStart, blank - kMessageStart));
  }

  void AddPet(sv name) {
    if (pets.Add(texts.Intern(name)) == petTypes.size()) petTypes.push_back(TypeOf(name, charName));
  }

  TextPool& texts;
  sv charName;
  sv swarmName;
  std::string ownerTag;  // "(Owner: CHARACTER)"
  PetNames pets{kMinPetName};
  std::vector<sv> petTypes;  // by position in pets
  bool loneReturns = false;  // whether a carriage return alone ends a line
};

// Asks for the memory from `data` on in huge pages (where the system gives
// them on request): records are written to fresh memory front to back, and a
// page fault for each 4 KiB costs more than the writes.
void AdviseHugePages(void* data, size_t bytes) {
  constexpr uintptr_t kHuge = 2 << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Records that grow without moving the ones made: blocks of records, each
// reserved at once and only touched as it fills, so that a parse needs no
// second copy of its records while it runs.
template <typename T>
class Chunks {
 public:
  T& emplace_back() {
    if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
      const size_t records =
          chunks_.empty() ? kFirstRecords : std::min(kRecords, chunks_.back().capacity() * 2);
      chunks_.emplace_back().reserve(records);
      AdviseHugePages(chunks_.back().data(), records * sizeof(T));
    }
    ++size_;
    return chunks_.back().emplace_back();
  }
  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  T& back() { return chunks_.back().back(); }

  // Appends the records to `out`, each block freed once it is copied.
  void MoveTo(std::vector<T>& out) {
    for (std::vector<T>& chunk : chunks_) {
      out.insert(out.end(), chunk.begin(), chunk.end());
      std::vector<T>().swap(chunk);
    }
    chunks_.clear();
    size_ = 0;
  }

 private:
  // The blocks grow from 64 KiB, twice as large each, to 8 MiB: a page costs
  // memory once a record is written to it. The pieces of a parse each make a
  // few MiB of records; blocks of these sizes come from memory the pieces
  // before freed, where a 64 MiB block took fresh pages, which the system
  // must clear (a tenth of a parse's processor time).
  static constexpr size_t kRecords = (size_t{8} << 20) / sizeof(T);
  static constexpr size_t kFirstRecords = (size_t{64} << 10) / sizeof(T);
  std::vector<std::vector<T>> chunks_;
  size_t size_ = 0;
};

constexpr size_t kNever = SIZE_MAX;

// The buffs a damage record carries, in the order of kBuffFields.
enum Buff { kChaoticPower, kAnguish, kIntensity, kBuffs };
constexpr bool DamageRec::*kBuffFields[kBuffs] = {&DamageRec::Cpower, &DamageRec::CoA,
                                                  &DamageRec::Inten};

// The records of one piece of the log, and what the piece leaves to the
// pieces before it: a record that depends on a line above the piece gets its
// value when the pieces are joined.
struct Piece {
  TextPool Texts;
  Chunks<DamageRec> DamageRecs;
  Chunks<CastRec> CastRecs;
  bool Buffs[kBuffs] = {};  // as the piece leaves them
  // How many damage records the piece made before a line of its own set each
  // buff; those records carry the buff as the pieces before left it.
  size_t BuffSetAt[kBuffs] = {kNever, kNever, kNever};
  bool DotSeen = false;
  sv LastMob;  // of the last DoT record
  // The Guardian records made before the piece's first DoT record, by position:
  // their mob is the last DoT record's of the pieces before.
  std::vector<size_t> GuardiansBeforeDot;
  // A fizzle or interrupt before the piece's first cast (the last of them
  // counts): it changes the last cast of the pieces before.
  std::optional<int16_t> CastChangeBeforeCast;
};

class LineParser {
 public:
  LineParser(const LogNames& names, Piece& out)
      : out_(out),
        recent_(out.Texts),
        charName_(names.charName),
        swarmName_(names.swarmName),
        ownerTag_(names.ownerTag),
        pets_(names.pets),
        petTypes_(names.petTypes),
        // The character's swarm pets stand last in the name list. Their name
        // holds a blank, so it is looked up on its own.
        swarmType_(qorn::TypeOf(names.swarmName, names.charName)),
        petSeen_(names.pets.size() + 1, 0) {
    for (sv message : kTaggedMessages) MarkStart(message);
    MarkStart(charName_);
    MarkStart(swarmName_);
    for (size_t i = 0; i < pets_.size(); ++i) {
      if (pets_[i].size() >= kMinPetName) MarkStart(pets_[i]);
    }
  }

  // Whether the text behind a "] " starts a message that a test looks for
  // (the other conditions of the tests follow in ParseLine).
  bool MayMatterAfterBracket(sv rest) const {
    if (rest.size() >= 2 && !everyStart_) {
      const size_t two = FirstTwo(rest);
      if ((starts_[two / 64] >> (two % 64) & 1) == 0) return false;
    }
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
  void ParseLine(sv line, size_t taken, bool parenthesis) {
    // Speech and chat yield nothing from any part of them, also not behind a
    // "] " in the quote.
    if (IsSpeech(line)) return;
    if (const char* end = line.data() + line.size();
        FindEither(line.data(), end, {"to your guild"}, {" tells "}) != end) {
      return;
    }
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

 private:
  sv TypeOf(sv petName) const { return qorn::TypeOf(petName, charName_); }

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
  static size_t OwnerTagAt(sv message) {
    const size_t tag = message.substr(0, kMaxPetName + kOwnerTag.size()).find(kOwnerTag);
    return tag == 0 ? npos : tag;
  }

  // A record for every pet named behind a "] " of a line that speaks of
  // damage, in the order of the name list, then for every pet of the
  // character named with its owner. The name is read where it is first named
  // behind a "] ".
  void PetRecords(sv line, bool crit) {
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

  std::optional<DateTime> LineTime(sv line) {
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

  // `line` is a start of the line where the first "has taken" stands at
  // `takenAt` and the first "damage from your" at `fromAt`.
  void DotRecord(sv line, size_t takenAt, size_t fromAt, bool crit) {
    // Where they stand in `line`: there if they fit, else nowhere.
    auto within = [line](size_t at, size_t length) {
      return at + length <= line.size() ? at : npos;
    };
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

  // A hit of the character on itself is damage taken, not done.
  bool IsSelf(sv mob) const {
    if (mob == charName_) return true;
    for (sv self : kSelves) {
      if (mob == self) return true;
    }
    return false;
  }

  // `at`: where the character's name starts the message.
  void DdRecord(sv line, size_t at, bool crit) {
    sv verb, mob;
    int32_t amount = 0;
    if (!VerbTargetAmount(line, at + charName_.size(), verb, mob, amount) ||
        IsSelf(mob)) {
      return;
    }
    AddDamage(charName_, recent_.Intern(mob), amount, kDD, recent_.Intern(verb), crit);
  }

  // "You hit MOB for N points of TYPE damage by SPELL." (the current client):
  // a direct-damage record of the character whose source is the spell with
  // its final period.
  void YouHitRecord(sv line, sv untagged, bool crit) {
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

  // "MOB resisted your SPELL!" (the current client): a resist record of "SPELL.".
  void ResistedYour(sv line) {
    const size_t at = line.find(kResistedYour, kMessageStart);
    if (at == npos || at == kMessageStart) return;
    const size_t spellStart = at + kResistedYour.size();
    if (spellStart + 1 >= line.size()) return;
    spell_.assign(line.substr(spellStart, line.size() - 1 - spellStart));
    spell_ += '.';
    AddCast(kCastResisted, recent_.Intern(spell_));
  }

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

  void SetLastCast(int16_t code) {
    if (!out_.CastRecs.empty()) {
      out_.CastRecs.back().CorR = code;
    } else {
      out_.CastChangeBeforeCast = code;
    }
  }

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
  std::vector<uint64_t> starts_ = std::vector<uint64_t>(65536 / 64, 0);
  bool everyStart_ = false;
  static size_t FirstTwo(sv text) {
    return static_cast<unsigned char>(text[0]) << 8 | static_cast<unsigned char>(text[1]);
  }
  void MarkStart(sv text) {
    if (text.size() < 2) {
      everyStart_ = true;
      return;
    }
    starts_[FirstTwo(text) / 64] |= uint64_t{1} << (FirstTwo(text) % 64);
  }
  std::vector<sv> ownedNames_;
};

// A line without its terminator: a line feed, and a carriage return before it.
sv StripLineEnd(const char* begin, const char* end) {
  if (end > begin && end[-1] == '\r') --end;
  return {begin, static_cast<size_t>(end - begin)};
}

// Pass 1 over one block: the line count and the pet names. A line ends in a
// line feed, a carriage return and a line feed, or a lone carriage return.
long long ScanPetNames(sv block, LogNames& names) {
  const char* const data = block.data();
  const char* const stop = data + block.size();
  const LineEnds ends = CountLineEnds(data, stop);
  names.loneReturns = names.loneReturns || ends.LoneReturns > 0;
  long long lines = ends.Feeds + ends.LoneReturns;
  if (!block.empty() && !IsLineEnd(block.back())) ++lines;  // the last line
  // The needles' hits in file order, so that names keep their order of first
  // appearance; one scan looks for both, on from the line of the last hit.
  for (const char* hit = FindEither(data, stop, kPetNeedles[0], kPetNeedles[1]); hit < stop;) {
    // The line around the hit, from the line end before it to the one behind
    // it: a walk as long as the line, also where carriage returns alone end
    // the lines.
    const char* lineBegin = hit;
    while (lineBegin > data && !IsLineEnd(lineBegin[-1])) --lineBegin;
    const char* lineEnd = hit;
    while (lineEnd < stop && !IsLineEnd(*lineEnd)) ++lineEnd;
    names.AddPetName({lineBegin, static_cast<size_t>(lineEnd - lineBegin)});
    hit = FindEither(lineEnd, stop, kPetNeedles[0], kPetNeedles[1]);
  }
  return lines;
}

// Runs `work(k, stop)` for the pieces k = 1 .. count - 1 on threads of their
// own and `work(0, stop)` on this one, then waits for the threads, calling
// `waiting()` on this thread every 100 ms meanwhile (it may throw: the
// threads are then asked to stop and joined). The first exception of a
// thread is thrown here once all have ended.
template <typename Work, typename Waiting>
void RunPieces(size_t count, Work&& work, Waiting&& waiting) {
  std::vector<std::exception_ptr> errors(count);
  std::mutex mutex;
  std::condition_variable finished;
  size_t running = count - 1;
  {
    std::vector<std::jthread> workers;
    for (size_t k = 1; k < count; ++k) {
      workers.emplace_back([&, k](std::stop_token stop) {
        try {
          work(k, stop);
        } catch (...) {
          errors[k] = std::current_exception();
        }
        const std::lock_guard lock(mutex);
        --running;
        finished.notify_one();
      });
    }
    work(0, std::stop_token());
    std::unique_lock lock(mutex);
    while (running > 0) {
      if (finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; })) {
        break;
      }
      lock.unlock();
      waiting();
      lock.lock();
    }
  }
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
}

// A log smaller than this is read in one piece: a second thread would not pay.
constexpr long long kMinSplitBytes = 4 << 20;

// Where the pieces of a log of `size` bytes start: at 0 and at the line starts
// at or behind each of `cuts`; without cuts, every `every` bytes, or (when
// `every` is 0) in the middle of a large log.
std::vector<long long> PieceStarts(const std::string& path, long long size,
                                   const std::vector<long long>* cuts, long long every = 0) {
  std::vector<long long> starts = {0};
  auto cutAt = [&](long long offset) {
    const long long start = LineStartFrom(path, offset);
    if (start > starts.back() && start < size) starts.push_back(start);
  };
  if (cuts != nullptr) {
    for (long long cut : *cuts) cutAt(cut);
  } else if (every > 0) {
    for (long long at = every; at < size; at += every) cutAt(at);
  } else if (size >= kMinSplitBytes) {
    cutAt(size / 2);
  }
  return starts;
}

// Pass 1 over the first `size` bytes of the log, in the pieces that start at
// PieceStarts, each on a thread of its own: the pet names into `names`, in the
// order they are first met in the log, and the line count, returned. Each
// piece after the first gathers its names apart; they join the list behind
// those of the pieces before, less the ones met there already.
long long ScanPetNamesOfLog(const std::string& path, long long size,
                            const std::vector<long long>* cuts, LogNames& names,
                            Progress& progress) {
  const std::vector<long long> starts = PieceStarts(path, size, cuts);
  const size_t count = starts.size();
  std::vector<TextPool> pools(count - 1);
  std::vector<std::optional<LogNames>> found(count);
  for (size_t k = 1; k < count; ++k) found[k].emplace(pools[k - 1], names.charName);
  std::vector<long long> lines(count, 0);
  RunPieces(
      count,
      [&](size_t k, const std::stop_token& stop) {
        LogNames& into = k == 0 ? names : *found[k];
        BlockReader reader(path, starts[k], k + 1 < count ? starts[k + 1] : size);
        sv block;
        while (!stop.stop_requested() && reader.Next(block)) {
          // The bar stays at 0 in this pass; each block is still a step at
          // which a stopped command stops.
          if (k == 0) progress.SetValue(0);
          lines[k] += ScanPetNames(block, into);
        }
      },
      [&] { progress.SetValue(0); });
  long long all = lines[0];
  for (size_t k = 1; k < count; ++k) {
    for (size_t i = 0; i < found[k]->pets.size(); ++i) names.AddPet(found[k]->pets[i]);
    names.loneReturns = names.loneReturns || found[k]->loneReturns;
    all += lines[k];
  }
  return all;
}

// Pass 2 over one block. Line ends, "] " and "(" are found 64 bytes at a
// time; only a line with a "] " that may start a message of interest, an
// owner tag of the character's pets, an ending that a message of interest
// has, or "has taken" (found a block at a time), goes to ParseLine.
// Carriage returns are looked at only in a log where one ends a line alone.
void ScanRecords(sv block, LineParser& parser, long long& lineNo, bool loneReturns) {
  const char* const base = block.data();
  const size_t size = block.size();
  const char* lineBegin = base;
  bool candidate = false;
  // Anchored on the "k": "h" and "n" are too common to filter on.
  auto findTaken = [&](const char* from) { return FindText(from, base + size, "has taken", 6); };
  const char* taken = findTaken(base);

  auto bracket = [&](size_t i) {
    if (!candidate && i + 1 < size && base[i + 1] == ' ') {
      candidate = parser.MayMatterAfterBracket(sv(base + i + 2, size - i - 2));
    }
  };
  bool parenthesis = false;  // whether the line holds a "("
  auto openParenthesis = [&](size_t i) {
    parenthesis = true;
    if (!candidate) candidate = parser.MayMatterAtParenthesis(sv(base + i, size - i));
  };
  auto lineEnd = [&](const char* end) {
    ++lineNo;
    const sv line = StripLineEnd(lineBegin, end);
    if (taken < lineBegin) taken = findTaken(lineBegin);
    const size_t takenAt = taken < end ? static_cast<size_t>(taken - lineBegin) : npos;
    if (!line.empty() && (candidate || takenAt != npos || parser.MayMatterAtLineEnd(line))) {
      parser.ParseLine(line, takenAt, parenthesis);
    }
    lineBegin = end + 1;
    candidate = false;
    parenthesis = false;
  };
  auto byte = [&](size_t i) {
    switch (base[i]) {
      case '\n':
        lineEnd(base + i);
        break;
      case '\r':  // a lone one ends a line; before a line feed, the feed does
        if (loneReturns && (i + 1 == size || base[i + 1] != '\n')) lineEnd(base + i);
        break;
      case ']':
        bracket(i);
        break;
      case '(':
        openParenthesis(i);
        break;
      default:
        break;
    }
  };

  constexpr size_t kSteps = 64;  // of 64 bytes, matched in one call
  uint64_t bits[kSteps];
  size_t i = 0;
  while (i + 64 <= size) {
    const size_t steps = std::min(kSteps, (size - i) / 64);
    if (loneReturns) {
      Match64(base + i, steps, bits, '\n', '\r', ']', '(');
    } else {
      Match64(base + i, steps, bits, '\n', ']', '(');
    }
    for (size_t step = 0; step < steps; ++step, i += 64) {
      for (uint64_t all = bits[step]; all != 0; all &= all - 1) {
        byte(i + static_cast<size_t>(__builtin_ctzll(all)));
      }
    }
  }
  for (; i < size; ++i) byte(i);
  if (lineBegin < base + size) lineEnd(base + size);  // the file's last line, without a line feed
}

// Pass 2 over the bytes of the log from `begin` to `end` (-1: the end of
// the file). `afterBlock(lines)` hears the piece's line count after each
// block; when it returns false the piece stops there.
template <typename AfterBlock>
void ParsePiece(const std::string& path, long long begin, long long end, const LogNames& names,
                Piece& piece, AfterBlock&& afterBlock) {
  LineParser parser(names, piece);
  BlockReader reader(path, begin, end);
  sv block;
  long long lineNo = 0;
  while (reader.Next(block)) {
    ScanRecords(block, parser, lineNo, names.loneReturns);
    if (!afterBlock(lineNo)) return;
  }
}

// What the lines joined so far leave to the lines after them.
struct JoinState {
  bool buffs[kBuffs] = {};
  std::string lastMob;  // of the last DoT record
  bool dotSeen = false;
};

// Appends the records of a piece to `out`, with what the piece left to the
// lines before it filled in from them (`state` holds what the lines before
// the piece left, and gets what the piece leaves): the records are then
// those of one parse of the lines up to the piece's end. A fizzle or
// interrupt before the piece's first cast changes the last cast of `out`,
// or is left in `castChangeBefore` when `out` holds none.
void JoinPiece(Piece& piece, ParseResult& out, JoinState& state,
               std::optional<int16_t>& castChangeBefore) {
  const size_t first = out.DamageRecs.size();
  const size_t count = piece.DamageRecs.size();
  piece.DamageRecs.MoveTo(out.DamageRecs);
  DamageRec* recs = out.DamageRecs.data() + first;
  for (int buff = 0; buff < kBuffs; ++buff) {
    if (state.buffs[buff]) {
      const size_t inherit = std::min(piece.BuffSetAt[buff], count);
      for (size_t i = 0; i < inherit; ++i) recs[i].*kBuffFields[buff] = true;
    }
    if (piece.BuffSetAt[buff] != kNever) state.buffs[buff] = piece.Buffs[buff];
  }
  if (!piece.GuardiansBeforeDot.empty()) {
    // The mob is kept with the records: the piece it was read in may be gone.
    const sv mob = state.dotSeen ? out.Texts.Intern(state.lastMob) : sv();
    for (size_t i : piece.GuardiansBeforeDot) recs[i].Mob = mob;
  }
  if (piece.DotSeen) {
    state.lastMob.assign(piece.LastMob);
    state.dotSeen = true;
  }
  if (piece.CastChangeBeforeCast) {
    if (!out.CastRecs.empty()) {
      out.CastRecs.back().CorR = *piece.CastChangeBeforeCast;
    } else {
      castChangeBefore = piece.CastChangeBeforeCast;
    }
  }
  piece.CastRecs.MoveTo(out.CastRecs);
  out.Texts.Absorb(std::move(piece.Texts));
}

// The size of the file at `path` now.
long long FileSizeOf(const std::string& path) { return BlockReader(path).FileSize(); }

// Whether the byte before `offset` of the file ends a line (true at 0).
bool EndsLine(const std::string& path, long long offset) {
  if (offset <= 0) return true;
  BlockReader reader(path, offset - 1, offset);
  sv block;
  return reader.Next(block) && !block.empty() && IsLineEnd(block.back());
}

// What the joined lines leave, and where they end.
void FillEnd(const std::string& path, long long bytes, const LogNames& names,
             const JoinState& state, ParseEnd& end) {
  end.Bytes = bytes;
  end.EndsAtLineEnd = EndsLine(path, bytes);
  for (int buff = 0; buff < kBuffs; ++buff) end.Buffs[buff] = state.buffs[buff];
  end.DotSeen = state.dotSeen;
  end.LastDotMob = state.lastMob;
  end.PetNames.clear();
  for (size_t i = 0; i < names.pets.size(); ++i) end.PetNames.emplace_back(names.pets[i]);
}

// The second pass reads the log in pieces (of kPieceBytes unless told), two
// at a time, and hands their records over in log order. A piece parsed waits
// to be taken while at most kPiecesAhead pieces are parsed beyond the one
// taken last, so a parse holds the records of a few pieces, whatever the
// log's size.
constexpr size_t kPiecesAhead = 3;
constexpr int kWorkers = 2;

// The second pass over the pieces that start at `starts` (the last ends at
// `size`), on kWorkers threads; each piece joined to the lines before it and
// handed to `take` on the calling thread, in order. The bar shows the lines
// of the pieces as they are parsed.
void ParsePieces(const std::string& path, const LogNames& names,
                 const std::vector<long long>& starts, long long size, Progress& progress,
                 JoinState& state, const std::function<void(RecordBlock&)>& take) {
  const size_t count = starts.size();
  auto endOf = [&](size_t k) { return k + 1 < count ? starts[k + 1] : size; };
  std::vector<std::unique_ptr<Piece>> pieces(count);
  std::vector<char> done(count, 0);
  std::vector<std::exception_ptr> errors(count);
  std::atomic<long long> lines = 0;
  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;   // the next piece to parse
  size_t taken = 0;  // the pieces handed over
  bool quit = false;

  auto work = [&] {
    for (;;) {
      size_t k;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return quit || next >= count || next < taken + kPiecesAhead; });
        if (quit || next >= count) return;
        k = next++;
      }
      auto piece = std::make_unique<Piece>();
      std::exception_ptr error;
      try {
        long long before = 0;
        ParsePiece(path, starts[k], endOf(k), names, *piece, [&](long long n) {
          lines += n - before;
          before = n;
          const std::lock_guard lock(mutex);
          return !quit;
        });
      } catch (...) {
        error = std::current_exception();
      }
      const std::lock_guard lock(mutex);
      pieces[k] = std::move(piece);
      errors[k] = error;
      done[k] = 1;
      changed.notify_all();
    }
  };
  // The workers are told to stop and joined when this scope is left, also by
  // an exception from `take` or the bar.
  struct Workers {
    std::mutex& mutex;
    std::condition_variable& changed;
    bool& quit;
    std::vector<std::thread> threads;
    ~Workers() {
      {
        const std::lock_guard lock(mutex);
        quit = true;
      }
      changed.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } workers{mutex, changed, quit, {}};
  const int threads = static_cast<int>(std::min<size_t>(count, kWorkers));
  for (int t = 0; t < threads; ++t) workers.threads.emplace_back(work);

  // While a piece is awaited the bar is set every tenth of a second, a step
  // at which a stopped command stops; else only when it moves.
  double shown = -1;
  auto showLines = [&](bool always) {
    const double value = std::floor(static_cast<double>(lines) / 10.0);
    if (always || value != shown) progress.SetValue(value);
    shown = value;
  };
  for (size_t k = 0; k < count; ++k) {
    std::unique_ptr<Piece> piece;
    {
      std::unique_lock lock(mutex);
      // Woken early only when the piece is done, not by every other change.
      while (
          !changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return done[k] != 0; })) {
        lock.unlock();
        showLines(true);
        lock.lock();
      }
      if (errors[k]) std::rethrow_exception(errors[k]);
      piece = std::move(pieces[k]);
    }
    showLines(false);
    RecordBlock block;
    JoinPiece(*piece, block.Records, state, block.LastCastChange);
    piece.reset();
    take(block);
    {
      const std::lock_guard lock(mutex);
      taken = k + 1;
    }
    changed.notify_all();
  }
}

// Both passes; the second in pieces that start at the line starts at or
// behind `cuts`, or, without cuts, every `pieceBytes`.
ParseResult ParseInBlocks(const std::string& path, sv charName, Progress& progress,
                          const std::vector<long long>* cuts,
                          const std::function<void(RecordBlock&)>& take,
                          long long pieceBytes = kPieceBytes) {
  ParseResult result;
  LogNames names(result.Texts, charName);

  progress.SetVisible(true);
  // The log as it stands now: lines the game appends meanwhile wait for the
  // next read.
  const long long size = FileSizeOf(path);
  result.Lines = ScanPetNamesOfLog(path, size, cuts, names, progress);
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  progress.SetVisible(true);

  const std::vector<long long> starts = PieceStarts(path, size, cuts, std::max(pieceBytes, 1LL));
  JoinState state;
  ParsePieces(path, names, starts, size, progress, state, take);
  FillEnd(path, size, names, state, result.End);
  progress.SetValue(0);
  return result;
}

// The blocks of a parse put together into one result.
ParseResult ParseWhole(const std::string& path, sv charName, Progress& progress,
                       const std::vector<long long>* cuts) {
  ParseResult whole;
  ParseResult names = ParseInBlocks(path, charName, progress, cuts, [&whole](RecordBlock& block) {
    // A fizzle or interrupt before the log's first cast changes nothing.
    if (block.LastCastChange && !whole.CastRecs.empty()) {
      whole.CastRecs.back().CorR = *block.LastCastChange;
    }
    ParseResult& records = block.Records;
    if (whole.DamageRecs.empty()) {
      whole.DamageRecs = std::move(records.DamageRecs);
    } else {
      whole.DamageRecs.insert(whole.DamageRecs.end(), records.DamageRecs.begin(),
                              records.DamageRecs.end());
    }
    whole.CastRecs.insert(whole.CastRecs.end(), records.CastRecs.begin(), records.CastRecs.end());
    whole.Texts.Absorb(std::move(records.Texts));
  });
  whole.Texts.Absorb(std::move(names.Texts));
  whole.Lines = names.Lines;
  whole.End = std::move(names.End);
  return whole;
}

}  // namespace

ParseResult ParseLogFile(const std::string& path, std::string_view charName, Progress& progress) {
  return ParseWhole(path, charName, progress, nullptr);
}

ParseResult ParseLogInBlocks(const std::string& path, std::string_view charName, Progress& progress,
                             const std::function<void(RecordBlock&)>& take, long long pieceBytes) {
  return ParseInBlocks(path, charName, progress, nullptr, take, pieceBytes);
}

AppendedParse ParseAppendedLines(const std::string& path, std::string_view charName,
                                 const ParseEnd& before, long long end, Progress& progress) {
  AppendedParse out;
  ParseResult& result = out.Records;
  LogNames names(result.Texts, charName);
  for (const std::string& name : before.PetNames) names.AddPet(name);
  const size_t known = names.pets.size();
  progress.SetVisible(true);
  {
    BlockReader reader(path, before.Bytes, end);
    sv block;
    while (reader.Next(block)) result.Lines += ScanPetNames(block, names);
  }
  for (size_t i = known; i < names.pets.size(); ++i) out.NewPetNames.emplace_back(names.pets[i]);
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  Piece piece;
  ParsePiece(path, before.Bytes, end, names, piece, [&](long long n) {
    progress.SetValue(std::floor(static_cast<double>(n) / 10.0));
    return true;
  });
  JoinState state;
  for (int buff = 0; buff < kBuffs; ++buff) state.buffs[buff] = before.Buffs[buff];
  state.dotSeen = before.DotSeen;
  state.lastMob = before.LastDotMob;
  JoinPiece(piece, result, state, out.LastCastChange);
  FillEnd(path, end, names, state, result.End);
  progress.SetValue(0);
  return out;
}

ParseResult ParseLogFileInPieces(const std::string& path, std::string_view charName,
                                 Progress& progress, const std::vector<long long>& cuts) {
  return ParseWhole(path, charName, progress, &cuts);
}

}  // namespace qorn
