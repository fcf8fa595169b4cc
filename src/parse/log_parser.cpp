#include "parse/log_parser.h"

#include <cmath>
#include <cstring>
#include <optional>

#include "parse/block_reader.h"
#include "parse/byte_scan.h"
#include "parse/log_time.h"

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
// are rare enough to search whole blocks for.
constexpr sv kPetNeedles[] = {"Master.", "'Attacking"};

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
constexpr sv kTaggedMessages[] = {kSlain,    kCpowerOn, kCpowerOff, kCoaOn, kCoaOff, kIntenOn,
                                  kIntenOff, kFizzle,   kInterrupt, kCast,  kResist};

// starts_with, with the first byte tested before any call.
bool StartsWith(sv text, sv prefix) {
  return prefix.empty() || (text.size() >= prefix.size() && text[0] == prefix[0] &&
                            std::memcmp(text.data(), prefix.data(), prefix.size()) == 0);
}

bool Contains(sv line, sv fragment) {
  const char* end = line.data() + line.size();
  return FindText(line.data(), end, fragment) != end;
}

bool ContainsIgnoreCase(sv line, sv lowerFragment) {
  if (lowerFragment.size() > line.size()) return false;
  const size_t last = line.size() - lowerFragment.size();
  for (size_t i = 0; i <= last; ++i) {
    size_t k = 0;
    while (k < lowerFragment.size()) {
      char c = line[i + k];
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

// Mid$ semantics: a start beyond the end gives an empty text.
sv Mid(sv s, size_t start, size_t count = npos) {
  return start >= s.size() ? sv{} : s.substr(start, count);
}

// Digits at `at` up to the first non-digit, as a 32-bit amount; nullopt when
// there are none or the amount does not fit.
std::optional<int32_t> ReadAmount(sv line, size_t at, size_t& end) {
  int64_t value = 0;
  size_t i = at;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
    value = value * 10 + (line[i] - '0');
    if (value > INT32_MAX) return std::nullopt;
    ++i;
  }
  if (i == at) return std::nullopt;
  end = i;
  return static_cast<int32_t>(value);
}

// The damage phrase " for N point(s)" that starts at or behind `from`: the last
// " for " followed by a number, so that a target such as "a forest giant"
// keeps its whole name.
bool FindForPoints(sv line, size_t from, size_t& phrase, int32_t& amount) {
  size_t pos = line.rfind(" for ");
  while (pos != npos && pos >= from) {
    size_t end = 0;
    if (const auto value = ReadAmount(line, pos + 5, end);
        value && line.compare(end, 6, " point") == 0) {
      phrase = pos;
      amount = *value;
      return true;
    }
    if (pos == 0) break;
    pos = line.rfind(" for ", pos - 1);
  }
  return false;
}

// The verb and the target behind a name that ends at `nameEnd`, and the
// amount of the damage phrase. False when the line lacks any of them.
bool VerbTargetAmount(sv line, size_t nameEnd, sv& verb, sv& mob, int32_t& amount) {
  const size_t verbStart = nameEnd + 1;
  const size_t blank = verbStart < line.size() ? line.find(' ', verbStart) : npos;
  if (blank == npos) return false;
  size_t phrase = 0;
  if (!FindForPoints(line, blank, phrase, amount)) return false;
  verb = TrimSpaces(line.substr(verbStart, blank - verbStart));
  mob = TrimSpaces(Mid(line, blank + 1, phrase - std::min(phrase, blank + 1)));
  return true;
}

struct PetName {
  sv name;      // pooled
  sv dmgType;   // Pet, or Epic/Swarm when the name holds the character's
  bool usable;  // names of three characters or fewer never match
};

class LineParser {
 public:
  LineParser(ParseResult& out, sv charName) : out_(out) {
    charName_ = out_.Texts.Intern(charName);
    swarmName_ = out_.Texts.Intern(std::string(charName) + std::string(kPetSuffix));
  }

  // Pass 1: one line that holds a pet fragment.
  void AddPetName(sv line) {
    bool found = false;
    for (sv fragment : kPetFragments) found = found || Contains(line, fragment);
    if (!found || line.size() <= kMessageStart) return;
    const size_t blank = line.find(' ', kMessageStart);
    if (blank == npos) return;
    const sv name = TrimSpaces(line.substr(kMessageStart, blank - kMessageStart));
    if (name.empty()) return;
    for (const PetName& pet : pets_) {
      if (pet.name == name) return;
    }
    AddPet(out_.Texts.Intern(name));
  }

  // The character's swarm pets stand last in the name list.
  void FinishPetNames() { AddPet(swarmName_); }

  // Whether the text behind a "] " starts a message that a test looks for
  // (the other conditions of the tests follow in ParseLine).
  bool MayMatterAfterBracket(sv rest) const {
    if (rest.empty()) return charName_.empty();
    switch (rest[0]) {
      case 'Y':
      case 'Q':
      case 'T':
      case 'V':
        for (sv message : kTaggedMessages) {
          if (StartsWith(rest, message)) return true;
        }
        break;
      default:
        break;
    }
    if (StartsWith(rest, charName_)) return true;
    for (const PetName& pet : pets_) {
      if (pet.usable && StartsWith(rest, pet.name)) return true;
    }
    return false;
  }

  // One line of the second pass; `hasTaken` tells whether it holds "has taken".
  void ParseLine(sv line, bool hasTaken) {
    if (Contains(line, "to your guild") || Contains(line, " tells ")) return;
    const std::optional<DateTime> when = LineTime(line);
    if (!when) return;
    when_ = *when;

    // The texts behind each "] " of the line: every "] X" test looks only there.
    messages_.clear();
    for (size_t i = line.find("] "); i != npos; i = line.find("] ", i + 1)) {
      messages_.push_back(line.substr(i + 2));
    }
    auto tagged = [this](sv text) {
      for (sv message : messages_) {
        if (StartsWith(message, text)) return true;
      }
      return false;
    };

    if (tagged(kSlain)) cpower_ = coa_ = inten_ = false;
    if (tagged(kCpowerOn)) cpower_ = true;
    if (tagged(kCpowerOff)) cpower_ = false;
    if (tagged(kCoaOn)) coa_ = true;
    if (tagged(kCoaOff)) coa_ = false;
    if (tagged(kIntenOn)) inten_ = true;
    if (tagged(kIntenOff)) inten_ = false;

    int hasDamage = -1;  // looked at only when a pet is named
    for (const PetName& pet : pets_) {
      if (!pet.usable || !tagged(pet.name)) continue;
      if (hasDamage < 0) {
        hasDamage = Contains(line, "non-melee") || Contains(line, "points of damage");
      }
      if (hasDamage != 0) PetRecord(line, pet);
    }
    if (hasTaken && Contains(line, "damage from your")) DotRecord(line);
    const bool charTagged = tagged(charName_);
    if (charTagged && Contains(line, kBodyMessage)) {
      AddDamage(swarmName_, lastMob_, kGuardianDmg, kEpicSwarm, kGuardian);
    }
    if (charTagged && ContainsIgnoreCase(line, "of non-melee damage.") &&
        !Contains(line, kPetSuffix)) {
      DdRecord(line);
    }
    if (tagged(kFizzle)) SetLastCast(kCastFizzled);
    if (tagged(kInterrupt)) SetLastCast(kCastInterrupted);
    if (tagged(kCast)) {
      AddCast(kCastBegun, out_.Texts.Intern(Mid(line, kCastSpellStart)));
    }
    if (tagged(kResist) && line.size() >= kResistTail) {
      spell_.assign(Mid(line, kResistSpellStart, line.size() - kResistTail));
      spell_ += '.';
      AddCast(kCastResisted, out_.Texts.Intern(spell_));
    }
  }

 private:
  void AddPet(sv name) {
    pets_.push_back({name, name.find(charName_) != npos ? kEpicSwarm : kPet, name.size() >= 4});
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

  void PetRecord(sv line, const PetName& pet) {
    sv verb, mob;
    int32_t amount = 0;
    if (!VerbTargetAmount(line, line.find(pet.name) + pet.name.size(), verb, mob, amount)) return;
    const sv source = Contains(line, "non-melee damage") ? sv("non-melee") : verb;
    AddDamage(pet.name, out_.Texts.Intern(mob), amount, pet.dmgType, out_.Texts.Intern(source));
  }

  void DotRecord(sv line) {
    const size_t taken = line.find("has taken");
    if (taken < kMessageStart || line.compare(taken + 9, 1, " ") != 0) return;
    size_t end = 0;
    const auto amount = ReadAmount(line, taken + 10, end);
    if (!amount || line.compare(end, 7, " damage") != 0) return;
    const sv mob = TrimSpaces(line.substr(kMessageStart, taken - kMessageStart));
    const sv spell = TrimSpaces(Mid(line, line.find("damage from your") + 17));
    lastMob_ = out_.Texts.Intern(mob);
    AddDamage(charName_, lastMob_, *amount, kDot, out_.Texts.Intern(spell));
  }

  void DdRecord(sv line) {
    sv verb, mob;
    int32_t amount = 0;
    if (!VerbTargetAmount(line, line.find(charName_) + charName_.size(), verb, mob, amount)) {
      return;
    }
    AddDamage(charName_, out_.Texts.Intern(mob), amount, kDD, out_.Texts.Intern(verb));
  }

  void AddDamage(sv who, sv mob, int32_t dmg, sv type, sv source) {
    DamageRec& r = out_.DamageRecs.emplace_back();
    r.When = when_;
    r.Who = who;
    r.Mob = mob;
    r.Dmg = dmg;
    r.DmgType = type;
    r.DmgSrc = source;
    r.Cpower = cpower_;
    r.CoA = coa_;
    r.Inten = inten_;
  }

  void AddCast(int16_t code, sv spell) { out_.CastRecs.push_back({when_, code, spell}); }

  void SetLastCast(int16_t code) {
    if (!out_.CastRecs.empty()) out_.CastRecs.back().CorR = code;
  }

  ParseResult& out_;
  sv charName_;
  sv swarmName_;
  std::vector<PetName> pets_;
  bool cpower_ = false;
  bool coa_ = false;
  bool inten_ = false;
  sv lastMob_;
  DateTime when_ = 0;
  std::string stampKey_;
  DateTime stampValue_ = 0;
  std::string spell_;
  std::vector<sv> messages_;
};

// A line without its terminator: a line feed, and a carriage return before it.
sv StripLineEnd(const char* begin, const char* end) {
  if (end > begin && end[-1] == '\r') --end;
  return {begin, static_cast<size_t>(end - begin)};
}

// Pass 1 over one block: the line count and the pet names.
long long ScanPetNames(sv block, LineParser& parser) {
  const char* const data = block.data();
  const char* const stop = data + block.size();
  long long lines = CountByte(data, stop, '\n');
  if (!block.empty() && block.back() != '\n') ++lines;  // the file's last line
  // The needles' hits in file order, so that names keep their order of first appearance.
  const char* next[2] = {FindText(data, stop, kPetNeedles[0]),
                         FindText(data, stop, kPetNeedles[1])};
  while (next[0] < stop || next[1] < stop) {
    const char* hit = std::min(next[0], next[1]);
    const void* before = ::memrchr(data, '\n', static_cast<size_t>(hit - data));
    const char* lineBegin = before ? static_cast<const char*>(before) + 1 : data;
    const void* after = std::memchr(hit, '\n', static_cast<size_t>(stop - hit));
    const char* lineEnd = after ? static_cast<const char*>(after) : stop;
    parser.AddPetName(StripLineEnd(lineBegin, lineEnd));
    for (int k = 0; k < 2; ++k) next[k] = FindText(lineEnd, stop, kPetNeedles[k]);
  }
  return lines;
}

// Pass 2 over one block. Line feeds and "] " are found 64 bytes at a time;
// only a line with a "] " that may start a message of interest, or with
// "has taken" (found a block at a time), goes to ParseLine.
void ScanRecords(sv block, LineParser& parser, long long& lineNo) {
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
  auto lineEnd = [&](const char* end) {
    ++lineNo;
    const sv line = StripLineEnd(lineBegin, end);
    if (taken < lineBegin) taken = findTaken(lineBegin);
    const bool hasTaken = taken < end;
    if (!line.empty() && (candidate || hasTaken)) parser.ParseLine(line, hasTaken);
    lineBegin = end + 1;
    candidate = false;
  };

  size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    uint64_t feeds = 0, brackets = 0;
    Match64(base + i, '\n', ']', feeds, brackets);
    for (uint64_t all = feeds | brackets; all != 0; all &= all - 1) {
      const int bit = __builtin_ctzll(all);
      if ((feeds >> bit) & 1) {
        lineEnd(base + i + bit);
      } else {
        bracket(i + bit);
      }
    }
  }
  for (; i < size; ++i) {
    if (base[i] == '\n') {
      lineEnd(base + i);
    } else if (base[i] == ']') {
      bracket(i);
    }
  }
  if (lineBegin < base + size) lineEnd(base + size);  // the file's last line, without a line feed
}

}  // namespace

ParseResult ParseLogFile(const std::string& path, std::string_view charName, Progress& progress) {
  ParseResult result;
  LineParser parser(result, charName);

  progress.SetVisible(true);
  {
    BlockReader reader(path);
    sv block;
    while (reader.Next(block)) result.Lines += ScanPetNames(block, parser);
  }
  parser.FinishPetNames();
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  progress.SetVisible(true);

  BlockReader reader(path);
  sv block;
  long long lineNo = 0;
  while (reader.Next(block)) {
    ScanRecords(block, parser, lineNo);
    progress.SetValue(std::floor(static_cast<double>(lineNo) / 10.0));
  }
  progress.SetValue(0);
  return result;
}

}  // namespace qorn
