#include "store/stored_seconds.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "common/text_fold.h"
#include "store/mob_identity.h"
#include "store/parse_state.h"
#include "store/second_runs.h"
#include "store/seconds_format.h"

namespace qorn {
namespace {

// The mobs in SortMobTime's order (their first spelling without regard to case).
template <typename Mob, typename TextOf>
void SortByText(std::vector<Mob>& mobs, TextOf&& textOf) {
  std::sort(mobs.begin(), mobs.end(),
            [&](const Mob& a, const Mob& b) { return CompareNoCase(textOf(a), textOf(b)) < 0; });
}

}  // namespace

void WriteChangedSeconds(Database& db, const std::vector<MobSeconds>& bySeconds,
                         const std::vector<size_t>& changedFrom) {
  Statement header(db, "INSERT OR REPLACE INTO MobSeconds (MobKey, Mob, Seconds) VALUES (?, ?, ?)");
  Statement drop(db, "DELETE FROM SecondChunks WHERE MobKey = ? AND Chunk >= ?");
  Statement chunk(db, "INSERT INTO SecondChunks (MobKey, Chunk, Seconds) VALUES (?, ?, ?)");
  for (size_t i = 0; i < bySeconds.size() && i < changedFrom.size(); ++i) {
    if (changedFrom[i] == kUnchanged) continue;
    const MobSeconds& m = bySeconds[i];
    header.Bind(1, m.Key)
        .Bind(2, m.Texts.front())
        .BindBlob(3, EncodeMob(m.Texts, m.NotedSeconds, m.NotedDamage));
    header.Step();
    header.Reset();
    const size_t from = changedFrom[i] / kChunkSeconds;
    drop.Bind(1, m.Key).Bind(2, static_cast<int64_t>(from)).Step();
    drop.Reset();
    const size_t end = m.Before + m.Seconds.size();
    for (size_t c = from; c * kChunkSeconds < end; ++c) {
      const size_t first = c * kChunkSeconds - m.Before;
      const size_t last = std::min(end, (c + 1) * kChunkSeconds) - m.Before;
      chunk.Bind(1, m.Key)
          .Bind(2, static_cast<int64_t>(c))
          .BindBlob(3, EncodeSeconds(m.Seconds, first, last));
      chunk.Step();
      chunk.Reset();
    }
  }
}

std::vector<MobSpan> WriteSecondRuns(Database& db, SecondRuns& runs, const MobIdentity& mobs) {
  db.ExecuteNative("DELETE FROM MobSeconds; DELETE FROM SecondChunks");
  Statement header(db, "INSERT INTO MobSeconds (MobKey, Mob, Seconds) VALUES (?, ?, ?)");
  Statement chunk(db, "INSERT INTO SecondChunks (MobKey, Chunk, Seconds) VALUES (?, ?, ?)");
  std::vector<MobSpan> spans;
  SecondsTotals totals;
  std::string piece;
  size_t inPiece = 0;
  int64_t chunkNum = 0;
  uint64_t mobSeconds = 0;
  int64_t mobDamage = 0;
  uint32_t mob = 0;
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
    const std::vector<std::string>& texts = mobs.Mobs().at(mob).Spellings;
    header.Bind(1, spans.back().Key)
        .Bind(2, texts.front())
        .BindBlob(3, EncodeMob(texts, mobSeconds, mobDamage));
    header.Step();
    header.Reset();
    ++totals.Mobs;
    totals.Seconds += mobSeconds;
    totals.Damage += static_cast<uint64_t>(mobDamage);
  };
  runs.Read([&](const MobSecond& s) {
    if (spans.empty() || s.Mob != mob) {
      endMob();
      mob = s.Mob;
      chunkNum = 0;
      mobSeconds = 0;
      mobDamage = 0;
      spans.push_back({mobs.KeyOf(s.Mob), s.When, s.When});
    }
    spans.back().Last = s.When;
    ++mobSeconds;
    mobDamage += s.Dmg;
    PutSecond(piece, s.When, s.RecNum, s.Dmg, s.Spelling, s.Dot != 0);
    if (++inPiece == kChunkSeconds) flush();
  });
  endMob();
  MarkMobSecondsCurrent(db, totals);
  return spans;
}

void SecondsTotals::Add(const MobSeconds& mob) {
  ++Mobs;
  Seconds += mob.NotedSeconds;
  Damage += static_cast<uint64_t>(mob.NotedDamage);
}

namespace {

// SecondsValid's text: "MOBS SECONDS DAMAGE".
std::string NoteText(const SecondsTotals& t) {
  return std::to_string(t.Mobs) + " " + std::to_string(t.Seconds) + " " + std::to_string(t.Damage);
}

// The stored mobs, their texts only, when the stored seconds are current:
// no row changed since they were written, and MobSeconds is as it was then
// (no mob lost or changed, no piece of a mob it does not hold).
bool ReadCurrentMobs(Database& db, std::vector<MobSeconds>& out, SecondsTotals& found) {
  const std::optional<std::string> noted = ReadState(db, StateKey::SecondsValid);
  if (!noted) return false;
  Statement all(db, "SELECT MobKey, Seconds FROM MobSeconds WHERE Seconds IS NOT NULL");
  while (all.Step()) {
    std::optional<MobSeconds> mob = DecodeMob(all.ColumnInt(0), all.ColumnBlob(1));
    if (!mob) return false;
    found.Add(*mob);
    out.push_back(std::move(*mob));
  }
  if (NoteText(found) != *noted) return false;
  constexpr const char* kChunksOfNoMob =
      "SELECT EXISTS (SELECT 1 FROM SecondChunks WHERE MobKey NOT IN (SELECT MobKey FROM "
      "MobSeconds WHERE Seconds IS NOT NULL))";
  return QueryInt(db, kChunksOfNoMob) == 0;
}

// The damage of the mob's seconds from `first` on (summed as unsigned
// numbers: damaged bytes may hold any value, and wrap); StoredSecondsDamaged
// unless they are seconds in time order.
uint64_t CheckedDamage(const MobSeconds& mob, size_t first) {
  uint64_t damage = 0;
  for (size_t i = first; i < mob.Seconds.size(); ++i) {
    const EventRow& s = mob.Seconds[i];
    if (!std::isfinite(s.When) || (i > first && !(mob.Seconds[i - 1].When < s.When))) {
      throw StoredSecondsDamaged();
    }
    damage += static_cast<uint64_t>(s.Dmg);
  }
  return damage;
}

// Reads the stored seconds of `mob` with `chunks` ("SELECT Chunk, Seconds FROM
// SecondChunks WHERE MobKey = ? ORDER BY Chunk"): all that MobSeconds noted of
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
  const uint64_t damage = CheckedDamage(mob, first);
  if (mob.Seconds.size() - first != mob.NotedSeconds ||
      damage != static_cast<uint64_t>(mob.NotedDamage)) {
    throw StoredSecondsDamaged();
  }
}

constexpr const char* kChunksOfMob =
    "SELECT Chunk, Seconds FROM SecondChunks WHERE MobKey = ? ORDER BY Chunk";

}  // namespace

bool ReadStoredMobs(Database& db, std::vector<MobSeconds>& out, SecondsTotals* noted) {
  out.clear();
  SecondsTotals found;
  if (ReadCurrentMobs(db, out, found)) {
    if (noted != nullptr) *noted = found;
    return true;
  }
  out.clear();
  return false;
}

bool ReadStoredMobsInOrder(Database& db, std::vector<MobSeconds>& out) {
  if (!ReadStoredMobs(db, out)) return false;
  SortByText(out, [](const MobSeconds& m) -> std::string_view { return m.Texts.front(); });
  return true;
}

void ReadStoredSeconds(Database& db, MobSeconds& mob) {
  Statement chunks(db, kChunksOfMob);
  ReadStoredSeconds(chunks, mob);
}

void ReadStoredSecondsFrom(Database& db, MobSeconds& mob, DateTime from) {
  // Every piece but the last holds kChunkSeconds: the last pieces are read
  // from the end, back to the one that starts by `from`.
  const uint64_t pieces = (mob.NotedSeconds + kChunkSeconds - 1) / kChunkSeconds;
  Statement chunks(db, "SELECT Chunk, Seconds FROM SecondChunks WHERE MobKey = ? ORDER BY Chunk DESC");
  chunks.Bind(1, mob.Key);
  std::vector<std::string> read;  // the last first
  for (uint64_t piece = pieces; piece-- > 0;) {
    if (!chunks.Step() || chunks.ColumnInt(0) != static_cast<int64_t>(piece)) {
      throw StoredSecondsDamaged();
    }
    read.emplace_back(chunks.ColumnBlob(1));
    const std::optional<DateTime> first = FirstSecondOf(read.back());
    if (first && *first <= from) break;
  }
  if (pieces == 0 && chunks.Step()) throw StoredSecondsDamaged();
  mob.Before = static_cast<size_t>(pieces - read.size()) * kChunkSeconds;
  const size_t first = mob.Seconds.size();
  for (auto piece = read.rbegin(); piece != read.rend(); ++piece) {
    const size_t before = mob.Seconds.size();
    DecodeSeconds(*piece, mob);
    if (std::next(piece) != read.rend() && mob.Seconds.size() - before != kChunkSeconds) {
      throw StoredSecondsDamaged();
    }
  }
  CheckedDamage(mob, first);
  if (mob.Before + (mob.Seconds.size() - first) != mob.NotedSeconds) throw StoredSecondsDamaged();
}

std::optional<int32_t> CutStoredSeconds(Database& db, int16_t eventTimerSeconds, Progress& progress,
                                        StopToken stop, const FightSink& sink) {
  std::vector<MobSeconds> mobs;  // their texts only: the seconds are read a mob at a time
  if (!ReadStoredMobsInOrder(db, mobs)) return std::nullopt;
  progress.SetValue(0);
  progress.SetMaximum(static_cast<double>(mobs.size()) + 1);
  ProgressSteps steps(progress, mobs.size());
  FightCutter cutter(eventTimerSeconds, sink);
  Statement chunks(db, kChunksOfMob);
  // One mob's seconds are held at a time, each read into the room the
  // mob before left.
  std::vector<EventRow> room;
  for (size_t k = 0; k < mobs.size(); ++k) {
    stop.StopHere();
    mobs[k].Seconds.swap(room);
    ReadStoredSeconds(chunks, mobs[k]);
    cutter.Add(mobs[k]);
    mobs[k].Seconds.swap(room);
    room.clear();
    steps.Done(k + 1);
  }
  return cutter.Finish();
}

void MarkMobSecondsCurrent(Database& db, const SecondsTotals& totals) {
  WriteState(db, StateKey::SecondsValid, NoteText(totals));
}

}  // namespace qorn
