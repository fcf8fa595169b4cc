#include "support/parse_log.h"

#include "parse/log_file.h"

namespace qorn::test {
namespace {

ParseResult ParseWhole(const std::string& path, std::string_view charName, Progress& progress,
                       const PieceCuts& cuts) {
  const LogFile log(path);
  ParseResult whole;
  ParseResult names = ParseLogInBlocks(
      log, charName, progress,
      [&whole](RecordBlock& block) {
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
        whole.CastRecs.insert(whole.CastRecs.end(), records.CastRecs.begin(),
                              records.CastRecs.end());
        whole.Texts.Absorb(std::move(records.Texts));
      },
      cuts);
  whole.Texts.Absorb(std::move(names.Texts));
  whole.Lines = names.Lines;
  whole.End = std::move(names.End);
  return whole;
}

}  // namespace

ParseResult ParseLogFile(const std::string& path, std::string_view charName, Progress& progress) {
  return ParseWhole(path, charName, progress, {});
}

ParseResult ParseLogFileInPieces(const std::string& path, std::string_view charName,
                                 Progress& progress, const std::vector<long long>& cuts) {
  return ParseWhole(path, charName, progress, {.Every = kPieceBytes, .At = cuts});
}

}  // namespace qorn::test
