#include "bench_util.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "store/database.h"

namespace qorn::bench {

double PeakRssMiB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double FileSizeMB(const std::string& path) {
  return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

FightSize LargestFight(const std::string& db, const std::string& dmgType) {
  Database d(db);
  // First the fight, over the event numbers alone; then its figures.
  Statement largest(d, dmgType.empty()
                           ? "SELECT EventNum FROM ParseData WHERE EventNum > 0 GROUP BY "
                             "EventNum ORDER BY count(*) DESC, EventNum LIMIT 1"
                           : "SELECT EventNum FROM ParseData WHERE EventNum > 0 AND DmgType = ? "
                             "GROUP BY EventNum ORDER BY count(*) DESC, EventNum LIMIT 1");
  if (!dmgType.empty()) largest.Bind(1, dmgType);
  if (!largest.Step()) return {};
  FightSize fight;
  fight.EventNum = static_cast<int32_t>(largest.ColumnInt(0));
  Statement figures(d,
                    "SELECT count(*), max(TickNum), min(DTime), max(DTime), count(DISTINCT CASE "
                    "WHEN DmgType = 'Dot' THEN DmgSrc END) FROM ParseData WHERE EventNum = ?1 "
                    "AND (?2 = '' OR DmgType = ?2)");
  figures.Bind(1, int64_t{fight.EventNum}).Bind(2, dmgType);
  figures.Step();
  fight.Rows = figures.ColumnInt(0);
  fight.Ticks = figures.ColumnInt(1);
  fight.First = figures.ColumnDouble(2);
  fight.Last = figures.ColumnDouble(3);
  fight.DotSources = figures.ColumnInt(4);
  return fight;
}

std::string MinMedianMax(std::vector<double> ms) {
  if (ms.empty()) return "no runs";
  std::sort(ms.begin(), ms.end());
  char text[96];
  std::snprintf(text, sizeof text, "min %8.1f ms  median %8.1f ms  max %8.1f ms", ms.front(),
                ms[ms.size() / 2], ms.back());
  return text;
}

}  // namespace qorn::bench
