// The parser's entry points: the two passes over a whole log, in pieces on
// the worker pool, and over the lines appended to a log.
#include "parse/log_parser.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>

#include "parse/block_reader.h"
#include "parse/block_scan.h"
#include "parse/line_end.h"
#include "parse/log_names.h"
#include "parse/piece_join.h"
#include "parse/worker_pool.h"

namespace qorn {
namespace {

using namespace parse;

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
// PieceStarts, on the worker pool: the pet names into `names`, in the order
// they are first met in the log, and the line count, returned. Each piece
// after the first gathers its names apart; they join the list behind those
// of the pieces before, less the ones met there already.
long long ScanPetNamesOfLog(const std::string& path, long long size,
                            const std::vector<long long>* cuts, LogNames& names, StopToken stop) {
  const std::vector<long long> starts = PieceStarts(path, size, cuts);
  const size_t count = starts.size();
  std::vector<TextPool> pools(count - 1);
  std::vector<std::optional<LogNames>> found(count);
  for (size_t k = 1; k < count; ++k) found[k].emplace(pools[k - 1], names.charName);
  long long all = 0;
  RunInOrder<long long>(
      count, count,
      [&](size_t k, const std::atomic<bool>& quit) {
        LogNames& into = k == 0 ? names : *found[k];
        BlockReader reader(path, starts[k], k + 1 < count ? starts[k + 1] : size);
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

// The size of the file at `path` now.
long long FileSizeOf(const std::string& path) { return BlockReader(path).FileSize(); }

// Whether the byte before `offset` of the file ends a line (true at 0).
bool EndsLine(const std::string& path, long long offset) {
  if (offset <= 0) return true;
  BlockReader reader(path, offset - 1, offset);
  sv block;
  return reader.Next(block) && !block.empty() && IsLineEnd(block.back());
}

// The second pass reads the log in pieces (of kPieceBytes unless told) and
// hands their records over in log order. A piece parsed waits to be taken
// while at most kPiecesAhead pieces are parsed beyond the one taken last, so
// a parse holds the records of a few pieces, whatever the log's size.
constexpr size_t kPiecesAhead = 3;

// The second pass over the pieces that start at `starts` (the last ends at
// `size`), on the worker pool; each piece joined to the lines before it and
// handed to `take` on the calling thread, in order. The bar shows the lines
// of the pieces as they are parsed.
void ParsePieces(const std::string& path, const LogNames& names,
                 const std::vector<long long>& starts, long long size, Progress& progress,
                 StopToken stop, JoinState& state, const std::function<void(RecordBlock&)>& take) {
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
        ParsePiece(path, starts[k], k + 1 < count ? starts[k + 1] : size, names, *piece,
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

// Both passes; the second in pieces that start at the line starts at or
// behind `cuts`, or, without cuts, every `pieceBytes`.
ParseResult ParseInBlocks(const std::string& path, sv charName, Progress& progress,
                          const std::vector<long long>* cuts,
                          const std::function<void(RecordBlock&)>& take,
                          long long pieceBytes = kPieceBytes, StopToken stop = {}) {
  ParseResult result;
  LogNames names(result.Texts, charName);

  progress.SetVisible(true);
  // The log as it stands now: lines the game appends meanwhile wait for the
  // next read.
  const long long size = FileSizeOf(path);
  result.Lines = ScanPetNamesOfLog(path, size, cuts, names, stop);
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  progress.SetVisible(true);

  const std::vector<long long> starts = PieceStarts(path, size, cuts, std::max(pieceBytes, 1LL));
  JoinState state;
  ParsePieces(path, names, starts, size, progress, stop, state, take);
  FillEnd(size, EndsLine(path, size), names, state, result.End);
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
                             const std::function<void(RecordBlock&)>& take, long long pieceBytes,
                             StopToken stop) {
  return ParseInBlocks(path, charName, progress, nullptr, take, pieceBytes, stop);
}

AppendedParse ParseAppendedLines(const std::string& path, std::string_view charName,
                                 const ParseEnd& before, long long end, Progress& progress,
                                 StopToken stop) {
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
  stop.StopHere();
  for (size_t i = known; i < names.pets.size(); ++i) out.NewPetNames.emplace_back(names.pets[i]);
  progress.SetValue(0);
  progress.SetMaximum(static_cast<float>(result.Lines) / 10.0f + 1.0f);
  Piece piece;
  ParsePiece(path, before.Bytes, end, names, piece, [&](long long n) {
    progress.SetValue(std::floor(static_cast<double>(n) / 10.0));
    return !stop.Requested();
  });
  stop.StopHere();
  JoinState state;
  for (int buff = 0; buff < kBuffs; ++buff) state.buffs[buff] = before.Buffs[buff];
  state.dotSeen = before.DotSeen;
  state.lastMob = before.LastDotMob;
  JoinPiece(piece, result, state, out.LastCastChange);
  FillEnd(end, EndsLine(path, end), names, state, result.End);
  progress.SetValue(0);
  return out;
}

ParseResult ParseLogFileInPieces(const std::string& path, std::string_view charName,
                                 Progress& progress, const std::vector<long long>& cuts) {
  return ParseWhole(path, charName, progress, &cuts);
}

}  // namespace qorn
