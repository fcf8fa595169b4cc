#include "export/csv_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "common/error.h"
#include "export/export_fixture.h"
#include "export/stored_list.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

const std::vector<std::string> kTicksHeaders = {"Tick", "Mob", "DMG", "CPow", "CoABP", "Inten"};
const std::vector<std::string> kDetailHeaders = {
    "Damage Source", "Total", "Avg. DPS", "High",    "Low",     "Avg. DMG",  "Hits",
    "DPM",           "Crits", "Casts",    "Resists", "Fizzles", "Interrupts"};

TEST(CsvText, UnquotedListsCleanCommasBesideBlanks) {
  struct Case {
    const char* what;
    std::vector<std::string> row;
    const char* line;
  };
  const Case cases[] = {
      {"plain row", {"3", "a gnoll", "1536", "-1", "0", "0"}, "3,a gnoll,1536,-1,0,0"},
      {"comma and blank inside a cell",
       {"3", "Vox, the dragon", "1", "0", "0", "0"},
       "3,Vox the dragon,1,0,0,0"},
      // The clean-up stays inside its cell: a blank at a cell's edge keeps the separator.
      {"cell beginning with a blank", {"3", " gnoll", "1", "0", "0", "0"}, "3, gnoll,1,0,0,0"},
      {"cell ending with a blank", {"3", "gnoll ", "1", "0", "0", "0"}, "3,gnoll ,1,0,0,0"},
      {"a comma with no blank beside it is quoted",
       {"3", "a gnoll", "1,536", "0", "0", "0"},
       "3,a gnoll,\"1,536\",0,0,0"},
      {"quotes are doubled inside quotes",
       {"3", "a \"big\" gnoll", "1", "0", "0", "0"},
       "3,\"a \"\"big\"\" gnoll\",1,0,0,0"},
      {"missing cells are empty", {"3"}, "3,,,,,"},
  };
  for (const Case& c : cases) {
    const std::string text = CsvText(CsvList::DotTicks, {kTicksHeaders, {c.row}});
    EXPECT_EQ(text, "Tick,Mob,DMG,CPow,CoABP,Inten\r\n" + std::string(c.line) + "\r\n") << c.what;
  }
}

// The fields as a spreadsheet reads them (RFC 4180): a quoted field may hold
// commas, doubled quotes and line breaks; a line ends in CR LF.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool next = i + 1 < text.size();
    if (quoted && c == '"' && next && text[i + 1] == '"') {
      field += c;
      ++i;
    } else if (c == '"' && (quoted || field.empty())) {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      row.push_back(std::exchange(field, {}));
    } else if (!quoted && c == '\r' && next && text[i + 1] == '\n') {
      row.push_back(std::exchange(field, {}));
      rows.push_back(std::exchange(row, {}));
      ++i;
    } else {
      field += c;
    }
  }
  return rows;
}

// Texts of other players' choosing, in every list: none reaches a cell as a
// formula or splits its field; numbers stay numbers.
TEST(CsvText, TextsAreNeverFormulasAndKeepTheirField) {
  const std::pair<std::string, std::string> texts[] = {
      {"=HYPERLINK(\"http://x\",\"y\").", "'=HYPERLINK(\"http://x\",\"y\")."},
      {"+1+1", "'+1+1"},
      {"-2+3", "'-2+3"},
      {"-", "-"},  // no value in the lists
      {"@SUM(A1:A2)", "'@SUM(A1:A2)"},
      {"\tcmd", "'\tcmd"},
      {"\rcmd", "'\rcmd"},
      {"a,b", "a,b"},
      {"say \"hi\"", "say \"hi\""},
      {"two\r\nlines", "two\r\nlines"},
      {"-1", "-1"},
      {"-1,034.50", "-1,034.50"},
      {"-33.33%", "-33.33%"},
      {"a gnoll", "a gnoll"},
  };
  for (CsvList list : {CsvList::Overview, CsvList::DotBreakdown, CsvList::DotTicks,
                       CsvList::AllDamageDetail, CsvList::BuffValue}) {
    const size_t columns = static_cast<size_t>(KindOf(list).Columns);
    ListContents contents{std::vector<std::string>(columns, "Caption"), {}};
    for (const auto& text : texts) {
      std::vector<std::string> row(columns, "-7");
      row[0] = text.first;
      row[1] = text.first;
      contents.Rows.push_back(row);
    }
    const auto rows = ReadCsv(CsvText(list, contents));
    ASSERT_EQ(rows.size(), std::size(texts) + 1) << static_cast<int>(list);
    for (size_t r = 0; r < std::size(texts); ++r) {
      const std::vector<std::string>& row = rows[r + 1];
      ASSERT_EQ(row.size(), columns) << static_cast<int>(list) << " " << texts[r].first;
      EXPECT_EQ(row[0], texts[r].second) << static_cast<int>(list);
      EXPECT_EQ(row[1], texts[r].second) << static_cast<int>(list);
      EXPECT_EQ(row[2], "-7") << static_cast<int>(list);
    }
  }
}

TEST(CsvText, HeaderLineKeepsItsBlanksAndAnEmptyListGivesOnlyIt) {
  const std::vector<std::string> overview = {"Mob", "Damage", "DPS", "Seconds", "Start", "End"};
  EXPECT_EQ(CsvText(CsvList::Overview, {overview, {}}), "Mob,Damage,DPS,Seconds,Start,End\r\n");
  // The detail list's captions have blanks beside no comma; they stand as they are.
  EXPECT_EQ(CsvText(CsvList::AllDamageDetail, {kDetailHeaders, {}}),
            "Damage Source,Total,Avg. DPS,High,Low,Avg. DMG,Hits,DPM,Crits,Casts,Resists,"
            "Fizzles,Interrupts\r\n");
}

TEST(CsvText, DetailRowsQuoteEveryCellTheyHave) {
  const ListContents detail = {kDetailHeaders,
                               {
                                   {"DoTs"},
                                   {"  Splurt.", "1,234", "12.34", "624", "312", "411.33", "3",
                                    "2.06", "1 (33.33%)", "4", "1", "0", "0"},
                                   {" TOTALS:", "1,234", "12.34", "", "", "", "3"},
                                   {"  DD"},
                               }};
  EXPECT_EQ(CsvText(CsvList::AllDamageDetail, detail),
            "Damage Source,Total,Avg. DPS,High,Low,Avg. DMG,Hits,DPM,Crits,Casts,Resists,"
            "Fizzles,Interrupts\r\n"
            "DoTs,\r\n"
            "  Splurt.,\"1,234\",\"12.34\",\"624\",\"312\",\"411.33\",\"3\",\"2.06\","
            "\"1 (33.33%)\",\"4\",\"1\",\"0\",\"0\"\r\n"
            " TOTALS:,\"1,234\",\"12.34\",\"\",\"\",\"\",\"3\",\r\n"
            "  DD,\r\n");
}

TEST(CsvText, BuffValueQuotesAsRfc4180) {
  const std::vector<std::string> headers = {"Buff",      "Source",  "Hits On",  "Crits On",
                                            "Crit% On",  "Avg On",  "Hits Off", "Crits Off",
                                            "Crit% Off", "Avg Off", "Added"};
  struct Case {
    const char* what;
    std::string source;
    const char* field;
  };
  const Case cases[] = {
      {"plain text stands as it is", "Splurt.", "Splurt."},
      {"blanks at the edges stay unquoted", " Splurt. ", " Splurt. "},
      {"a comma is quoted", "Vox, the dragon", "\"Vox, the dragon\""},
      {"a quote is doubled inside quotes", "Vox \"the\" dragon", "\"Vox \"\"the\"\" dragon\""},
      {"a line break is quoted", "two\r\nlines", "\"two\r\nlines\""},
      {"an empty cell is an empty field", "", ""},
  };
  for (const Case& c : cases) {
    const ListContents list = {headers,
                               {{"Anguish BP", c.source, "3", "2", "66.67%", "1,500.00", "3", "1",
                                 "33.33%", "72.00", "-1,034"}}};
    EXPECT_EQ(CsvText(CsvList::BuffValue, list),
              "Buff,Source,Hits On,Crits On,Crit% On,Avg On,Hits Off,Crits Off,Crit% Off,Avg Off,"
              "Added\r\n"
              "Anguish BP," +
                  std::string(c.field) + ",3,2,66.67%,\"1,500.00\",3,1,33.33%,72.00,\"-1,034\"\r\n")
        << c.what;
  }
  // A short row still gets every field.
  EXPECT_EQ(CsvText(CsvList::BuffValue, {headers, {{"Intensity", "All DoTs"}}}),
            "Buff,Source,Hits On,Crits On,Crit% On,Avg On,Hits Off,Crits Off,Crit% Off,Avg Off,"
            "Added\r\nIntensity,All DoTs,,,,,,,,,\r\n");
}

TEST(WriteCsvExport, WritesTheBytesAndReplacesAnOldFile) {
  test::TempDir dir;
  const std::string path = dir.Write("ticks.csv", "an older, longer file\r\nline two\r\n");
  const ListContents ticks = {kTicksHeaders, {{"1", "a gnoll", "300", "0", "0", "-1"}}};
  WriteCsvExport(CsvList::DotTicks, ticks, path);
  EXPECT_EQ(test::ReadFile(path), CsvText(CsvList::DotTicks, ticks));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "no temporary file is left";
  EXPECT_EQ(ExportedMessage(KindOf(CsvList::DotTicks).Message, path),
            "Your dot ticks have been exported:\n" + path);
}

// The four lists of the fixture's first fight as the window fills them, with
// casts of two of its DoT spells for the detail report's spell columns.
TEST(CsvExport, GoldenFilesOfTheFourLists) {
  test::TempDir dir;
  const std::string db = test::FightDatabase(dir, test::TwoFights());
  test::WriteCasts(db, {{1, 0, "Splurt."},
                        {2, 0, "Dread Pyre."},
                        {7, 1, "Splurt."},
                        {8, 2, "Splurt."},
                        {19, 3, "Dread Pyre."},
                        {19, 0, "Splurt."}});
  const Fight gnoll{1, "a gnoll"};
  const std::pair<CsvList, const char*> lists[] = {{CsvList::Overview, "overview.csv"},
                                                   {CsvList::DotBreakdown, "dot_breakdown.csv"},
                                                   {CsvList::DotTicks, "dot_ticks.csv"},
                                                   {CsvList::AllDamageDetail, "detail.csv"}};
  for (const auto& [list, golden] : lists) {
    test::ExpectGolden(golden, CsvText(list, StoredList(list, db, gnoll, true)));
  }
  test::ExpectGolden(
      "detail_no_pet_detail.csv",
      CsvText(CsvList::AllDamageDetail, StoredList(CsvList::AllDamageDetail, db, gnoll, false)));
}

}  // namespace
}  // namespace qorn
