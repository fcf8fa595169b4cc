#include "store/seconds_format.h"

#include <algorithm>
#include <cstring>

#include "common/error.h"

namespace qorn {
namespace {

template <typename T>
void Put(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  template <typename T>
  T Get() {
    Need(sizeof(T));
    T value;
    std::memcpy(&value, bytes_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  std::string_view Take(size_t n) {
    Need(n);
    const std::string_view out = bytes_.substr(at_, n);
    at_ += n;
    return out;
  }
  size_t Left() const { return bytes_.size() - at_; }

 private:
  void Need(size_t n) const {
    if (bytes_.size() - at_ < n) throw Error("The stored seconds of a mob are cut short.");
  }
  std::string_view bytes_;
  size_t at_ = 0;
};

// 2: a mob's spellings are followed by its seconds' count and damage.
constexpr uint32_t kSecondsFormat = 2;
constexpr size_t kSecondBytes = 8 + 8 + 8 + 4;

}  // namespace

std::string EncodeMob(const std::vector<std::string>& texts, uint64_t seconds, int64_t damage) {
  std::string out;
  Put<uint32_t>(out, kSecondsFormat);
  Put<uint32_t>(out, static_cast<uint32_t>(texts.size()));
  for (const std::string& t : texts) {
    Put<uint32_t>(out, static_cast<uint32_t>(t.size()));
    out += t;
  }
  Put<uint64_t>(out, seconds);
  Put<int64_t>(out, damage);
  return out;
}

std::optional<MobSeconds> DecodeMob(int64_t key, std::string_view bytes) {
  try {
    Reader in(bytes);
    if (in.Get<uint32_t>() != kSecondsFormat) return std::nullopt;
    MobSeconds mob;
    mob.Key = key;
    const auto texts = in.Get<uint32_t>();
    if (texts == 0 || texts > in.Left() / 4) return std::nullopt;
    for (uint32_t i = 0; i < texts; ++i) mob.Texts.emplace_back(in.Take(in.Get<uint32_t>()));
    mob.NotedSeconds = in.Get<uint64_t>();
    mob.NotedDamage = in.Get<int64_t>();
    if (in.Left() != 0) return std::nullopt;
    return mob;
  } catch (const Error&) {
    return std::nullopt;  // cut short
  }
}

// One second as a piece of SecondChunks holds it.
void PutSecond(std::string& out, DateTime when, int64_t recNum, int64_t dmg, uint32_t spelling,
               bool dot) {
  Put<double>(out, when);
  Put<int64_t>(out, recNum);
  Put<int64_t>(out, dmg);
  Put<uint32_t>(out, (spelling << 1) | (dot ? 1u : 0u));
}

// Seconds first to last (exclusive) of a mob as a piece of SecondChunks, and back.
std::string EncodeSeconds(const std::vector<EventRow>& seconds, size_t first, size_t last) {
  std::string out;
  out.reserve((last - first) * kSecondBytes);
  for (size_t i = first; i < last; ++i) {
    const EventRow& s = seconds[i];
    PutSecond(out, s.When, s.RecNum, s.Dmg, s.Mob, s.Dot);
  }
  return out;
}

void DecodeSeconds(std::string_view bytes, MobSeconds& mob) {
  if (bytes.size() % kSecondBytes != 0) throw StoredSecondsDamaged();
  const size_t count = bytes.size() / kSecondBytes;
  const auto texts = static_cast<uint32_t>(mob.Texts.size());
  std::vector<EventRow>& seconds = mob.Seconds;
  // A mob's pieces come one after another: room for them grows as a vector
  // grows by itself, not a piece at a time.
  if (seconds.capacity() - seconds.size() < count) {
    seconds.reserve(std::max(seconds.size() + count, 2 * seconds.capacity()));
  }
  const char* in = bytes.data();
  for (size_t i = 0; i < count; ++i, in += kSecondBytes) {
    EventRow& s = seconds.emplace_back();
    uint32_t packed;
    std::memcpy(&s.When, in, 8);
    std::memcpy(&s.RecNum, in + 8, 8);
    std::memcpy(&s.Dmg, in + 16, 8);
    std::memcpy(&packed, in + 24, 4);
    s.Mob = packed >> 1;
    s.Dot = (packed & 1) != 0;
    if (s.Mob >= texts) throw StoredSecondsDamaged();
  }
}

std::optional<DateTime> FirstSecondOf(std::string_view piece) {
  if (piece.size() < kSecondBytes) return std::nullopt;
  DateTime when;
  std::memcpy(&when, piece.data(), sizeof when);
  return when;
}

}  // namespace qorn
