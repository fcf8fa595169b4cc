// qorn-cli graph: a stored fight's graph as text, and as a picture.
#include "cli/cli_args.h"

#include <cstdio>
#include <filesystem>

#include "common/error.h"
#include "common/number_format.h"
#include "export/file_output.h"
#include "platform/paths.h"
#include "commands/program_folder.h"
#include "render/graph_png.h"
#include "render/uptime_lanes.h"
#include "views/dot_uptime.h"
#include "views/tick_graphs.h"

namespace qorn::cli {
namespace {

// Pictures from a few pixels up to what a poster would need.
constexpr int kMinSide = 50;
constexpr int kMaxSide = 10000;

std::pair<int, int> PictureSize(const std::string& text) {
  const size_t x = text.find('x');
  const auto width = ParseInt(text.substr(0, x));
  const auto height = x == std::string::npos ? std::nullopt : ParseInt(text.substr(x + 1));
  if (!width || !height || *width < kMinSide || *width > kMaxSide || *height < kMinSide ||
      *height > kMaxSide) {
    throw UsageError{"--size needs WIDTHxHEIGHT in pixels, each from " + std::to_string(kMinSide) +
                     " to " + std::to_string(kMaxSide) + ", not '" + text + "'"};
  }
  return {static_cast<int>(*width), static_cast<int>(*height)};
}

}  // namespace

int GraphCommand(const CommandLine& line) {
  const Args args = line.Read({"--png", "--size"}, {});
  const std::string kind = args.positional.size() == 2 ? args.positional[1] : "";
  if (kind != "dot" && kind != "all" && kind != "uptime") {
    throw UsageError{"graph needs EVENT and dot, all or uptime"};
  }
  const int32_t eventNum = EventNumberArg(args.positional[0]);
  const auto png = args.Value("--png");
  const auto size = args.Value("--size");
  if (size && !png) throw UsageError{"--size goes with --png FILE"};
  const auto [width, height] =
      size ? PictureSize(*size) : std::pair{kGraphDesignWidth, kGraphDesignHeight};

  // Reading the graph must not leave an empty database behind.
  const std::string database = InProgramFolder(FindProgramFolder(line.home), kDatabaseFile);
  if (!std::filesystem::exists(platform::PathOf(database))) {
    throw Error("There is no parse database " + database + "; run getlog first.");
  }
  const auto mob = EventMob(database, eventNum);
  if (!mob) throw Error("There is no fight " + args.positional[0] + " in " + database + ".");
  if (kind == "uptime") {
    // The lanes, and as text each lane's ticking and dropped spans.
    const FightDots dots = ReadFightDots(database, eventNum);
    if (png) WriteFileReplacing(*png, UptimeLanesPng(dots, width, height));
    Out out;
    for (const ListRow& row : UptimeLanesText(dots)) out.Row(row);
    return 0;
  }
  const ChartGrid grid = kind == "dot" ? DrawDotTickGraph(database, eventNum, *mob)
                                       : DrawAllDamageGraph(database, eventNum, *mob);
  if (png) WriteFileReplacing(*png, GraphPng(grid, width, height));
  const std::string text = ChartGridText(grid);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace qorn::cli
