// genlog: writes a deterministic necromancer log of any size.
//
//   genlog --size 1G [--shape NAME] [--seed N] [--name NAME] [--out FILE] [--lf]
//          [--coa-crits PERCENT]
//
// The realistic shape (the default): fights against several mobs with quiet
// pauses between them; the character's DoT ticks (now and then a double-damage
// crit), direct damage, the pet's and the swarm pets' hits, casts with resists,
// fizzles and interrupts, the buff messages; and around all of it the bulk of a
// real raid log, which yields nothing: other players' melee and spells, misses,
// chat, tells, the guild, locations and zone messages. Lines end in CR LF, or
// LF with --lf. The other shapes stress one cost each (see kShapes). The same
// arguments give the same bytes. --coa-crits makes DoT ticks crit PERCENT% of
// the time while the Anguish breastplate runs (5%, as without it, by default),
// so that a log shows what the breastplate is worth.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Rng {
  uint64_t state;
  uint64_t Next() {  // splitmix64
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Range(int lo, int hi) {
    return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool Chance(int percent) { return Range(1, 100) <= percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& v) {
    return v[Next() % v.size()];
  }
};

struct Spell {
  std::string name;  // as the log writes it, without the final period
  int tick;          // normal tick damage
};

const std::vector<Spell> kDots = {
    {"Dread Pyre", 956},   {"Chaos Venom", 473},  {"Ancient: Curse of Mori", 639},
    {"Pyre of Mori", 419}, {"Corath Venom", 611}, {"Dark Nightmare", 591},
    {"Splurt", 96},        {"Grip of Mori", 197},
};
const std::vector<std::string> kDirect = {"Ancient: Touch of Orshilak", "Conglaciation of Bone",
                                          "Ignite Bones"};
const std::vector<std::string> kMobs = {
    "a gnoll pup",
    "a forest giant",
    "an ancient shard wyvern",
    "Derakor the Vindicator",
    "a Bloodguard crypt sentry",
    "Tunare's guardian",
    "a tree snake",
    "an aggressive corpse",
    "a sarnak conscript",
    "a scaled wolf",
    "a lizard",
    "Vallon Zek",
};
const std::vector<std::string> kPlayers = {"Backwoodz", "Kelce",   "Supository", "Snomel",
                                           "Yungbae",   "Fourier", "Kaldolin",   "Findawenye",
                                           "Piemastaj", "Rumstil", "Lenantik",   "Garantik"};
const std::vector<std::string> kMelee = {"crushes", "kicks",  "pierces", "slashes",
                                         "hits",    "bashes", "punches", "bites"};
const std::vector<std::string> kPetVerbs = {"bites", "claws", "hits", "slashes", "bashes"};
const std::vector<std::string> kOtherSpells = {"Mind Tempest", "Breath of Queen Malarian",
                                               "Mind Coil Rk. II", "Slitheren Venom Rk. III"};
const std::vector<std::string> kChat = {
    "anyone selling a bone chips?",
    "inc!",
    "CH on Backwoodz next",
    "LFG necro 65",
    "assist Kelce",
    "thanks!",
    "med break after this pull",
    "root is up, stay back",
    "lol",
    "who has the key for the door?",
};
const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Capitalized(std::string s) {
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

enum class Shape { Realistic, Lf, Says, Tells, Dense, Pets, Mobs, LongLines, Brackets, Camp };

struct ShapeInfo {
  const char* name;
  Shape shape;
  const char* what;
};

const ShapeInfo kShapes[] = {
    {"realistic", Shape::Realistic, "a raid log of fights and pauses, CR LF"},
    {"lf", Shape::Lf, "the realistic log with LF-only line ends"},
    {"says", Shape::Says, "the pet only says its commands, often; no 'Attacking anywhere"},
    {"tells", Shape::Tells,
     "'tells you, 'Attacking' from the pet and players, often; no 'Master.' anywhere"},
    {"dense", Shape::Dense, "every line the character's own DoT tick or direct damage"},
    {"pets", Shape::Pets, "50,000 distinct pet names up front, fights by any of them"},
    {"mobs", Shape::Mobs, "100,000 distinct mobs, a short fight each"},
    {"long-lines", Shape::LongLines,
     "lines of 1 MB: messages of 100 pets and the character run together"},
    {"brackets", Shape::Brackets, "lines of ~4 KB, each with hundreds of \"] \""},
    {"camp", Shape::Camp,
     "7 mobs fought around the clock, fights cut by quiet gaps of random length"},
};

// A distinct name for every index below 37^3, capitalised: Gobaner-like pet names.
std::string PetName(int index) {
  static const char* const kSyllables[] = {
      "go", "ba", "ne", "ka", "bo", "xa", "na", "ro", "ve", "le", "ti", "ma", "ru",
      "se", "da", "ki", "lo", "pe", "za", "mu", "fe", "ha", "jo", "wi", "qu", "ce",
      "di", "fa", "gu", "hi", "ju", "ko", "ly", "mi", "no", "pa", "re"};
  constexpr int n = 37;
  std::string name = std::string(kSyllables[index % n]) + kSyllables[(index / n) % n] +
                     kSyllables[(index / n / n) % n] + "n";
  name[0] = static_cast<char>(name[0] - 'a' + 'A');
  return name;
}

// A distinct mob for every index below 40 * 50 * 50.
std::string MobName(int index) {
  static const char* const kAdjectives[] = {
      "frozen",   "ancient", "rotting", "scaled",  "vile",    "restless", "hungry", "pale",
      "grim",     "savage",  "silent",  "burning", "twisted", "feral",    "gaunt",  "hollow",
      "bitter",   "clever",  "crude",   "dusky",   "elder",   "fierce",   "gloomy", "hulking",
      "jagged",   "lanky",   "mangy",   "noxious", "plump",   "ragged",   "shrewd", "stout",
      "tattered", "umbral",  "vicious", "wary",    "young",   "zealous",  "blind",  "cursed"};
  static const char* const kKinds[] = {
      "gnoll",  "orc",      "goblin",   "kobold", "sarnak",   "wyvern",  "drake",   "spider",
      "wolf",   "bear",     "lizard",   "snake",  "golem",    "wraith",  "ghoul",   "skeleton",
      "imp",    "troll",    "ogre",     "giant",  "basilisk", "griffin", "harpy",   "naga",
      "iksar",  "froglok",  "minotaur", "gorgon", "cyclops",  "wisp",    "shade",   "revenant",
      "beetle", "scorpion", "rat",      "bat",    "boar",     "cougar",  "panther", "tiger",
      "crab",   "eel",      "shark",    "kraken", "treant",   "dryad",   "sprite",  "brownie",
      "hag",    "lich"};
  static const char* const kRoles[] = {
      "pup",      "scout",    "sentry",     "warrior",   "shaman",  "conscript", "guard",
      "hunter",   "brute",    "captain",    "watcher",   "stalker", "raider",    "forager",
      "mystic",   "oracle",   "zealot",     "champion",  "thrall",  "defender",  "savant",
      "reaver",   "herald",   "keeper",     "warden",    "soldier", "legionary", "tracker",
      "seer",     "priest",   "knight",     "archer",    "ravager", "drudge",    "slave",
      "overseer", "marauder", "skirmisher", "lookout",   "elder",   "matriarch", "patriarch",
      "runt",     "whelp",    "broodling",  "hatchling", "spawn",   "fiend",     "horror",
      "terror"};
  return std::string("a ") + kAdjectives[index % 40] + " " + kKinds[(index / 40) % 50] + " " +
         kRoles[(index / 2000) % 50];
}

class Writer {
 public:
  Writer(FILE* out, long long limit, bool crlf) : out_(out), limit_(limit), crlf_(crlf) {
    buffer_.reserve(1 << 22);
  }
  ~Writer() { Flush(); }

  void SetTime(time_t t) {
    if (t == now_ && !stamp_.empty()) return;
    now_ = t;
    struct tm tm {};
    gmtime_r(&t, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%s %s %02d %02d:%02d:%02d %04d] ", kWeekdays[tm.tm_wday],
                  kMonths[tm.tm_mon], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  tm.tm_year + 1900);
    stamp_ = buf;
  }
  time_t Now() const { return now_; }

  void Line(std::string_view message) {
    Part(message);
    EndLine();
  }
  // A stamped message without a line end: several run together into one line.
  void Part(std::string_view message) {
    buffer_ += stamp_;
    buffer_ += message;
    if (buffer_.size() > (1 << 22) - 4096) Flush();
  }
  // Text that is not a stamped message, and the line end.
  void Raw(std::string_view text) {
    buffer_ += text;
    if (buffer_.size() > (1 << 22) - 4096) Flush();
  }
  void EndLine() {
    buffer_ += crlf_ ? "\r\n" : "\n";
    if (buffer_.size() > (1 << 22) - 4096) Flush();
  }
  bool Full() const { return written_ + static_cast<long long>(buffer_.size()) >= limit_; }

 private:
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    written_ += static_cast<long long>(buffer_.size());
    buffer_.clear();
  }
  FILE* out_;
  long long limit_;
  bool crlf_;
  long long written_ = 0;
  std::string buffer_;
  std::string stamp_;
  time_t now_ = 0;
};

class Generator {
 public:
  Generator(Writer& w, uint64_t seed, std::string name, Shape shape, int coaCrits)
      : w_(w),
        rng_{seed},
        name_(std::move(name)),
        pet_("Gobaner"),
        shape_(shape),
        coaCrits_(coaCrits) {}

  void Run() {
    w_.SetTime(1764864000 + rng_.Range(0, 86400));  // early December 2025
    if (shape_ == Shape::Pets) {
      // Every summon names a new pet; here 50,000 of them said so before the fights.
      for (int i = 0; i < 50000; ++i) {
        petPool_.push_back(PetName(i));
        if (i % 20 == 0) w_.SetTime(w_.Now() + 1);
        w_.Line(Msg({petPool_.back(), rng_.Chance(50) ? " says 'Following you, Master.'"
                                                      : " says 'Waiting for your order to "
                                                        "attack, Master.'"}));
      }
    }
    while (!w_.Full()) {
      Pause(rng_.Range(20, 90));
      if (w_.Full()) break;
      Fight();
    }
  }

 private:
  std::string Msg(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (auto p : parts) s += p;
    return s;
  }
  std::string N(int v) { return std::to_string(v); }

  // Other people's doings: most of any real log.
  void Noise(const std::string& mob, bool fighting) {
    const std::string& p = rng_.Pick(kPlayers);
    const std::string& q = rng_.Pick(kPlayers);
    switch (rng_.Range(0, fighting ? 13 : 6)) {
      case 0:
        w_.Line(Msg({p, " tells the guild, '", rng_.Pick(kChat), "'"}));
        break;
      case 1:
        w_.Line(Msg({p, " tells the group, '", rng_.Pick(kChat), "'"}));
        break;
      case 2:
        w_.Line(Msg({p, " says, '", rng_.Pick(kChat), "'"}));
        break;
      case 3:
        w_.Line(Msg({"Your Location is ", N(rng_.Range(-900, 900)), ".", N(rng_.Range(10, 99)),
                     ", ", N(rng_.Range(-900, 900)), ".", N(rng_.Range(10, 99)), ", -16.25"}));
        break;
      case 4:
        w_.Line(Msg({p, " tells you, '", rng_.Pick(kChat), "'"}));
        break;
      case 5:
        w_.Line(Msg({p, " begins to cast a spell."}));
        break;
      case 6:
        w_.Line(Msg({"You say to your guild, '", rng_.Pick(kChat), "'"}));
        break;
      case 7:
      case 8:
      case 9:
        w_.Line(Msg({p, " ", rng_.Pick(kMelee), " ", mob, " for ", N(rng_.Range(5, 900)),
                     " points of damage."}));
        break;
      case 10:
        w_.Line(Msg({p, " tries to ", "hit ", mob, ", but misses!"}));
        break;
      case 11:
        w_.Line(Msg({Capitalized(mob), " hits ", q, " for ", N(rng_.Range(100, 1500)),
                     " points of damage."}));
        break;
      case 12:
        w_.Line(Msg({Capitalized(mob), " has taken ", N(rng_.Range(500, 40000)), " damage from ",
                     rng_.Pick(kOtherSpells), " by ", p, "."}));
        break;
      default:
        w_.Line(Msg({Capitalized(mob), " was burned."}));
        break;
    }
  }

  void Pause(int seconds) {
    if (rng_.Chance(50) && shape_ != Shape::Tells) {
      w_.Line(Msg({pet_, " says 'Following you, Master.'"}));
    }
    for (int s = 0; s < seconds && !w_.Full(); ++s) {
      w_.SetTime(w_.Now() + 1);
      const int lines = rng_.Range(0, 3);
      for (int i = 0; i < lines; ++i) Noise("a lizard", false);
    }
  }

  void Cast(const std::string& spell) {
    w_.Line(Msg({"You begin casting ", spell, "."}));
    const int roll = rng_.Range(1, 100);
    if (roll <= 8)
      w_.Line(Msg({"Your target resisted the ", spell, " spell."}));
    else if (roll <= 12)
      w_.Line("Your spell fizzles!");
    else if (roll <= 15)
      w_.Line("Your spell is interrupted.");
  }

  // The talk that the says and tells shapes add: about one line in forty.
  void Chatter(const std::string& mob) {
    if (shape_ == Shape::Says && rng_.Chance(30)) {
      w_.Line(Msg({pet_, rng_.Chance(50) ? " says 'Following you, Master.'"
                                         : " says 'Waiting for your order to attack, Master.'"}));
    } else if (shape_ == Shape::Tells && rng_.Chance(30)) {
      w_.Line(Msg({rng_.Pick(kPlayers), " tells you, 'Attacking ", mob, "'"}));
    }
  }

  void Fight() {
    const std::string mob = rng_.Pick(kMobs);
    const int length = rng_.Range(30, 240);
    if (shape_ == Shape::Pets) pet_ = rng_.Pick(petPool_);
    if (shape_ == Shape::Says) {
      w_.Line(Msg({pet_, " says 'Waiting for your order to attack, Master.'"}));
    } else if (shape_ == Shape::Tells) {
      w_.Line(Msg({pet_, " tells you, 'Attacking ", mob, "'"}));
    } else {
      w_.Line(Msg({pet_, " tells you, 'Attacking ", mob, " Master.'"}));
    }
    std::vector<const Spell*> dots;
    for (size_t i = 0; i < kDots.size(); ++i) {
      if (rng_.Chance(45)) dots.push_back(&kDots[i]);
    }
    if (dots.empty()) dots.push_back(&kDots[0]);
    for (const Spell* s : dots) Cast(s->name);
    const bool burn = rng_.Chance(20);
    if (burn) w_.Line("Quivering power pulses through your hands.");
    const bool coa = burn && rng_.Chance(50);
    if (coa) w_.Line("Vile energy flows through your veins.");
    if (rng_.Chance(15)) w_.Line("Your mind sharpens and strength flows into your body.");
    for (int s = 1; s <= length && !w_.Full(); ++s) {
      w_.SetTime(w_.Now() + 1);
      // A raid log is busy: a dozen lines a second of other people's doings.
      const int noise = rng_.Range(4, 20);
      for (int i = 0; i < noise; ++i) Noise(mob, true);
      Chatter(mob);
      if (rng_.Chance(70)) {
        w_.Line(Msg({pet_, " ", rng_.Pick(kPetVerbs), " ", mob, " for ", N(rng_.Range(20, 180)),
                     " points of damage."}));
      }
      if (rng_.Chance(4)) {
        w_.Line(Msg(
            {pet_, " hit ", mob, " for ", N(rng_.Range(50, 300)), " points of non-melee damage."}));
      }
      if (s % 6 == 0) {
        for (const Spell* d : dots) {
          const int dmg = rng_.Chance(coa ? coaCrits_ : 5) ? d->tick * 2
                                                           : d->tick - rng_.Range(0, d->tick / 10);
          w_.Line(
              Msg({Capitalized(mob), " has taken ", N(dmg), " damage from your ", d->name, "."}));
        }
      }
      if (rng_.Chance(6)) {
        const std::string& dd = rng_.Pick(kDirect);
        Cast(dd);
        w_.Line(Msg({name_, " hit ", mob, " for ", N(rng_.Range(800, 4000)),
                     " points of non-melee damage."}));
      }
      if (burn && s > 10 && s < 40 && rng_.Chance(50)) {
        w_.Line(Msg({name_, "`s pet ", rng_.Pick(kPetVerbs), " ", mob, " for ",
                     N(rng_.Range(30, 250)), " points of damage."}));
      }
      if (rng_.Chance(1)) w_.Line(Msg({name_, "`s pet's body fills with energy."}));
      if (rng_.Chance(2)) Cast(rng_.Pick(kDots).name);
    }
    if (burn) w_.Line("The power fades away.");
    if (burn) w_.Line("The vile power fades.");
    if (rng_.Chance(10)) w_.Line("Your intensity fades.");
    if (rng_.Chance(3)) w_.Line(Msg({"You have been slain by ", mob, "!"}));
  }

  Writer& w_;
  Rng rng_;
  std::string name_;
  std::string pet_;
  Shape shape_;
  int coaCrits_;  // crit chance of a DoT tick in percent while the breastplate runs
  std::vector<std::string> petPool_;
};

constexpr time_t kStart = 1764864000;  // early December 2025

// Every line the character's own damage: DoT ticks and direct damage, a dozen a
// second, against one mob after another.
void WriteDense(Writer& w, Rng& rng, const std::string& name) {
  w.SetTime(kStart + rng.Range(0, 86400));
  std::string mob = rng.Pick(kMobs);
  int fightLeft = rng.Range(30, 240);
  while (!w.Full()) {
    w.SetTime(w.Now() + 1);
    if (--fightLeft == 0) {
      mob = rng.Pick(kMobs);
      fightLeft = rng.Range(30, 240);
    }
    const int lines = rng.Range(6, 16);
    for (int i = 0; i < lines; ++i) {
      if (rng.Chance(70)) {
        const Spell& d = rng.Pick(kDots);
        w.Line(Capitalized(mob) + " has taken " + std::to_string(d.tick - rng.Range(0, 30)) +
               " damage from your " + d.name + ".");
      } else {
        w.Line(name + " hit " + mob + " for " + std::to_string(rng.Range(800, 4000)) +
               " points of non-melee damage.");
      }
    }
  }
}

// A hundred thousand distinct mobs, a fight of a few seconds each; then again.
void WriteMobs(Writer& w, Rng& rng, const std::string& name) {
  w.SetTime(kStart + rng.Range(0, 86400));
  const std::string pet = "Gobaner";
  for (int i = 0; !w.Full(); ++i) {
    const std::string mob = MobName(i % 100000);
    w.SetTime(w.Now() + rng.Range(2, 4));
    w.Line(pet + " tells you, 'Attacking " + mob + " Master.'");
    const Spell& dot = rng.Pick(kDots);
    w.Line("You begin casting " + dot.name + ".");
    const int seconds = rng.Range(1, 3);
    for (int s = 0; s < seconds; ++s) {
      w.SetTime(w.Now() + 1);
      w.Line(Capitalized(mob) + " has taken " + std::to_string(dot.tick) + " damage from your " +
             dot.name + ".");
      if (rng.Chance(70)) {
        w.Line(pet + " " + rng.Pick(kPetVerbs) + " " + mob + " for " +
               std::to_string(rng.Range(20, 180)) + " points of damage.");
      }
      if (rng.Chance(20)) {
        w.Line(name + " hit " + mob + " for " + std::to_string(rng.Range(800, 4000)) +
               " points of non-melee damage.");
      }
      w.Line(rng.Pick(kPlayers) + " " + rng.Pick(kMelee) + " " + mob + " for " +
             std::to_string(rng.Range(5, 900)) + " points of damage.");
    }
  }
}

// A camp held around the clock: the same seven mobs again and again, fought
// in bursts of a few seconds to half a minute with quiet gaps between them of
// any length, most shorter than the shortest timer, many between it and the
// next, a few long (another mob then comes up). A timer of 18 s cuts about
// eight times the fights of one of 30 s, and each re-cut changes most of them.
void WriteCamp(Writer& w, Rng& rng, const std::string& name) {
  w.SetTime(kStart + rng.Range(0, 86400));
  const std::string pet = "Gobaner";
  const std::vector<std::string> camp(kMobs.begin(), kMobs.begin() + 7);
  std::string mob = rng.Pick(camp);
  // Other people's melee and chat fill the log between the character's lines.
  auto noise = [&](int lines) {
    for (int i = 0; i < lines; ++i) {
      const std::string& p = rng.Pick(kPlayers);
      if (rng.Chance(75)) {
        w.Line(p + " " + rng.Pick(kMelee) + " " + mob + " for " +
               std::to_string(rng.Range(5, 900)) + " points of damage.");
      } else {
        w.Line(p + " tells the guild, 'camp check, " + mob + " up in " +
               std::to_string(rng.Range(1, 30)) + "'");
      }
    }
  };
  while (!w.Full()) {
    const int gap = rng.Range(1, 100);
    const int quiet = gap <= 55   ? rng.Range(1, 17)
                      : gap <= 95 ? rng.Range(19, 29)
                                  : rng.Range(31, 240);
    for (int s = 0; s < quiet && !w.Full(); ++s) {
      w.SetTime(w.Now() + 1);
      noise(rng.Range(0, 3));
    }
    if (quiet > 30) mob = rng.Pick(camp);
    w.Line(pet + " tells you, 'Attacking " + mob + " Master.'");
    const int burst = rng.Range(3, 30);
    for (int s = 1; s <= burst && !w.Full(); ++s) {
      w.SetTime(w.Now() + 1);
      noise(rng.Range(0, 3));
      if (rng.Chance(70)) {
        w.Line(pet + " " + rng.Pick(kPetVerbs) + " " + mob + " for " +
               std::to_string(rng.Range(20, 180)) + " points of damage.");
      }
      if (s % 6 == 0) {
        for (int d = 0; d < 3; ++d) {
          const Spell& dot = kDots[static_cast<size_t>(d) % kDots.size()];
          w.Line(Capitalized(mob) + " has taken " + std::to_string(dot.tick - rng.Range(0, 30)) +
                 " damage from your " + dot.name + ".");
        }
      }
      if (rng.Chance(6)) {
        w.Line(name + " hit " + mob + " for " + std::to_string(rng.Range(800, 4000)) +
               " points of non-melee damage.");
      }
    }
  }
}

// One message of a pet, of the character's DoT or of its direct damage.
std::string DamageMessage(Rng& rng, const std::string& name, const std::string& pet) {
  const std::string& mob = rng.Pick(kMobs);
  const int roll = rng.Range(1, 10);
  if (roll <= 8) {
    return pet + " " + rng.Pick(kPetVerbs) + " " + mob + " for " +
           std::to_string(rng.Range(20, 180)) + " points of damage.";
  }
  if (roll == 9) {
    const Spell& d = rng.Pick(kDots);
    return Capitalized(mob) + " has taken " + std::to_string(d.tick) + " damage from your " +
           d.name + ".";
  }
  return name + " hit " + mob + " for " + std::to_string(rng.Range(800, 4000)) +
         " points of non-melee damage.";
}

// Lines of 1 MB: the messages of 100 pets and of the character, their line
// ends lost, as in a log that something rewrote.
void WriteLongLines(Writer& w, Rng& rng, const std::string& name) {
  w.SetTime(kStart + rng.Range(0, 86400));
  for (int i = 0; i < 100; ++i) w.Line(PetName(i) + " says 'Following you, Master.'");
  while (!w.Full()) {
    size_t length = 0;
    for (int part = 0; length < (1 << 20); ++part) {
      if (part % 1000 == 0) w.SetTime(w.Now() + 1);
      const std::string message = DamageMessage(rng, name, PetName(rng.Range(0, 99)));
      w.Part(message + " ");
      length += 28 + message.size();
    }
    w.EndLine();
  }
}

// Lines of about 4 KB whose text holds hundreds of "] ", each followed by a
// pet's name, the character's, the start of a message the parser looks for,
// or a whole message; between them ordinary lines of damage.
void WriteBrackets(Writer& w, Rng& rng, const std::string& name) {
  w.SetTime(kStart + rng.Range(0, 86400));
  std::vector<std::string> pets;
  for (int i = 0; i < 5; ++i) {
    pets.push_back(PetName(i));
    w.Line(pets.back() + " says 'Following you, Master.'");
  }
  const std::vector<std::string> starts = {
      "You", "Your", "You begin", "Your spell", "The", "The vile", "Vile", "Quivering",
      "a",   "Yo",   "Y",         "Q",          "T",   "V",        "x",    "ly"};
  while (!w.Full()) {
    w.SetTime(w.Now() + 1);
    std::string line = rng.Pick(kPlayers) + " shouts, '";
    while (line.size() < 4000) {
      line += "] ";
      const int roll = rng.Range(1, 20);
      if (roll <= 6) {
        line += rng.Pick(pets);
      } else if (roll <= 8) {
        line += name;
      } else if (roll <= 16) {
        line += rng.Pick(starts);
      } else if (roll == 17) {
        line += DamageMessage(rng, name, rng.Pick(pets));
      }
      line += ' ';
    }
    line += "'";
    w.Line(line);
    const int ordinary = rng.Range(1, 3);
    for (int i = 0; i < ordinary; ++i) w.Line(DamageMessage(rng, name, rng.Pick(pets)));
  }
}

long long ReadSize(const char* text) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  long long mult = 1;
  if (end && *end) {
    switch (*end) {
      case 'k':
      case 'K':
        mult = 1LL << 10;
        break;
      case 'm':
      case 'M':
        mult = 1LL << 20;
        break;
      case 'g':
      case 'G':
        mult = 1LL << 30;
        break;
      default:
        return -1;
    }
  }
  return static_cast<long long>(v * static_cast<double>(mult));
}

int Usage() {
  std::fputs(
      "usage: genlog --size SIZE[K|M|G] [--shape NAME] [--seed N] [--name NAME] [--out FILE] "
      "[--lf] [--coa-crits PERCENT]\nshapes:\n",
      stderr);
  for (const ShapeInfo& s : kShapes) std::fprintf(stderr, "  %-11s %s\n", s.name, s.what);
  return 2;
}

const ShapeInfo* FindShape(std::string_view name) {
  for (const ShapeInfo& s : kShapes) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  long long size = -1;
  uint64_t seed = 1;
  std::string name = "Qornek";
  const char* outPath = nullptr;
  bool crlf = true;
  Shape shape = Shape::Realistic;
  int coaCrits = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--size" && hasValue)
      size = ReadSize(argv[++i]);
    else if (a == "--seed" && hasValue)
      seed = std::strtoull(argv[++i], nullptr, 10);
    else if (a == "--name" && hasValue)
      name = argv[++i];
    else if (a == "--out" && hasValue)
      outPath = argv[++i];
    else if (a == "--lf")
      crlf = false;
    else if (a == "--coa-crits" && hasValue) {
      char* end = nullptr;
      const long percent = std::strtol(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || percent < 0 || percent > 100) return Usage();
      coaCrits = static_cast<int>(percent);
    } else if (a == "--shape" && hasValue) {
      const ShapeInfo* info = FindShape(argv[++i]);
      if (info == nullptr) return Usage();
      shape = info->shape;
    } else
      return Usage();
  }
  if (size <= 0) return Usage();
  FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
  if (!out) {
    std::perror(outPath);
    return 1;
  }
  {
    Writer writer(out, size, crlf && shape != Shape::Lf);
    Rng rng{seed};
    switch (shape) {
      case Shape::Dense:
        WriteDense(writer, rng, name);
        break;
      case Shape::Mobs:
        WriteMobs(writer, rng, name);
        break;
      case Shape::LongLines:
        WriteLongLines(writer, rng, name);
        break;
      case Shape::Brackets:
        WriteBrackets(writer, rng, name);
        break;
      case Shape::Camp:
        WriteCamp(writer, rng, name);
        break;
      default:
        Generator(writer, seed, name, shape, coaCrits).Run();
        break;
    }
  }
  if (outPath && std::fclose(out) != 0) {
    std::perror(outPath);
    return 1;
  }
  return 0;
}
