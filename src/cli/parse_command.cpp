// qorn-cli parse: the parser's records of a log, without a database.
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/terminal_progress.h"
#include "common/date_time.h"
#include "common/front_end_texts.h"
#include "parse/log_file.h"
#include "parse/log_parser.h"
#include "platform/process.h"

namespace qorn::cli {
namespace {

const char* Flag(bool value) { return value ? "-1" : "0"; }

// What parse prints, fed the parser's records a block at a time.
class RecordPrinter {
 public:
  virtual ~RecordPrinter() = default;
  virtual void Take(RecordBlock& block) = 0;
  // After the last block; `seconds`: how long the parse took.
  virtual void Finish(const ParseResult& parsed, double seconds) = 0;
};

class DamagePrinter final : public RecordPrinter {
 public:
  DamagePrinter() {
    out_ << "When\tWho\tMob\tDmg\tCrit\tDmgType\tDmgSrc\tCpower\tCoA\tInten\tReserved\n";
  }
  void Take(RecordBlock& block) override {
    for (const DamageRec& r : block.Records.DamageRecs) {
      out_ << FormatSqlDateTime(r.When) << "\t";
      out_.Text(r.Who) << "\t";
      out_.Text(r.Mob) << "\t" << std::to_string(r.Dmg) << "\t" << Flag(r.Crit) << "\t" << r.DmgType
                       << "\t";
      out_.Text(r.DmgSrc) << "\t" << Flag(r.Cpower) << "\t" << Flag(r.CoA) << "\t" << Flag(r.Inten)
                          << "\t" << std::to_string(r.Reserved) << "\n";
    }
  }
  void Finish(const ParseResult&, double) override {}

 private:
  Out out_;
};

// A fizzle or interrupt in a later block may change the last cast of the
// blocks before (RecordBlock::LastCastChange): the last cast waits until
// the next cast or the end.
class CastPrinter final : public RecordPrinter {
 public:
  CastPrinter() { out_ << "When\tCorR\tSpell\n"; }
  void Take(RecordBlock& block) override {
    if (block.LastCastChange && held_) held_->CorR = *block.LastCastChange;
    const std::vector<CastRec>& casts = block.Records.CastRecs;
    if (casts.empty()) return;
    PrintHeld();
    for (size_t i = 0; i + 1 < casts.size(); ++i)
      Print(casts[i].When, casts[i].CorR, casts[i].Spell);
    held_ = Held{casts.back().When, casts.back().CorR, std::string(casts.back().Spell)};
  }
  void Finish(const ParseResult&, double) override { PrintHeld(); }

 private:
  struct Held {
    DateTime When;
    int16_t CorR;
    std::string Spell;  // the block's texts are gone with it
  };
  void Print(DateTime when, int16_t code, std::string_view spell) {
    out_ << FormatSqlDateTime(when) << "\t" << std::to_string(code) << "\t";
    out_.Text(spell) << "\n";
  }
  void PrintHeld() {
    if (held_) Print(held_->When, held_->CorR, held_->Spell);
    held_.reset();
  }
  Out out_;
  std::optional<Held> held_;
};

class SummaryPrinter final : public RecordPrinter {
 public:
  void Take(RecordBlock& block) override {
    for (const DamageRec& r : block.Records.DamageRecs) {
      for (size_t t = 0; t < std::size(kTypes); ++t) types_[t] += r.DmgType == kTypes[t];
    }
    damage_ += block.Records.DamageRecs.size();
    // A fizzle or interrupt of this block changed the last cast before it.
    if (block.LastCastChange && anyCast_) {
      Count(lastCode_, -1);
      lastCode_ = *block.LastCastChange;
      Count(lastCode_, 1);
    }
    for (const CastRec& r : block.Records.CastRecs) Count(r.CorR, 1);
    if (!block.Records.CastRecs.empty()) {
      anyCast_ = true;
      lastCode_ = block.Records.CastRecs.back().CorR;
    }
    casts_ += block.Records.CastRecs.size();
  }
  void Finish(const ParseResult& parsed, double seconds) override {
    std::printf("lines\t%lld\n", parsed.Lines);
    std::printf("damage records\t%zu\n", damage_);
    for (size_t t = 0; t < std::size(kTypes); ++t) {
      std::printf("  %.*s\t%lld\n", static_cast<int>(kTypes[t].size()), kTypes[t].data(),
                  types_[t]);
    }
    std::printf("cast records\t%zu\n", casts_);
    static constexpr const char* kCodeNames[] = {"0 cast begun", "1 resisted", "2 fizzled",
                                                 "3 interrupted"};
    for (int c = 0; c < 4; ++c) std::printf("  %s\t%lld\n", kCodeNames[c], codes_[c]);
    std::printf("parse seconds\t%.3f\n", seconds);
  }

 private:
  static constexpr std::string_view kTypes[] = {kDot, kDD, kPet, kEpicSwarm};
  void Count(int16_t code, int by) {
    if (code >= 0 && code < 4) codes_[code] += by;
  }
  long long types_[std::size(kTypes)] = {};
  size_t damage_ = 0;
  size_t casts_ = 0;
  long long codes_[4] = {};
  bool anyCast_ = false;
  int16_t lastCode_ = kCastBegun;  // of the last cast taken
};

}  // namespace

int ParseCommand(const CommandLine& line) {
  const Args args = line.Read({"--name"}, {"--casts", "--summary"});
  if (args.positional.size() != 1) throw UsageError{"parse needs exactly one LOGFILE"};
  const std::string name = NameOption(args, "parse");
  if (args.Has("--casts") && args.Has("--summary")) {
    throw UsageError{"--casts and --summary exclude each other"};
  }
  std::unique_ptr<RecordPrinter> printer;
  if (args.Has("--summary")) {
    printer = std::make_unique<SummaryPrinter>();
  } else if (args.Has("--casts")) {
    printer = std::make_unique<CastPrinter>();
  } else {
    printer = std::make_unique<DamagePrinter>();
  }
  // The records are printed while the parse runs: a bar on the terminal
  // they are printed to would break their lines.
  const bool records = !args.Has("--summary");
  TerminalProgress bar("Parsing");
  NullProgress none;
  Progress& progress = records && platform::IsTerminal(platform::StandardStream::Output)
                           ? static_cast<Progress&>(none)
                           : bar;
  const auto start = std::chrono::steady_clock::now();
  bool anyDamage = false;
  const LogFile log(args.positional[0]);
  const ParseResult parsed =
      ParseLogInBlocks(log, name, progress, [&](RecordBlock& block) {
        anyDamage = anyDamage || !block.Records.DamageRecs.empty();
        printer->Take(block);
      });
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  progress.SetVisible(false);
  printer->Finish(parsed, seconds);
  printer.reset();
  if (!anyDamage) std::fprintf(stderr, "%s\n", kNoDamageMessage.data());
  return kDone;
}

}  // namespace qorn::cli
