#include "parse/log_parser.h"

#include <cmath>
#include <cstring>
#include <optional>

#include "parse/block_reader.h"
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
constexpr sv kPetNeedles[] = {", Master.", "tells you, 'Attacking"};

// The messages after "] " that a line must start with to matter in the second
// pass, short of a pet's or the character's name or a DoT tick: a coarse
// filter, the tests themselves follow in ParseLine.
constexpr sv kMessageStarts[] = {"You", "Quivering", "The ", "Vile "};

bool Contains(sv line, sv fragment) { return line.find(fragment) != npos; }

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
  sv name;            // pooled
  std::string tag;    // "] " + name
  sv dmgType;         // Pet, or Epic/Swarm when the name holds the character's
  bool usable;        // names of three characters or fewer never match
};

class LineParser {
 public:
  LineParser(ParseResult& out, sv charName) : out_(out) {
    charName_ = out_.Texts.Intern(charName);
    charTag_ = "] " + std::string(charName);
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

  // Cheap test whether a line can yield anything; exact tests follow in ParseLine.
  bool MayMatter(sv line) const {
    for (size_t i = line.find("] "); i != npos; i = line.find("] ", i + 1)) {
      const sv rest = line.substr(i + 2);
      for (sv start : kMessageStarts) {
        if (rest.starts_with(start)) return true;
      }
      if (rest.starts_with(charName_)) return true;
      for (const PetName& pet : pets_) {
        if (pet.usable && rest.starts_with(pet.name)) return true;
      }
    }
    return false;
  }

  void ParseLine(sv line) {
    if (Contains(line, "to your guild") || Contains(line, " tells ")) return;
    const std::optional<DateTime> when = LineTime(line);
    if (!when) return;
    when_ = *when;

    if (Contains(line, "] You have been slain")) cpower_ = coa_ = inten_ = false;
    if (Contains(line, "] Quivering power pulses through your hands.")) cpower_ = true;
    if (Contains(line, "] The power fades away.")) cpower_ = false;
    if (Contains(line, "] Vile energy flows through your veins.")) coa_ = true;
    if (Contains(line, "] The vile power fades.")) coa_ = false;
    if (Contains(line, "] Your mind sharpens and strength flows into your body.")) inten_ = true;
    if (Contains(line, "] Your intensity fades.")) inten_ = false;

    const bool hasDamage = Contains(line, "non-melee") || Contains(line, "points of damage");
    for (const PetName& pet : pets_) {
      if (pet.usable && hasDamage && Contains(line, pet.tag)) PetRecord(line, pet);
    }
    if (Contains(line, "has taken") && Contains(line, "damage from your")) DotRecord(line);
    const bool charTagged = Contains(line, charTag_);
    if (charTagged && Contains(line, kBodyMessage)) {
      AddDamage(swarmName_, lastMob_, kGuardianDmg, kEpicSwarm, kGuardian);
    }
    if (charTagged && ContainsIgnoreCase(line, "of non-melee damage.") &&
        !Contains(line, kPetSuffix)) {
      DdRecord(line);
    }
    if (Contains(line, "] Your spell fizzles")) SetLastCast(kCastFizzled);
    if (Contains(line, "] Your spell is interrupted")) SetLastCast(kCastInterrupted);
    if (Contains(line, "] You begin casting ")) {
      AddCast(kCastBegun, out_.Texts.Intern(Mid(line, kCastSpellStart)));
    }
    if (Contains(line, "] Your target resisted the ") && line.size() >= kResistTail) {
      spell_.assign(Mid(line, kResistSpellStart, line.size() - kResistTail));
      spell_ += '.';
      AddCast(kCastResisted, out_.Texts.Intern(spell_));
    }
  }

 private:
  void AddPet(sv name) {
    pets_.push_back({name, "] " + std::string(name),
                     Contains(name, charName_) ? kEpicSwarm : kPet, name.size() >= 4});
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
  std::string charTag_;
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
  long long lines = 0;
  for (const char* p = data; p < stop;) {
    const void* nl = std::memchr(p, '\n', static_cast<size_t>(stop - p));
    ++lines;
    if (nl == nullptr) break;
    p = static_cast<const char*>(nl) + 1;
  }
  // The needles' hits in file order, so that names keep their order of first appearance.
  const char* next[2];
  auto find = [&](int k, const char* from) {
    const void* hit = from < stop ? ::memmem(from, static_cast<size_t>(stop - from),
                                             kPetNeedles[k].data(), kPetNeedles[k].size())
                                  : nullptr;
    next[k] = hit ? static_cast<const char*>(hit) : stop;
  };
  find(0, data);
  find(1, data);
  while (next[0] < stop || next[1] < stop) {
    const char* hit = std::min(next[0], next[1]);
    const void* before = ::memrchr(data, '\n', static_cast<size_t>(hit - data));
    const char* lineBegin = before ? static_cast<const char*>(before) + 1 : data;
    const void* after = std::memchr(hit, '\n', static_cast<size_t>(stop - hit));
    const char* lineEnd = after ? static_cast<const char*>(after) : stop;
    parser.AddPetName(StripLineEnd(lineBegin, lineEnd));
    find(0, lineEnd);
    find(1, lineEnd);
  }
  return lines;
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
    const char* const stop = block.data() + block.size();
    // Lines holding "has taken" are found a block at a time; the rest must pass MayMatter.
    const char* taken = nullptr;
    auto findTaken = [&](const char* from) {
      const void* hit = ::memmem(from, static_cast<size_t>(stop - from), "has taken", 9);
      taken = hit ? static_cast<const char*>(hit) : stop;
    };
    findTaken(block.data());
    for (const char* p = block.data(); p < stop;) {
      const void* nl = std::memchr(p, '\n', static_cast<size_t>(stop - p));
      const char* end = nl ? static_cast<const char*>(nl) : stop;
      ++lineNo;
      const sv line = StripLineEnd(p, end);
      if (!line.empty()) {
        if (taken < p) findTaken(p);
        if (taken < end || parser.MayMatter(line)) parser.ParseLine(line);
      }
      p = end + 1;
    }
    progress.SetValue(std::floor(static_cast<double>(lineNo) / 10.0));
  }
  progress.SetValue(0);
  return result;
}

}  // namespace qorn
