#include "export/html_tick_graph.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "common/number_format.h"
#include "common/series_palette.h"
#include "common/text_fold.h"
#include "export/file_output.h"
#include "export/gif_image.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "store/database.h"
#include "views/fight.h"

namespace qorn {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A text from the log as the page's text, never as markup: names are chosen
// by other players. The file is plain ASCII whatever the browser takes its
// code page for: a name's other characters are written as character
// references.
std::string HtmlText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      switch (byte) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          out += static_cast<char>(byte);
      }
      ++i;
      continue;
    }
    const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    uint32_t code = length == 1 ? 0xFFFD : byte & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = i + static_cast<size_t>(k) < utf8.size()
                            ? static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)])
                            : 0;
      code = (code << 6) | (next & 0x3F);
    }
    out += "&#" + std::to_string(code) + ";";
    i += static_cast<size_t>(length);
  }
  return out;
}

// "<img src='file' width ='w'height='10'" and the closing text of its use.
std::string ImageTag(std::string_view open, std::string_view file, std::string_view width,
                     std::string_view close) {
  std::string tag(open);
  tag += '\'';
  tag += file;
  tag += "' width ='";
  tag += width;
  tag += "'height='10'";
  tag += close;
  return tag;
}

class HtmlLines {
 public:
  HtmlLines& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  void End() { text_ += kLineEnd; }
  void Line(std::string_view text) {
    text_ += text;
    End();
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string Number(int64_t n) { return std::to_string(n); }

}  // namespace

std::string BarWidth(int64_t damage) {
  const bool negative = damage < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(damage) : static_cast<uint64_t>(damage);
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / 100);
  const uint64_t cents = magnitude % 100;
  if (cents != 0) {
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) text += static_cast<char>('0' + cents % 10);
  }
  return text;
}

DateTime LocalNow() {
  const std::tm local = platform::LocalTime(std::time(nullptr));
  const auto value = MakeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec});
  return value.value_or(0);
}

namespace {

// The damage type as the SQL texts compare it (the column's NOCASE).
bool IsType(std::string_view type, std::string_view word) { return CompareNoCase(type, word) == 0; }

struct DotHit {
  size_t Source = 0;
  int64_t Dmg = 0;
};

// What the graph shows of one tick.
struct TickSums {
  int64_t Cpower = 0, CoA = 0, Inten = 0;  // below 0 when a hit had the buff
  bool HasPet = false, HasDirect = false;
  int64_t Pet = 0, Direct = 0;
  std::vector<DotHit> DotHits;  // the hits of the fight's DoT sources, in SortMobTime's order
};

// The fight's rows as the graph shows them, in SortMobTime's order.
struct FightRows {
  bool Any = false;
  std::string FirstMob;  // the first row's mob and time name the fight
  DateTime FirstTime = 0;
  std::vector<TickSums>
      Ticks;  // ticks 1 to "Select max(ticknum) FROM SortMobTime WHERE eventnum = e"
};

// Per tick: the sums of "Select sum(cpower)", "sum(coa)" and "sum(inten)",
// the pets' and the direct damage's "Select sum(dmg) FROM SortMobTime WHERE
// ... ticknum = t and eventnum = e" (none without such rows), and the DoT
// hits among the rows of "Select * FROM SortMobTime WHERE ticknum = t and
// eventnum = e", gathered in one pass over the fight's rows instead of six
// queries a tick.
FightRows GatherFight(Database& db, int32_t eventNum, const std::vector<std::string>& dotSources) {
  FightRows fight;
  fight.Ticks.resize(static_cast<size_t>(FightTicks(db, eventNum)));
  std::unordered_map<std::string_view, size_t> sourceIndex;
  for (size_t j = 0; j < dotSources.size(); ++j) sourceIndex.emplace(dotSources[j], j);
  Statement rows(db,
                 "SELECT TickNum, DmgType, DmgSrc, Dmg, Cpower, CoA, Inten, Mob, DTime "
                 "FROM SortMobTime WHERE EventNum = ?");
  rows.Bind(1, static_cast<int64_t>(eventNum));
  while (rows.Step()) {
    const int64_t t = rows.ColumnInt(0);
    if (!fight.Any) {
      fight.Any = true;
      fight.FirstMob = rows.ColumnText(7);
      fight.FirstTime = rows.ColumnDouble(8);
    }
    if (t < 1 || static_cast<uint64_t>(t) > fight.Ticks.size()) continue;
    TickSums& tick = fight.Ticks[static_cast<size_t>(t - 1)];
    const std::string_view type = rows.ColumnText(1);
    const int64_t dmg = rows.ColumnInt(3);
    tick.Cpower += rows.ColumnInt(4);
    tick.CoA += rows.ColumnInt(5);
    tick.Inten += rows.ColumnInt(6);
    if (IsType(type, "Pet") || IsType(type, "Epic/Swarm")) {
      tick.HasPet = true;
      tick.Pet += dmg;
    } else if (IsType(type, "DD")) {
      tick.HasDirect = true;
      tick.Direct += dmg;
    }
    if (!sourceIndex.empty()) {
      const auto it = sourceIndex.find(rows.ColumnText(2));
      if (it != sourceIndex.end()) tick.DotHits.push_back({it->second, dmg});
    }
  }
  return fight;
}

struct TickGraph {
  std::string Html;
  size_t DotSourceCount = 0;
};

TickGraph BuildTickGraph(const std::string& databasePath, int32_t eventNum, DateTime generated) {
  const std::string event = Number(eventNum);
  // A missing database is an error here, never a new empty one.
  Database db = OpenForViewToWrite(databasePath);

  // The fight's DoT sources, in the order the query gives them.
  std::vector<std::string> dotSources;
  {
    Recordset rs(
        db,
        "Select distinct dmgsrc FROM SortMobTime WHERE dmgtype = 'Dot' and eventnum = " + event);
    for (; !rs.EndOfFile(); rs.MoveNext()) dotSources.push_back(rs.Field(0).AsText());
  }

  // Each row's colour: 1 direct damage, 2 + j DoT source j (a source wins
  // over direct damage, a later source over an earlier), names compared
  // exactly; other rows keep theirs. One pass over the fight's rows per
  // hundred sources.
  if (!dotSources.empty()) {
    Transaction tx(db);
    constexpr size_t kChunk = 100;
    for (size_t first = 0; first < dotSources.size(); first += kChunk) {
      const size_t end = std::min(dotSources.size(), first + kChunk);
      std::string colour = "CASE";
      for (size_t j = end; j-- > first;) {
        colour += " WHEN DmgSrc = ?" + Number(static_cast<int64_t>(j - first + 2)) +
                  " COLLATE BINARY THEN " + Number(DotSourceSlot(j));
      }
      if (first == 0) colour += " WHEN DmgType = 'DD' COLLATE BINARY THEN 1";
      colour += " ELSE Color END";
      // Rows that have their colour already are not written again.
      const std::string sql = "UPDATE ParseData SET Color = " + colour +
                              " WHERE EventNum = ?1 AND Color IS NOT (" + colour + ")";
      Statement update(db, sql);
      update.Bind(1, static_cast<int64_t>(eventNum));
      for (size_t j = first; j < end; ++j) {
        update.Bind(static_cast<int>(j - first + 2), dotSources[j]);
      }
      update.Step();
    }
    tx.Commit();
  }

  std::string legend = ImageTag("<img src=", SlotImageFile(kPetSlot), "10", "> Pet Damage<br>");
  legend += ImageTag("<img src=", SlotImageFile(kDirectDamageSlot), "10", "> DD Damage<br>");
  for (size_t j = 0; j < dotSources.size(); ++j) {
    legend += ImageTag("<img src=", SlotImageFile(DotSourceSlot(j)), "10",
                       "> " + HtmlText(dotSources[j]) + "<br>");
  }

  const FightRows fight = GatherFight(db, eventNum, dotSources);

  HtmlLines html;
  html.Line("<table cellspacing=0 cellpadding=0 border=0>");
  html.Line("<tr valign=top>");
  html.Line("<td>");
  html.Line("<table cellspacing=0 cellpadding=0 border=0>");

  // The title names the fight's first row: its mob and its time.
  if (fight.Any) {
    html.Line("<tr>");
    html << "<td colspan=5>" << HtmlText(fight.FirstMob) << " on "
         << FormatGeneralDate(fight.FirstTime) << "</td>";
    html.End();
    html.Line("</tr>");
  }
  {
    Recordset rs(db, "Select * FROM DPS WHERE eventnum = " + event);
    if (!rs.EndOfFile()) {
      long long seconds = SecondsBetween(rs.Field(3).AsDouble(), rs.Field(2).AsDouble());
      if (seconds == 0) seconds = 1;
      const int64_t total = rs.Field(1).AsInt();
      const double rate = static_cast<double>(total) / static_cast<double>(seconds);
      html.Line("<tr>");
      html << "<td colspan=5>Total DMG = " << Number(total) << " over " << Number(seconds)
           << " seconds for " << FormatShortDecimal(rate) << " DPS.</td>";
      html.End();
      html.Line("</tr>");
    }
  }
  html.Line("<tr><td colspan=5>&nbsp;</td></tr>");
  html.Line("    <tr>");
  html.Line(
      "<td>Tick&nbsp;</td><td>CP&nbsp;</td><td>CoA&nbsp;</td><td>Int&nbsp;</td><td>Damage</td>");
  html.Line("    </tr>");
  html.Line("<tr><td colspan=5>&nbsp;</td></tr>");

  for (int64_t t = 1; t <= static_cast<int64_t>(fight.Ticks.size()); ++t) {
    const TickSums& tick = fight.Ticks[static_cast<size_t>(t - 1)];
    std::string bars;
    int64_t total = 0;
    html.Line("    <tr>");
    html << "        <td align=left>" << Number(t) << "&nbsp;</td>";
    html.End();
    for (int64_t buff : {tick.Cpower, tick.CoA, tick.Inten}) {
      html.Line(ImageTag("<td><img src=", buff < 0 ? "red.gif" : "white.gif", "10", "></td>"));
    }
    if (tick.HasPet) {
      total = tick.Pet;
      bars = ImageTag("<img src=", SlotImageFile(kPetSlot), BarWidth(tick.Pet), ">");
    }
    if (tick.HasDirect) {
      total += tick.Direct;
      bars += ImageTag("<img src=", SlotImageFile(kDirectDamageSlot), BarWidth(tick.Direct), ">");
    }
    for (const DotHit& hit : tick.DotHits) {
      total += hit.Dmg;
      bars +=
          ImageTag("<img src=", SlotImageFile(DotSourceSlot(hit.Source)), BarWidth(hit.Dmg), ">");
    }
    html << "<td align=left>" << bars << "&nbsp;" << Number(total) << "</td>";
    html.End();
    html.Line("    </tr>");
  }

  html.Line("</table>");
  html.Line("</td>");
  html.Line("<td>");
  html << "<br><br><br><br><br>" << legend << "<br><br>";
  html.End();
  html.Line("CP = Chaotic Power proc<br>");
  html.Line("CoA = Anguish BP, +40% dot crits<br>");
  html.Line("Inten = Intensity of the Resolute<br>");
  html.Line("</tr>");
  html.Line("</td>");
  html.Line("</table><br><br>");
  html << "This file has been generated by Qorn on " << FormatGeneralDate(generated);
  html.End();
  return {html.Take(), dotSources.size()};
}

}  // namespace

std::string HtmlTickGraphText(const std::string& databasePath, int32_t eventNum,
                              DateTime generated) {
  return BuildTickGraph(databasePath, eventNum, generated).Html;
}

void WriteHtmlTickGraph(const std::string& databasePath, int32_t eventNum,
                        const std::string& fileName, DateTime generated) {
  const TickGraph graph = BuildTickGraph(databasePath, eventNum, generated);
  WriteFileReplacing(fileName, graph.Html);
  // The twelve images the page may name, and those of the extra slots its
  // DoT sources take.
  const int slots = std::max(
      static_cast<int>(kPaletteSlots.size()),
      DotSourceSlot(std::min(graph.DotSourceCount, kPaletteSlots.size() - 2 + kExtraSlots.size())));
  const std::filesystem::path folder = platform::PathOf(fileName).parent_path();
  for (int slot = 0; slot < slots; ++slot) {
    WriteFileIfMissing(platform::Utf8Of(folder / SlotImageFile(slot)),
                       SingleColourGif(SlotColour(slot)));
  }
}

}  // namespace qorn
