// genlog: writes a deterministic, realistic necromancer log of any size.
//
//   genlog --size 1G [--seed N] [--name NAME] [--out FILE] [--lf]
//
// Fights against several mobs with quiet pauses between them; the character's
// DoT ticks (now and then a double-damage crit), direct damage, the pet's and
// the swarm pets' hits, casts with resists, fizzles and interrupts, the buff
// messages; and around all of it the bulk of a real raid log, which yields
// nothing: other players' melee and spells, misses, chat, tells, the guild,
// locations and zone messages. The same arguments give the same bytes.
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
    buffer_ += stamp_;
    buffer_ += message;
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
  Generator(Writer& w, uint64_t seed, std::string name)
      : w_(w), rng_{seed}, name_(std::move(name)), pet_("Gobaner") {}

  void Run() {
    w_.SetTime(1764864000 + rng_.Range(0, 86400));  // early December 2025
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
    if (rng_.Chance(50)) w_.Line(Msg({pet_, " says 'Following you, Master.'"}));
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

  void Fight() {
    const std::string mob = rng_.Pick(kMobs);
    const int length = rng_.Range(30, 240);
    w_.Line(Msg({pet_, " tells you, 'Attacking ", mob, " Master.'"}));
    std::vector<const Spell*> dots;
    for (size_t i = 0; i < kDots.size(); ++i) {
      if (rng_.Chance(45)) dots.push_back(&kDots[i]);
    }
    if (dots.empty()) dots.push_back(&kDots[0]);
    for (const Spell* s : dots) Cast(s->name);
    const bool burn = rng_.Chance(20);
    if (burn) w_.Line("Quivering power pulses through your hands.");
    if (burn && rng_.Chance(50)) w_.Line("Vile energy flows through your veins.");
    if (rng_.Chance(15)) w_.Line("Your mind sharpens and strength flows into your body.");
    for (int s = 1; s <= length && !w_.Full(); ++s) {
      w_.SetTime(w_.Now() + 1);
      // A raid log is busy: a dozen lines a second of other people's doings.
      const int noise = rng_.Range(4, 20);
      for (int i = 0; i < noise; ++i) Noise(mob, true);
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
          const int dmg = rng_.Chance(5) ? d->tick * 2 : d->tick - rng_.Range(0, d->tick / 10);
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
};

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
  std::fputs("usage: genlog --size SIZE[K|M|G] [--seed N] [--name NAME] [--out FILE] [--lf]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long long size = -1;
  uint64_t seed = 1;
  std::string name = "Qornek";
  const char* outPath = nullptr;
  bool crlf = true;
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
    else
      return Usage();
  }
  if (size <= 0) return Usage();
  FILE* out = outPath ? std::fopen(outPath, "wb") : stdout;
  if (!out) {
    std::perror(outPath);
    return 1;
  }
  {
    Writer writer(out, size, crlf);
    Generator(writer, seed, name).Run();
  }
  if (outPath && std::fclose(out) != 0) {
    std::perror(outPath);
    return 1;
  }
  return 0;
}
