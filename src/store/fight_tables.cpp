#include "store/fight_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "common/error.h"
#include "store/database.h"
#include "store/database_file.h"
#include "store/second_runs.h"

namespace qorn {
namespace {

bool InQueryOrder(const EventRow& a, const EventRow& b) {
  return a.When != b.When ? a.When < b.When : a.RecNum < b.RecNum;
}

// Appends rows of one mob, in query order (time, then RecNum), to its seconds,
// each second summed. `spelling` gives a row's index into the mob's Texts.
template <typename Spelling>
void AppendSeconds(std::vector<EventRow>& seconds, const EventRow* first, const EventRow* last,
                   Spelling&& spelling) {
  for (const EventRow* r = first; r != last; ++r) {
    if (!seconds.empty() && seconds.back().When == r->When) {
      seconds.back().Dmg += r->Dmg;
      seconds.back().Dot = seconds.back().Dot || r->Dot;
      continue;
    }
    EventRow s;
    s.When = r->When;
    s.RecNum = r->RecNum;
    s.Dmg = r->Dmg;
    s.Dot = r->Dot;
    s.Mob = spelling(r->Mob);
    seconds.push_back(s);
  }
}

// Merges two mobs' seconds lists in time order; a second in both keeps the
// earlier list's first row and sums the damage.
std::vector<EventRow> MergeSeconds(const std::vector<EventRow>& old,
                                   const std::vector<EventRow>& added) {
  std::vector<EventRow> out;
  out.reserve(old.size() + added.size());
  size_t i = 0, j = 0;
  while (i < old.size() || j < added.size()) {
    if (j == added.size() || (i < old.size() && old[i].When < added[j].When)) {
      out.push_back(old[i++]);
    } else if (i == old.size() || added[j].When < old[i].When) {
      out.push_back(added[j++]);
    } else {
      EventRow s = old[i++];
      s.Dmg += added[j].Dmg;
      s.Dot = s.Dot || added[j].Dot;
      ++j;
      out.push_back(s);
    }
  }
  return out;
}

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

uint64_t Mix(uint64_t hash, uint64_t value) {
  hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
  return hash * 0xFF51AFD7ED558CCDull;
}

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

int64_t QueryInt(Database& db, std::string_view sql) {
  Statement query(db, sql);
  return query.Step() ? query.ColumnInt(0) : 0;
}

}  // namespace

std::vector<MobSeconds> MobSecondsOfRows(const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs) {
  const std::vector<uint32_t> rank = RankMobs(mobs);
  const size_t ranks = rank.empty() ? 0 : *std::max_element(rank.begin(), rank.end()) + 1;
  std::vector<MobSeconds> out(ranks);
  std::vector<uint32_t> spellingOf(mobs.size());
  for (size_t m = 0; m < mobs.size(); ++m) {
    MobSeconds& mob = out[rank[m]];
    spellingOf[m] = static_cast<uint32_t>(mob.Texts.size());
    mob.Texts.push_back(mobs[m]);
  }
  for (size_t k = 0; k < ranks; ++k) out[k].Key = static_cast<int64_t>(k) + 1;
  auto spelling = [&](uint32_t m) { return spellingOf[m]; };
  auto sorted = [&] {
    for (size_t i = 1; i < rows.size(); ++i) {
      const uint32_t a = rank[rows[i - 1].Mob], b = rank[rows[i].Mob];
      if (b < a || (a == b && InQueryOrder(rows[i], rows[i - 1]))) return false;
    }
    return true;
  };
  if (sorted()) {
    for (size_t begin = 0; begin < rows.size();) {
      size_t end = begin + 1;
      while (end < rows.size() && rank[rows[end].Mob] == rank[rows[begin].Mob]) ++end;
      AppendSeconds(out[rank[rows[begin].Mob]].Seconds, rows.data() + begin, rows.data() + end,
                    spelling);
      begin = end;
    }
  } else {
    std::vector<EventRow> copy(rows);
    std::sort(copy.begin(), copy.end(), [&](const EventRow& a, const EventRow& b) {
      if (rank[a.Mob] != rank[b.Mob]) return rank[a.Mob] < rank[b.Mob];
      return InQueryOrder(a, b);
    });
    return MobSecondsOfRows(copy, mobs);
  }
  // Mobs without rows (a text left over) are dropped; keys stay as given.
  std::erase_if(out, [](const MobSeconds& m) { return m.Seconds.empty(); });
  return out;
}

std::vector<int64_t> MobKeysOf(const std::vector<MobSeconds>& bySeconds,
                               const std::vector<std::string>& mobs) {
  std::unordered_map<std::string, int64_t> keys;
  for (const MobSeconds& m : bySeconds) {
    for (const std::string& t : m.Texts) keys.emplace(FoldCase(t), m.Key);
  }
  std::vector<int64_t> out;
  out.reserve(mobs.size());
  for (const std::string& mob : mobs) {
    const auto it = keys.find(FoldCase(mob));
    out.push_back(it == keys.end() ? 0 : it->second);
  }
  return out;
}

std::vector<int64_t> AddRowsToMobSeconds(std::vector<MobSeconds>& bySeconds,
                                         const std::vector<EventRow>& rows,
                                         const std::vector<std::string>& mobs,
                                         std::vector<size_t>& changedFrom) {
  changedFrom.assign(bySeconds.size(), kUnchanged);
  std::unordered_map<std::string, size_t> byFolded;
  int64_t nextKey = 1;
  for (size_t i = 0; i < bySeconds.size(); ++i) {
    byFolded.emplace(FoldCase(bySeconds[i].Texts.front()), i);
    nextKey = std::max(nextKey, bySeconds[i].Key + 1);
  }
  // Each text's mob, and its spelling there.
  std::vector<size_t> mobOf(mobs.size());
  std::vector<uint32_t> spellingOf(mobs.size());
  for (size_t m = 0; m < mobs.size(); ++m) {
    auto [it, added] = byFolded.try_emplace(FoldCase(mobs[m]), bySeconds.size());
    if (added) {
      MobSeconds mob;
      mob.Key = nextKey++;
      bySeconds.push_back(std::move(mob));
      changedFrom.push_back(kUnchanged);
    }
    MobSeconds& mob = bySeconds[it->second];
    const auto spelling = std::find(mob.Texts.begin(), mob.Texts.end(), mobs[m]);
    spellingOf[m] = static_cast<uint32_t>(spelling - mob.Texts.begin());
    if (spelling == mob.Texts.end()) mob.Texts.push_back(mobs[m]);
    mobOf[m] = it->second;
  }
  std::vector<EventRow> sorted(rows);
  std::sort(sorted.begin(), sorted.end(), [&](const EventRow& a, const EventRow& b) {
    if (mobOf[a.Mob] != mobOf[b.Mob]) return mobOf[a.Mob] < mobOf[b.Mob];
    return InQueryOrder(a, b);
  });
  for (size_t begin = 0; begin < sorted.size();) {
    const size_t mob = mobOf[sorted[begin].Mob];
    size_t end = begin + 1;
    while (end < sorted.size() && mobOf[sorted[end].Mob] == mob) ++end;
    std::vector<EventRow> added;
    AppendSeconds(added, sorted.data() + begin, sorted.data() + end,
                  [&](uint32_t m) { return spellingOf[m]; });
    std::vector<EventRow>& seconds = bySeconds[mob].Seconds;
    const auto firstAt =
        std::lower_bound(seconds.begin(), seconds.end(), added.front().When,
                         [](const EventRow& s, DateTime when) { return s.When < when; });
    changedFrom[mob] = static_cast<size_t>(firstAt - seconds.begin());
    if (firstAt == seconds.end()) {
      seconds.insert(seconds.end(), added.begin(), added.end());
    } else {
      seconds = MergeSeconds(seconds, added);
    }
    begin = end;
  }
  std::vector<int64_t> keys;
  keys.reserve(mobs.size());
  for (size_t m = 0; m < mobs.size(); ++m) keys.push_back(bySeconds[mobOf[m]].Key);
  return keys;
}

namespace {

// A mob as MobSlots keeps it: its spellings, and how many seconds and how
// much damage its pieces of SlotChunks hold. And back: none when the bytes
// are not such a mob (of an earlier format, or damaged).
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

std::string EncodeMob(const MobSeconds& mob) {
  int64_t damage = 0;
  for (const EventRow& s : mob.Seconds) damage += s.Dmg;
  return EncodeMob(mob.Texts, mob.Seconds.size(), damage);
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

// One second as a piece of SlotChunks holds it.
void PutSecond(std::string& out, DateTime when, int64_t recNum, int64_t dmg, uint32_t spelling,
               bool dot) {
  Put<double>(out, when);
  Put<int64_t>(out, recNum);
  Put<int64_t>(out, dmg);
  Put<uint32_t>(out, (spelling << 1) | (dot ? 1u : 0u));
}

// Seconds first to last (exclusive) of a mob as a piece of SlotChunks, and back.
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
  const size_t first = mob.Seconds.size();
  mob.Seconds.resize(first + count);
  const char* in = bytes.data();
  for (size_t i = 0; i < count; ++i, in += kSecondBytes) {
    EventRow& s = mob.Seconds[first + i];
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

// Seconds per piece of SlotChunks.
constexpr size_t kChunkSeconds = 2048;

}  // namespace

FightCutter::FightCutter(int16_t eventTimerSeconds, FightSink sink)
    : timer_(eventTimerSeconds), sink_(std::move(sink)) {}

void FightCutter::Add(MobSeconds& mob) {
  if (mob.Seconds.empty()) return;
  if (held_) {
    MobSeconds* group[] = {&*held_, &mob};
    Cut(group);
    held_.reset();
  } else if (mob.Texts.front().empty()) {
    // The row after one of an empty mob joins its fight, whatever its mob:
    // the empty mob (first in order) is cut together with the next.
    held_ = std::move(mob);
    mob.Seconds.clear();
  } else {
    MobSeconds* group[] = {&mob};
    Cut(group);
  }
}

void FightCutter::Cut(std::span<MobSeconds*> group) {
  // The group's fights, numbered from 1 and then moved behind those before.
  // A group of two (the empty mob and the next) is cut from one list of
  // their seconds, each mob's texts apart.
  std::vector<std::string> texts;
  std::vector<uint32_t> rank;
  std::vector<EventRow> joined;
  std::vector<size_t> ends;  // where each mob's seconds end
  for (size_t k = 0; k < group.size(); ++k) {
    const auto offset = static_cast<uint32_t>(texts.size());
    for (const std::string& t : group[k]->Texts) {
      texts.push_back(t);
      rank.push_back(static_cast<uint32_t>(k));
    }
    if (group.size() > 1) {
      for (EventRow s : group[k]->Seconds) {
        s.Mob += offset;
        joined.push_back(s);
      }
      std::vector<EventRow>().swap(group[k]->Seconds);
    }
    ends.push_back(group.size() > 1 ? joined.size() : group[k]->Seconds.size());
  }
  std::vector<EventRow>& seconds = group.size() > 1 ? joined : group[0]->Seconds;
  NullProgress quiet;
  const int32_t count = NumberSortedEvents(seconds, texts, rank, timer_, quiet);
  const Overview lines = OverviewOfEvents(seconds, texts, count, quiet);
  std::vector<CutFight> fights(static_cast<size_t>(std::max(count, 0)));
  size_t begin = 0;
  for (size_t k = 0; k < ends.size(); ++k) {
    const int64_t key = group[k]->Key;
    for (size_t i = begin; i < ends[k]; ++i) {
      const EventRow& s = seconds[i];
      CutFight& fight = fights[static_cast<size_t>(s.EventNum - 1)];
      if (i > begin && seconds[i - 1].EventNum == s.EventNum &&
          seconds[i - 1].TickNum == s.TickNum) {
        fight.Runs.back().To = s.When;
      } else {
        fight.Runs.push_back({key, s.When, s.When, s.TickNum});
      }
    }
    begin = ends[k];
  }
  for (size_t e = 0; e < fights.size(); ++e) {
    CutFight& f = fights[e];
    uint64_t hash = f.Runs.size();
    for (const TickRun& r : f.Runs) {
      hash = Mix(hash, static_cast<uint64_t>(r.MobKey));
      hash = Mix(hash, Bits(r.From));
      hash = Mix(hash, Bits(r.To));
      hash = Mix(hash, static_cast<uint64_t>(static_cast<int64_t>(r.TickNum)));
    }
    f.Signature = hash;
    const OverviewRow& row = lines.Rows[e];
    OverviewRow line =
        MakeOverviewRow(count_ + row.EventNum, row.Mob, row.Total, row.First, row.Last);
    sink_(line, f);
  }
  count_ += count;
  // Each mob's memory goes back at once.
  std::vector<EventRow>().swap(seconds);
}

int32_t FightCutter::Finish() {
  if (held_) {
    MobSeconds* group[] = {&*held_};
    Cut(group);
    held_.reset();
  }
  return count_;
}

namespace {

// The mobs in SortMobTime's order (their first spelling without regard to case).
template <typename Mob, typename TextOf>
void SortByText(std::vector<Mob>& mobs, TextOf&& textOf) {
  std::sort(mobs.begin(), mobs.end(),
            [&](const Mob& a, const Mob& b) { return CompareNoCase(textOf(a), textOf(b)) < 0; });
}

}  // namespace

namespace {

// The order of fights by number: by mob (without regard to case), then start.
int CompareFights(std::string_view mobA, DateTime firstA, std::string_view mobB, DateTime firstB) {
  if (const int c = CompareNoCase(mobA, mobB); c != 0) return c;
  return firstA < firstB ? -1 : (firstB < firstA ? 1 : 0);
}

constexpr const char* kFightColumns =
    "(EventNum, FightKey, Mob, Total, FirstTime, LastTime, Signature)";

// How many fights and tick runs the stored cut left ("FIGHTS RUNS").
std::string CutTables(Database& db) {
  return std::to_string(QueryInt(db, "SELECT count(*) FROM Fights")) + " " +
         std::to_string(QueryInt(db, "SELECT count(*) FROM TickRuns"));
}

// A note of ParseState; empty when there is none. CutTimer: "TIMER FIGHTS
// RUNS" of the stored cut, gone when a row changes. CutTables: "FIGHTS RUNS"
// it left, kept until the next cut.
std::string StateNote(Database& db, const char* name) {
  Statement note(db, "SELECT Value FROM ParseState WHERE Name = ?");
  note.Bind(1, name);
  return note.Step() ? std::string(note.ColumnText(0)) : std::string();
}

// Whether Fights and TickRuns hold as many lines as the stored cut left.
bool StoredCutIsWhole(Database& db) { return StateNote(db, "CutTables") == CutTables(db); }

}  // namespace

FightWriter::FightWriter(Database& db)
    : db_(db),
      nextKey_(QueryInt(db, "SELECT coalesce(max(FightKey), 0) + 1 FROM Fights")),
      storedCount_(QueryInt(db, "SELECT count(*) FROM Fights")) {
  if (storedCount_ == 0) {
    // Nothing to keep: runs without a fight go, and the fights are written in place.
    if (QueryInt(db, "SELECT EXISTS (SELECT 1 FROM TickRuns)") != 0) {
      db.ExecuteNative("DELETE FROM TickRuns");
      changed_ = true;
    }
    insertFight_.emplace(
        db, std::string("INSERT INTO Fights ") + kFightColumns + " VALUES (?, ?, ?, ?, ?, ?, ?)");
  } else {
    // The new lines go beside the stored ones, which are read in their order
    // as the new fights come: a fight with the same runs keeps its key.
    db.ExecuteNative(std::string("CREATE TABLE FightsNew ") + kFightColumns);
    insertFight_.emplace(db, std::string("INSERT INTO FightsNew ") + kFightColumns +
                                 " VALUES (?, ?, ?, ?, ?, ?, ?)");
    stored_.emplace(db,
                    "SELECT EventNum, FightKey, Mob, Total, FirstTime, LastTime, Signature FROM "
                    "Fights ORDER BY EventNum");
    NextStored();
  }
  insertRun_.emplace(db,
                     "INSERT OR REPLACE INTO TickRuns (FightKey, TickNum, MobKey, FromTime, "
                     "ToTime) VALUES (?, ?, ?, ?, ?)");
  dropRuns_.emplace(db, "DELETE FROM TickRuns WHERE FightKey = ?");
  // The fights kept have their runs as the cut that made them left them,
  // unless the tables were changed since: then each kept fight's are counted.
  if (storedCount_ > 0 && !StoredCutIsWhole(db)) {
    countRuns_.emplace(db, "SELECT count(*) FROM TickRuns WHERE FightKey = ?");
  }
}

FightWriter::~FightWriter() = default;

void FightWriter::NextStored() {
  if (!stored_ || !stored_->Step()) {
    storedHeld_ = false;
    return;
  }
  storedHeld_ = true;
  storedEventNum_ = stored_->ColumnInt(0);
  storedKey_ = stored_->ColumnInt(1);
  storedMob_.assign(stored_->ColumnText(2));
  storedTotal_ = stored_->ColumnInt(3);
  storedFirst_ = stored_->ColumnDouble(4);
  storedLast_ = stored_->ColumnDouble(5);
  storedSignature_ = static_cast<uint64_t>(stored_->ColumnInt(6));
}

void FightWriter::DropStored() {
  dropRuns_->Bind(1, storedKey_).Step();
  dropRuns_->Reset();
  changed_ = true;
  same_ = false;
  NextStored();
}

void FightWriter::Add(const OverviewRow& line, const CutFight& fight) {
  ++count_;
  // Stored fights before this one in the order are not fights any more.
  while (storedHeld_ && CompareFights(storedMob_, storedFirst_, line.Mob, line.First) < 0) {
    DropStored();
  }
  int64_t key = 0;
  if (storedHeld_ && CompareFights(storedMob_, storedFirst_, line.Mob, line.First) == 0 &&
      storedSignature_ == fight.Signature && storedLast_ == line.Last && storedKey_ != 0) {
    key = storedKey_;
    same_ =
        same_ && storedEventNum_ == count_ && storedMob_ == line.Mob && storedTotal_ == line.Total;
    NextStored();
    // Runs lost since the cut that made them are written again.
    if (countRuns_) {
      countRuns_->Bind(1, key);
      const bool whole =
          countRuns_->Step() && countRuns_->ColumnInt(0) == static_cast<int64_t>(fight.Runs.size());
      countRuns_->Reset();
      if (!whole) {
        dropRuns_->Bind(1, key).Step();
        dropRuns_->Reset();
        WriteRuns(key, fight);
        changed_ = true;
      }
    }
  } else {
    key = nextKey_++;
    same_ = false;
    changed_ = true;
    WriteRuns(key, fight);
  }
  insertFight_->Bind(1, static_cast<int64_t>(line.EventNum))
      .Bind(2, key)
      .Bind(3, line.Mob)
      .Bind(4, line.Total)
      .Bind(5, line.First)
      .Bind(6, line.Last)
      .Bind(7, static_cast<int64_t>(fight.Signature));
  insertFight_->Step();
  insertFight_->Reset();
}

void FightWriter::WriteRuns(int64_t key, const CutFight& fight) {
  // A run of a stored fight at the same mob and time belongs to no fight
  // that stays: it is replaced.
  for (const TickRun& r : fight.Runs) {
    insertRun_->Bind(1, key)
        .Bind(2, static_cast<int64_t>(r.TickNum))
        .Bind(3, r.MobKey)
        .Bind(4, r.From)
        .Bind(5, r.To);
    insertRun_->Step();
    insertRun_->Reset();
  }
}

bool FightWriter::Finish() {
  while (storedHeld_) DropStored();
  if (!stored_) return changed_ || count_ > 0;
  stored_.reset();
  insertFight_.reset();
  // The fights' lines are replaced when any differs.
  if (!same_ || count_ != storedCount_) {
    db_.ExecuteNative("DELETE FROM Fights");
    db_.ExecuteNative(std::string("INSERT INTO Fights ") + kFightColumns +
                      " SELECT * FROM FightsNew");
    changed_ = true;
  }
  db_.ExecuteNative("DROP TABLE FightsNew");
  return changed_;
}

namespace {

Overview CutAndWriteOnce(Database& db, int16_t eventTimerSeconds, Progress& progress,
                         bool keepLines) {
  Overview overview;
  FightWriter writer(db);
  auto sink = [&](OverviewRow& line, const CutFight& fight) {
    writer.Add(line, fight);
    if (keepLines) overview.Rows.push_back(std::move(line));
  };
  std::optional<int32_t> count = CutStoredSeconds(db, eventTimerSeconds, progress, sink);
  if (!count) {
    // Seconds that are not current are made again from the rows first.
    RebuildMobSeconds(db);
    count = CutStoredSeconds(db, eventTimerSeconds, progress, sink);
  }
  writer.Finish();
  NoteStoredCut(db, eventTimerSeconds);
  overview.EventCount = count.value_or(0);
  return overview;
}

}  // namespace

Overview CutAndWriteFights(Database& db, int16_t eventTimerSeconds, Progress& progress,
                           bool keepLines) {
  // Seconds found damaged while they are cut: what the cut wrote so far is
  // undone, and they are made again from the rows and cut again. A new file
  // built without a journal cannot undo; its seconds were just written.
  Statement mode(db, "PRAGMA journal_mode");
  const bool canUndo = mode.Step() && CompareNoCase(mode.ColumnText(0), "off") != 0;
  mode.Reset();
  if (!canUndo) return CutAndWriteOnce(db, eventTimerSeconds, progress, keepLines);
  for (int attempt = 0;; ++attempt) {
    db.ExecuteNative("SAVEPOINT cut");
    try {
      Overview overview = CutAndWriteOnce(db, eventTimerSeconds, progress, keepLines);
      db.ExecuteNative("RELEASE cut");
      return overview;
    } catch (const StoredSecondsDamaged&) {
      db.ExecuteNative("ROLLBACK TO cut; RELEASE cut");
      // Made again from the rows just now, and still not whole.
      if (attempt > 0) FailImpossibleNumber(db.Path(), "its summed seconds cannot be made whole");
      db.ExecuteNative("DELETE FROM ParseState WHERE Name = 'SlotsValid'");
    }
  }
}

void WriteMobSeconds(Database& db, const std::vector<MobSeconds>& bySeconds,
                     const std::vector<size_t>* changedFrom) {
  if (changedFrom == nullptr) {
    db.ExecuteNative("DELETE FROM MobSlots; DELETE FROM SlotChunks");
  }
  Statement header(db, "INSERT OR REPLACE INTO MobSlots (MobKey, Mob, Slots) VALUES (?, ?, ?)");
  Statement drop(db, "DELETE FROM SlotChunks WHERE MobKey = ? AND Chunk >= ?");
  Statement chunk(db, "INSERT INTO SlotChunks (MobKey, Chunk, Slots) VALUES (?, ?, ?)");
  for (size_t i = 0; i < bySeconds.size(); ++i) {
    size_t from = 0;
    if (changedFrom != nullptr) {
      if (i >= changedFrom->size() || (*changedFrom)[i] == kUnchanged) continue;
      from = (*changedFrom)[i] / kChunkSeconds;
    }
    const MobSeconds& m = bySeconds[i];
    header.Bind(1, m.Key).Bind(2, m.Texts.front()).BindBlob(3, EncodeMob(m));
    header.Step();
    header.Reset();
    if (changedFrom != nullptr) {
      drop.Bind(1, m.Key).Bind(2, static_cast<int64_t>(from)).Step();
      drop.Reset();
    }
    for (size_t c = from; c * kChunkSeconds < m.Seconds.size(); ++c) {
      const size_t first = c * kChunkSeconds;
      const size_t last = std::min(m.Seconds.size(), first + kChunkSeconds);
      chunk.Bind(1, m.Key)
          .Bind(2, static_cast<int64_t>(c))
          .BindBlob(3, EncodeSeconds(m.Seconds, first, last));
      chunk.Step();
      chunk.Reset();
    }
  }
}

std::vector<MobSpan> WriteSecondRuns(Database& db, SecondRuns& runs,
                                     const std::vector<std::vector<std::string>>& spellings) {
  db.ExecuteNative("DELETE FROM MobSlots; DELETE FROM SlotChunks");
  Statement header(db, "INSERT INTO MobSlots (MobKey, Mob, Slots) VALUES (?, ?, ?)");
  Statement chunk(db, "INSERT INTO SlotChunks (MobKey, Chunk, Slots) VALUES (?, ?, ?)");
  std::vector<MobSpan> spans;
  std::string piece;
  size_t inPiece = 0;
  int64_t chunkNum = 0;
  uint64_t mobSeconds = 0;
  int64_t mobDamage = 0;
  auto flush = [&] {
    if (inPiece == 0) return;
    chunk.Bind(1, spans.back().Key).Bind(2, chunkNum++).BindBlob(3, piece);
    chunk.Step();
    chunk.Reset();
    piece.clear();
    inPiece = 0;
  };
  // A mob's line is written when its seconds are: it notes how many there are.
  auto endMob = [&] {
    if (spans.empty()) return;
    flush();
    const std::vector<std::string>& texts = spellings.at(spans.back().Key - 1);
    header.Bind(1, spans.back().Key)
        .Bind(2, texts.front())
        .BindBlob(3, EncodeMob(texts, mobSeconds, mobDamage));
    header.Step();
    header.Reset();
  };
  runs.Read([&](const MobSecond& s) {
    if (spans.empty() || spans.back().Key != s.MobKey) {
      endMob();
      chunkNum = 0;
      mobSeconds = 0;
      mobDamage = 0;
      spans.push_back({s.MobKey, s.When, s.When});
    }
    spans.back().Last = s.When;
    ++mobSeconds;
    mobDamage += s.Dmg;
    PutSecond(piece, s.When, s.RecNum, s.Dmg, s.Spelling, s.Dot != 0);
    if (++inPiece == kChunkSeconds) flush();
  });
  endMob();
  return spans;
}

namespace {

// What is noted of all the stored seconds when they are written: how many
// mobs, seconds and how much damage MobSlots says they hold.
struct SecondsNote {
  uint64_t Mobs = 0;
  uint64_t Seconds = 0;
  uint64_t Damage = 0;  // wraps as damaged bytes may

  std::string Text() const {
    return std::to_string(Mobs) + " " + std::to_string(Seconds) + " " + std::to_string(Damage);
  }
  void Add(const MobSeconds& mob) {
    ++Mobs;
    Seconds += mob.NotedSeconds;
    Damage += static_cast<uint64_t>(mob.NotedDamage);
  }
};

// The stored mobs, their texts only, when the stored seconds are current:
// no row changed since they were written, and MobSlots is as it was then
// (no mob lost or changed, no piece of a mob it does not hold).
bool ReadStoredMobs(Database& db, std::vector<MobSeconds>& out) {
  out.clear();
  std::string noted;
  {
    Statement valid(db, "SELECT Value FROM ParseState WHERE Name = 'SlotsValid'");
    if (!valid.Step()) return false;
    noted.assign(valid.ColumnText(0));
  }
  SecondsNote found;
  Statement all(db, "SELECT MobKey, Slots FROM MobSlots WHERE Slots IS NOT NULL");
  while (all.Step()) {
    std::optional<MobSeconds> mob = DecodeMob(all.ColumnInt(0), all.ColumnBlob(1));
    if (!mob) return false;
    found.Add(*mob);
    out.push_back(std::move(*mob));
  }
  if (found.Text() != noted) return false;
  return QueryInt(db,
                  "SELECT EXISTS (SELECT 1 FROM SlotChunks WHERE MobKey NOT IN (SELECT MobKey FROM "
                  "MobSlots WHERE Slots IS NOT NULL))") == 0;
}

// Reads the stored seconds of `mob` with `chunks` ("SELECT Chunk, Slots FROM
// SlotChunks WHERE MobKey = ? ORDER BY Chunk"): all that MobSlots noted of
// them, in pieces without a gap, one a second, in time order.
void ReadStoredSeconds(Statement& chunks, MobSeconds& mob) {
  chunks.Bind(1, mob.Key);
  const size_t first = mob.Seconds.size();
  for (int64_t expected = 0; chunks.Step(); ++expected) {
    if (chunks.ColumnInt(0) != expected) {
      chunks.Reset();
      throw StoredSecondsDamaged();
    }
    DecodeSeconds(chunks.ColumnBlob(1), mob);
  }
  chunks.Reset();
  // Summed as unsigned numbers: damaged bytes may hold any value, and wrap.
  uint64_t damage = 0;
  for (size_t i = first; i < mob.Seconds.size(); ++i) {
    const EventRow& s = mob.Seconds[i];
    if (!std::isfinite(s.When) || (i > first && !(mob.Seconds[i - 1].When < s.When))) {
      throw StoredSecondsDamaged();
    }
    damage += static_cast<uint64_t>(s.Dmg);
  }
  if (mob.Seconds.size() - first != mob.NotedSeconds ||
      damage != static_cast<uint64_t>(mob.NotedDamage)) {
    throw StoredSecondsDamaged();
  }
}

constexpr const char* kChunksOfMob =
    "SELECT Chunk, Slots FROM SlotChunks WHERE MobKey = ? ORDER BY Chunk";

}  // namespace

bool ReadMobSeconds(Database& db, const std::vector<std::string>& texts,
                    std::vector<MobSeconds>& out) {
  if (!ReadStoredMobs(db, out)) return false;
  std::unordered_set<std::string> wanted;
  for (const std::string& t : texts) wanted.insert(FoldCase(t));
  Statement chunks(db, kChunksOfMob);
  try {
    for (MobSeconds& mob : out) {
      if (wanted.count(FoldCase(mob.Texts.front())) != 0) ReadStoredSeconds(chunks, mob);
    }
  } catch (const StoredSecondsDamaged&) {
    out.clear();
    return false;
  }
  return true;
}

std::optional<int32_t> CutStoredSeconds(Database& db, int16_t eventTimerSeconds, Progress& progress,
                                        const FightSink& sink) {
  std::vector<MobSeconds> mobs;  // their texts only: the seconds are read a mob at a time
  if (!ReadStoredMobs(db, mobs)) return std::nullopt;
  SortByText(mobs, [](const MobSeconds& m) -> std::string_view { return m.Texts.front(); });
  progress.SetValue(0);
  progress.SetMaximum(static_cast<double>(mobs.size()) + 1);
  ProgressSteps steps(progress, mobs.size());
  FightCutter cutter(eventTimerSeconds, sink);
  Statement chunks(db, kChunksOfMob);
  for (size_t k = 0; k < mobs.size(); ++k) {
    ReadStoredSeconds(chunks, mobs[k]);
    cutter.Add(mobs[k]);
    steps.Done(k + 1);
  }
  return cutter.Finish();
}

void MarkMobSecondsCurrent(Database& db) {
  SecondsNote note;
  {
    Statement all(db, "SELECT MobKey, Slots FROM MobSlots WHERE Slots IS NOT NULL");
    while (all.Step()) {
      const std::optional<MobSeconds> mob = DecodeMob(all.ColumnInt(0), all.ColumnBlob(1));
      if (mob) note.Add(*mob);
    }
  }
  Statement mark(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES ('SlotsValid', ?)");
  mark.Bind(1, note.Text()).Step();
}

// The timer of the stored cut and how many fights and tick runs it left.
std::string StoredCut(Database& db, int64_t timer) {
  return std::to_string(timer) + " " + CutTables(db);
}

void NoteStoredCut(Database& db, int16_t eventTimerSeconds) {
  const std::string tables = CutTables(db);
  Statement note(db, "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES (?, ?)");
  note.Bind(1, "CutTimer").Bind(2, std::to_string(eventTimerSeconds) + " " + tables).Step();
  note.Reset();
  note.Bind(1, "CutTables").Bind(2, tables).Step();
  // Kept apart from CutTimer, which a changed row deletes: the next command
  // without a timer of its own cuts with this one.
  Statement timer(db,
                  "INSERT OR REPLACE INTO ParseState (Name, Value) VALUES ('EventTimer', ?)");
  timer.Bind(1, static_cast<int64_t>(eventTimerSeconds)).Step();
}

std::optional<int16_t> StoredCutTimer(Database& db) {
  Statement timer(db, "SELECT Value FROM ParseState WHERE Name = 'EventTimer'");
  if (!timer.Step() || timer.ColumnIsNull(0)) return std::nullopt;
  const int64_t seconds = timer.ColumnInt(0);
  if (seconds < INT16_MIN || seconds > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(seconds);
}

bool StoredCutIsCurrent(Database& db, int16_t eventTimerSeconds) {
  // The seconds are current (no row changed since), and the fights were cut
  // from them with this timer and are still there.
  return QueryInt(db, "SELECT EXISTS (SELECT 1 FROM ParseState WHERE Name = 'SlotsValid')") != 0 &&
         StateNote(db, "CutTimer") == StoredCut(db, eventTimerSeconds);
}

bool HoldsRowsApart(Database& db) {
  return QueryInt(db,
                  "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                  "name = 'DamageRows'") > 0;
}

void RebuildMobSeconds(Database& db) {
  MobTexts mobs;
  std::vector<EventRow> rows;
  std::vector<int64_t> storedKeys;  // by row
  {
    Statement all(
        db, "SELECT RecNum, DTime, Mob, DmgType, Dmg, MobKey FROM DamageRows ORDER BY RecNum");
    std::string lastMob;
    uint32_t lastIndex = 0;
    while (all.Step()) {
      // A row without its time or damage (set to nothing by hand) has no
      // place in any fight: the stored parse is damaged, not a fight of 1899.
      if (!all.ColumnIsNumber(1) || !std::isfinite(all.ColumnDouble(1)) || !all.ColumnIsNumber(4) ||
          !PossibleDamage(all.ColumnInt(4))) {
        FailImpossibleNumber(db.Path(), "the row " + std::to_string(all.ColumnInt(0)) +
                                            " has no time or damage a log gives");
      }
      EventRow row;
      row.RecNum = all.ColumnInt(0);
      row.When = all.ColumnDouble(1);
      const std::string_view mob = all.ColumnText(2);
      if (rows.empty() || mob != lastMob) {
        lastMob.assign(mob);
        lastIndex = mobs.Index(mob);
      }
      row.Mob = lastIndex;
      row.Dot = all.ColumnText(3) == "Dot";
      row.Dmg = all.ColumnInt(4);
      rows.push_back(row);
      storedKeys.push_back(all.ColumnIsNull(5) ? 0 : all.ColumnInt(5));
    }
  }
  std::vector<MobSeconds> bySeconds = MobSecondsOfRows(rows, mobs.Texts());
  // The rows keep their keys where each mob's rows carry one key of their own.
  const std::vector<int64_t> made = MobKeysOf(bySeconds, mobs.Texts());
  std::unordered_map<int64_t, int64_t> storedOfMade;
  std::unordered_map<int64_t, int64_t> madeOfStored;
  bool keep = true;
  for (size_t i = 0; keep && i < rows.size(); ++i) {
    const int64_t m = made[rows[i].Mob], s = storedKeys[i];
    const auto [a, addedA] = storedOfMade.emplace(m, s);
    const auto [b, addedB] = madeOfStored.emplace(s, m);
    keep = s > 0 && a->second == s && b->second == m;
  }
  if (keep) {
    for (MobSeconds& m : bySeconds) m.Key = storedOfMade.at(m.Key);
  } else {
    Statement update(db, "UPDATE DamageRows SET MobKey = ? WHERE RecNum = ?");
    for (size_t i = 0; i < rows.size(); ++i) {
      if (storedKeys[i] == made[rows[i].Mob]) continue;
      update.Bind(1, made[rows[i].Mob]).Bind(2, rows[i].RecNum).Step();
      update.Reset();
    }
  }
  WriteMobSeconds(db, bySeconds);
  MarkMobSecondsCurrent(db);
}

}  // namespace qorn
