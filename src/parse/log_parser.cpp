// The parser's entry points: the two passes over a whole log, in pieces on
// the worker pool, and over the lines appended to a log.
#include "parse/log_parser.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "parse/block_reader.h"
#include "parse/block_scan.h"
#include "parse/log_file.h"
#include "parse/log_names.h"
#include "parse/piece_join.h"
#include "parse/worker_pool.h"
#include "platform/bytes.h"

namespace qorn {
namespace {

using namespace parse;

// A log smaller than this is read in one piece: a second thread would not pay.
constexpr long long kMinSplitBytes = 4 << 20;

// Where the pieces of the log start: at 0 and at the line starts at or behind
// each of `cuts.At`; without them, every `every` bytes, or (when `every` is 0)
// in the middle of a large log.
std::vector<long long> PieceStarts(const LogFile& log, const PieceCuts& cuts, long long every) {
  const long long size = log.Size();
  std::vector<long long> starts = {0};
  auto cutAt = [&](long long offset) {
    const long long start = log.LineStartFrom(offset);
    if (start > starts.back() && start < size) starts.push_back(start);
  };
  if (!cuts.At.empty()) {
    for (long long cut : cuts.At) cutAt(cut);
  } else if (every > 0) {
    for (long long at = every; at < size; at += every) cutAt(at);
  } else if (size >= kMinSplitBytes) {
    cutAt(size / 2);
  }
  return starts;
}

// Pass 1 over the log, in the pieces that start at `starts`, on the worker
// pool: the pet names into `names`, in the order they are first met in the
// log, and the line count, returned. Each piece after the first gathers its
// names apart; they join the list behind those of the pieces before, less
// the ones met there already.
long long ScanPetNamesOfLog(const LogFile& log, const std::vector<long long>& starts,
                            LogNames& names, StopToken stop) {
  const size_t count = starts.size();
  std::vector<TextPool> pools(count - 1);
  std::vector<std::optional<LogNames>> found(count);
  for (size_t k = 1; k < count; ++k) found[k].emplace(pools[k - 1], names.charName);
  long long all = 0;
  RunInOrder<long long>(
      count, count,
      [&](size_t k, const std::atomic<bool>& quit) {
        LogNames& into = k == 0 ? names : *found[k];
        BlockReader reader(log, starts[k], k + 1 < count ? starts[k + 1] : log.Size());
        sv block;
        long long lines = 0;
        while (!quit && !stop.Requested() && reader.Next(block)) {
          lines += ScanPetNames(block, into);
        }
        return lines;
      },
      [&](size_t k, long long lines) {
        stop.StopHere();  // the piece may have ended early
        all += lines;
        if (k == 0) return;
        for (size_t i = 0; i < found[k]->pets.size(); ++i) names.AddPet(found[k]->pets[i]);
        names.loneReturns = names.loneReturns || found[k]->loneReturns;
      },
      [&] { stop.StopHere(); });
  return all;
}

// The second pass reads the log in pieces (of kPieceBytes unless told) and
// hands their records over in log order. A piece parsed waits to be taken
// while at most kPiecesAhead pieces are parsed beyond the one taken last, so
// a parse holds the records of a few pieces, whatever the log's size.
constexpr size_t kPiecesAhead = 3;

// The second pass over the pieces that start at `starts`, on the worker
// pool; each piece joined to the lines before it and handed to `take` on the
// calling thread, in order. The bar shows the lines of the pieces as they
// are parsed.
void ParsePieces(const LogFile& log, const LogNames& names, const std::vector<long long>& starts,
                 Progress& progress, StopToken stop, JoinState& state,
                 const std::function<void(RecordBlock&)>& take) {
  const size_t count = starts.size();
  std::atomic<long long> lines = 0;
  // The bar moves while a piece is awaited too; it is set only when it moves.
  double shown = -1;
  auto showLines = [&] {
    const double value = std::floor(static_cast<double>(lines) / 10.0);
    if (value != shown) progress.SetValue(value);
    shown = value;
  };
  RunInOrder<std::unique_ptr<Piece>>(
      count, kPiecesAhead,
      [&](size_t k, const std::atomic<bool>& quit) {
        auto piece = std::make_unique<Piece>();
        long long before = 0;
        ParsePiece(log, starts[k], k + 1 < count ? starts[k + 1] : log.Size(), names, *piece,
                   [&](long long n) {
                     lines += n - before;
                     before = n;
                     return !quit && !stop.Requested();
                   });
        return piece;
      },
      [&](size_t, std::unique_ptr<Piece> piece) {
        stop.StopHere();  // the piece may have ended early
        showLines();
        RecordBlock block;
        JoinPiece(*piece, block.Records, state, block.LastCastChange);
        piece.reset();
        take(block);
      },
      [&] {
        stop.StopHere();
        showLines();
      });
}

// Whether any of `texts` stands in the first `bytes` bytes of the log.
bool HoldsAnyOf(const LogFile& log, long long bytes, const std::vector<std::string>& texts) {
  if (texts.empty() || bytes <= 0) return false;
  BlockReader reader(log, 0, bytes);
  sv block;
  while (reader.Next(block)) {
    for (const std::string& t : texts) {
      if (!t.empty() &&
          platform::FindBytes(block.data(), block.size(), t.data(), t.size()) != nullptr) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

ParseResult ParseLogInBlocks(const LogFile& log, std::string_view charName, Progress& progress,
                             const std::function<void(RecordBlock&)>& take, const PieceCuts& cuts,
                             StopToken stop) {
  ParseResult result;
  LogNames names(result.Texts, charName);

  progress.SetVisible(true);
  // The log as it was opened: lines the game appends meanwhile wait for the
  // next read.
  result.Lines = ScanPetNamesOfLog(log, PieceStarts(log, cuts, 0), names, stop);
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  progress.SetVisible(true);

  JoinState state;
  ParsePieces(log, names, PieceStarts(log, cuts, std::max(cuts.Every, 1LL)), progress, stop, state,
              take);
  FillEnd(log.Size(), log.EndsAtLineEnd(log.Size()), names, state, result.End);
  progress.SetValue(0);
  return result;
}

AppendedParse ParseAppendedLines(const LogFile& log, std::string_view charName,
                                 const ParseEnd& before, long long end, Progress& progress,
                                 StopToken stop) {
  AppendedParse out;
  ParseResult& result = out.Records;
  LogNames names(result.Texts, charName);
  for (const std::string& name : before.PetNames) names.AddPet(name);
  const size_t known = names.pets.size();
  progress.SetVisible(true);
  {
    BlockReader reader(log, before.Bytes, end);
    sv block;
    while (reader.Next(block)) result.Lines += ScanPetNames(block, names);
  }
  stop.StopHere();
  std::vector<std::string> newPets;
  for (size_t i = known; i < names.pets.size(); ++i) newPets.emplace_back(names.pets[i]);
  if (HoldsAnyOf(log, before.Bytes, newPets)) {
    out.PetNamedBefore = true;
    return out;
  }
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  Piece piece;
  ParsePiece(log, before.Bytes, end, names, piece, [&](long long n) {
    progress.SetValue(std::floor(static_cast<double>(n) / 10.0));
    return !stop.Requested();
  });
  stop.StopHere();
  JoinState state;
  for (int buff = 0; buff < kBuffs; ++buff) state.buffs[buff] = before.Buffs[buff];
  state.dotSeen = before.DotSeen;
  state.lastMob = before.LastDotMob;
  JoinPiece(piece, result, state, out.LastCastChange);
  FillEnd(end, log.EndsAtLineEnd(end), names, state, result.End);
  progress.SetValue(0);
  return out;
}

}  // namespace qorn
