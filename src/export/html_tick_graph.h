#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/date_time.h"

namespace qorn {

inline constexpr std::string_view kHtmlDialogTitle = "Create a html file for exporting";
inline constexpr std::string_view kHtmlFilter = "HTML files (*.htm)|*.HTM";
inline constexpr std::string_view kHtmlExportedMessage = "Your html graph data has been exported:";

// The tick graph of fight `eventNum` as the HTML file holds it: a table row
// per tick with the three buff markers and a bar of stretched single-colour
// images (pets, direct damage, then each DoT hit), the legend, the totals and
// a last line naming `generated`. Stores each of the fight's rows' colour
// number in ParseData.Color (1 direct damage, 2 + j DoT source j).
std::string HtmlTickGraphText(const std::string& databasePath, int32_t eventNum,
                              DateTime generated);

// Writes HtmlTickGraphText to `fileName`, and beside it each image the graph
// can name that is not there yet. Throws qorn::Error, also when the
// database file is missing.
void WriteHtmlTickGraph(const std::string& databasePath, int32_t eventNum,
                        const std::string& fileName, DateTime generated);

// The width of a bar piece: damage / 100 in its shortest plain form (1234
// gives "12.34", 1200 "12", 5 "0.05").
std::string BarWidth(int64_t damage);

// The machine's local time now, to the second.
DateTime LocalNow();

}  // namespace qorn
