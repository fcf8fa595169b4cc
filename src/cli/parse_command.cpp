// qorn-cli parse: the parser's records of a log, without a database.
#include <chrono>
#include <cstdio>
#include <map>

#include "cli/cli_args.h"
#include "cli/terminal_progress.h"
#include "common/date_time.h"
#include "parse/log_parser.h"

namespace qorn::cli {
namespace {

const char* Flag(bool value) { return value ? "-1" : "0"; }

void PrintDamage(const ParseResult& result) {
  Out out;
  out << "When\tWho\tMob\tDmg\tCrit\tDmgType\tDmgSrc\tCpower\tCoA\tInten\tReserved\n";
  for (const DamageRec& r : result.DamageRecs) {
    out << FormatSqlDateTime(r.When) << "\t";
    out.Text(r.Who) << "\t";
    out.Text(r.Mob) << "\t" << std::to_string(r.Dmg) << "\t" << Flag(r.Crit) << "\t" << r.DmgType
                    << "\t";
    out.Text(r.DmgSrc) << "\t" << Flag(r.Cpower) << "\t" << Flag(r.CoA) << "\t" << Flag(r.Inten)
                       << "\t" << std::to_string(r.Reserved) << "\n";
  }
}

void PrintCasts(const ParseResult& result) {
  Out out;
  out << "When\tCorR\tSpell\n";
  for (const CastRec& r : result.CastRecs) {
    out << FormatSqlDateTime(r.When) << "\t" << std::to_string(r.CorR) << "\t";
    out.Text(r.Spell) << "\n";
  }
}

void PrintSummary(const ParseResult& result, double seconds) {
  std::map<std::string_view, long long> types;
  for (std::string_view t : {kDot, kDD, kPet, kEpicSwarm}) types[t] = 0;
  for (const DamageRec& r : result.DamageRecs) ++types[r.DmgType];
  long long codes[4] = {};
  for (const CastRec& r : result.CastRecs) {
    if (r.CorR >= 0 && r.CorR < 4) ++codes[r.CorR];
  }
  std::printf("lines\t%lld\n", result.Lines);
  std::printf("damage records\t%zu\n", result.DamageRecs.size());
  for (std::string_view t : {kDot, kDD, kPet, kEpicSwarm}) {
    std::printf("  %.*s\t%lld\n", static_cast<int>(t.size()), t.data(), types[t]);
  }
  std::printf("cast records\t%zu\n", result.CastRecs.size());
  static constexpr const char* kCodeNames[] = {"0 cast begun", "1 resisted", "2 fizzled",
                                               "3 interrupted"};
  for (int c = 0; c < 4; ++c) std::printf("  %s\t%lld\n", kCodeNames[c], codes[c]);
  std::printf("parse seconds\t%.3f\n", seconds);
}

}  // namespace

int ParseCommand(const CommandLine& line) {
  const Args args = line.Read({"--name"}, {"--casts", "--summary"});
  if (args.positional.size() != 1) throw UsageError{"parse needs exactly one LOGFILE"};
  const std::string name = NameOption(args, "parse");
  if (args.Has("--casts") && args.Has("--summary")) {
    throw UsageError{"--casts and --summary exclude each other"};
  }
  TerminalProgress progress("Parsing");
  const auto start = std::chrono::steady_clock::now();
  const ParseResult result = ParseLogFile(args.positional[0], name, progress);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  progress.SetVisible(false);
  if (result.NoDamage()) std::fprintf(stderr, "%s\n", kNoDamageMessage.data());
  if (args.Has("--summary")) {
    PrintSummary(result, seconds);
  } else if (args.Has("--casts")) {
    PrintCasts(result);
  } else {
    PrintDamage(result);
  }
  return kDone;
}

}  // namespace qorn::cli
