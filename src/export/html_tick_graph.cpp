#include "export/html_tick_graph.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <vector>

#include "common/series_palette.h"
#include "export/file_output.h"
#include "export/gif_image.h"
#include "store/database.h"
#include "common/number_format.h"

namespace qorn {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The file is plain ASCII whatever the browser takes its code page for: a
// name's other characters are written as character references.
std::string HtmlText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      out += static_cast<char>(byte);
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
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const auto value = MakeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec});
  return value.value_or(0);
}

namespace {

struct TickGraph {
  std::string Html;
  size_t DotSourceCount = 0;
};

TickGraph BuildTickGraph(const std::string& databasePath, int32_t eventNum, DateTime generated) {
  const std::string event = Number(eventNum);
  Database db(databasePath);

  // The fight's DoT sources, in the order the query gives them.
  std::vector<std::string> dotSources;
  {
    Recordset rs(
        db,
        "Select distinct dmgsrc FROM SortMobTime WHERE dmgtype = 'Dot' and eventnum = " + event);
    for (; !rs.EndOfFile(); rs.MoveNext()) dotSources.push_back(rs.Field(0).AsText());
  }

  // Each row's colour: 1 direct damage, 2 + j DoT source j, compared exactly.
  if (!dotSources.empty()) {
    Transaction tx(db);
    Statement dd(db,
                 "UPDATE ParseData SET Color = 1 WHERE EventNum = ? AND DmgType = 'DD' COLLATE "
                 "BINARY");
    dd.Bind(1, static_cast<int64_t>(eventNum)).Step();
    Statement source(db,
                     "UPDATE ParseData SET Color = ? WHERE EventNum = ? AND DmgSrc = ? COLLATE "
                     "BINARY");
    for (size_t j = 0; j < dotSources.size(); ++j) {
      source.Bind(1, static_cast<int64_t>(DotSourceSlot(j)))
          .Bind(2, static_cast<int64_t>(eventNum))
          .Bind(3, dotSources[j])
          .Step();
      source.Reset();
    }
    tx.Commit();
  }

  std::string legend = ImageTag("<img src=", SlotImageFile(kPetSlot), "10", "> Pet Damage<br>");
  legend += ImageTag("<img src=", SlotImageFile(kDirectDamageSlot), "10", "> DD Damage<br>");
  for (size_t j = 0; j < dotSources.size(); ++j) {
    legend += ImageTag("<img src=", SlotImageFile(DotSourceSlot(j)), "10",
                       "> " + HtmlText(dotSources[j]) + "<br>");
  }

  int64_t tickMax = 0;
  {
    Recordset rs(db, "Select max(ticknum) FROM SortMobTime WHERE eventnum = " + event);
    if (!rs.EndOfFile()) tickMax = rs.Field(0).AsInt();
  }

  HtmlLines html;
  html.Line("<table cellspacing=0 cellpadding=0 border=0>");
  html.Line("<tr valign=top>");
  html.Line("<td>");
  html.Line("<table cellspacing=0 cellpadding=0 border=0>");

  // The title names the fight's first row: its mob and its time.
  {
    Recordset rs(db, "Select * FROM SortMobTime WHERE eventnum = " + event + " LIMIT 1");
    if (!rs.EndOfFile()) {
      html.Line("<tr>");
      html << "<td colspan=5>" << HtmlText(rs.Field("Mob").AsText()) << " on "
           << FormatGeneralDate(rs.Field("DTime").AsDouble()) << "</td>";
      html.End();
      html.Line("</tr>");
    }
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

  for (int64_t t = 1; t <= tickMax; ++t) {
    const std::string where = Number(t) + " and eventnum = " + event;
    std::string bars;
    int64_t total = 0;
    html.Line("    <tr>");
    html << "        <td align=left>" << Number(t) << "&nbsp;</td>";
    html.End();
    for (std::string_view buff : {"cpower", "coa", "inten"}) {
      Recordset rs(
          db, "Select sum(" + std::string(buff) + ") FROM SortMobTime WHERE ticknum = " + where);
      if (rs.EndOfFile()) continue;
      const bool running = rs.Field(0).AsInt() < 0;
      html.Line(ImageTag("<td><img src=", running ? "red.gif" : "white.gif", "10", "></td>"));
    }
    {
      Recordset rs(db,
                   "Select sum(dmg) FROM SortMobTime WHERE (dmgtype = 'Epic/Swarm' or dmgtype = "
                   "'Pet') and ticknum = " +
                       where);
      if (!rs.EndOfFile() && !rs.Field(0).IsNull()) {
        total = rs.Field(0).AsInt();
        bars = ImageTag("<img src=", SlotImageFile(kPetSlot), BarWidth(total), ">");
      }
    }
    {
      Recordset rs(db,
                   "Select sum(dmg) FROM SortMobTime WHERE dmgtype = 'DD' and ticknum = " + where);
      if (!rs.EndOfFile() && !rs.Field(0).IsNull()) {
        const int64_t dd = rs.Field(0).AsInt();
        total += dd;
        bars += ImageTag("<img src=", SlotImageFile(kDirectDamageSlot), BarWidth(dd), ">");
      }
    }
    if (!dotSources.empty()) {
      Recordset rs(db, "Select * FROM SortMobTime WHERE ticknum = " + where);
      for (; !rs.EndOfFile(); rs.MoveNext()) {
        const std::string source = rs.Field("DmgSrc").AsText();
        for (size_t j = 0; j < dotSources.size(); ++j) {
          if (source != dotSources[j]) continue;
          const int64_t dmg = rs.Field("Dmg").AsInt();
          total += dmg;
          bars += ImageTag("<img src=", SlotImageFile(DotSourceSlot(j)), BarWidth(dmg), ">");
        }
      }
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
  const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
  for (int slot = 0; slot < slots; ++slot) {
    WriteFileIfMissing((folder / SlotImageFile(slot)).string(), SingleColourGif(SlotColour(slot)));
  }
}

}  // namespace qorn
