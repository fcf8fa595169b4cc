#include "export/html_tick_graph.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "common/series_palette.h"
#include "export/export_fixture.h"
#include "export/gif_image.h"
#include "store/database.h"
#include "store/parse_state.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

DateTime Generated() { return *MakeDateTime({2026, 12, 5, 9, 3, 7}); }

std::vector<int64_t> Colours(const std::string& db) {
  Database d(db);
  Statement rows(d, "SELECT Color FROM ParseData ORDER BY RecNum");
  std::vector<int64_t> out;
  while (rows.Step()) out.push_back(rows.ColumnInt(0));
  return out;
}

TEST(HtmlTickGraph, GoldenFiles) {
  test::TempDir dir;
  const std::string db = test::FightDatabase(dir, test::TwoFights());
  test::ExpectGolden("tick_graph_fight.htm", HtmlTickGraphText(db, 1, Generated()));
  test::ExpectGolden("tick_graph_zero_seconds.htm", HtmlTickGraphText(db, 2, Generated()));
}

TEST(HtmlTickGraph, StoresTheColourOfEachRowOfTheFight) {
  test::TempDir dir;
  const std::string db = test::FightDatabase(dir, test::TwoFights());
  HtmlTickGraphText(db, 1, Generated());
  // Pets keep 0, direct damage 1, DoT sources 2 + their place; the other fight is untouched.
  EXPECT_EQ(Colours(db), (std::vector<int64_t>{0, 2, 3, 1, 0, 2, 3, 0, 4, 2, 1, 0, 0}));
}

TEST(HtmlTickGraph, TheColoursLeaveTheStoredCutCurrent) {
  // A colour is no change of the damage: the next Get Log of appended lines
  // or Get Previous goes on from the stored seconds and fights, and only a
  // real change of a row makes them stale.
  test::TempDir dir;
  const std::string db = test::FightDatabase(dir, test::TwoFights());
  {
    Database d(db);
    ASSERT_TRUE(StoredCutIsCurrent(d, 18));
  }
  const std::string first = HtmlTickGraphText(db, 1, Generated());
  EXPECT_EQ(HtmlTickGraphText(db, 1, Generated()), first);
  Database d(db);
  EXPECT_TRUE(StoredCutIsCurrent(d, 18));
  d.ExecuteNative("UPDATE ParseData SET Color = 5 WHERE RecNum = 1");
  EXPECT_TRUE(StoredCutIsCurrent(d, 18));
  d.ExecuteNative("UPDATE ParseData SET Dmg = Dmg WHERE RecNum = 1");
  EXPECT_TRUE(StoredCutIsCurrent(d, 18));
  d.ExecuteNative("UPDATE ParseData SET Mob = 'A GNOLL' WHERE RecNum = 1");
  EXPECT_FALSE(StoredCutIsCurrent(d, 18));
}

TEST(HtmlTickGraph, AFightWithoutDotsHasNoDotPiecesAndKeepsItsColours) {
  test::TempDir dir;
  const std::string db = test::FightDatabase(
      dir, {{"a gnoll", 0, 1500, "DD", "Ignite Bones."}, {"a gnoll", 7, 90, "Pet", "Gobekn"}});
  const std::string html = HtmlTickGraphText(db, 1, Generated());
  EXPECT_NE(html.find("<td align=left><img src='darkblue.gif' width ='15'height='10'>&nbsp;1500"
                      "</td>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find("<td align=left><img src='black.gif' width ='0.9'height='10'>&nbsp;90</td>"),
            std::string::npos);
  EXPECT_NE(html.find("DD Damage<br><br><br>\r\n"), std::string::npos) << "no DoT legend lines";
  EXPECT_EQ(Colours(db), (std::vector<int64_t>{0, 0}));
}

TEST(HtmlTickGraph, EveryDotSourceHasAnImageOfItsOwn) {
  test::TempDir dir;
  std::vector<test::FixtureRow> rows;
  for (int j = 0; j < 12; ++j) {
    rows.push_back({"a gnoll", j, 100 + j, "Dot", "Spell " + std::to_string(j) + "."});
  }
  const std::string db = test::FightDatabase(dir, rows);
  const std::string html = HtmlTickGraphText(db, 1, Generated());
  EXPECT_NE(html.find("<img src='yellow.gif' width ='10'height='10'> Spell 9.<br>"),
            std::string::npos);
  EXPECT_NE(html.find("<img src='brown.gif' width ='10'height='10'> Spell 10.<br>"),
            std::string::npos);
  EXPECT_NE(html.find("<img src='teal.gif' width ='1.11'height='10'>"), std::string::npos);
  EXPECT_EQ(html.find("src=''"), std::string::npos);
  EXPECT_EQ(Colours(db).back(), 13);
}

TEST(WriteHtmlTickGraph, WritesTheMissingImagesBesideTheFile) {
  test::TempDir dir;
  std::vector<test::FixtureRow> rows = test::TwoFights();
  // Nine more DoT spells make twelve.
  for (int j = 4; j <= 12; ++j) {
    rows.push_back({"a gnoll", 22, 10, "Dot", "Spell " + std::to_string(j) + "."});
  }
  const std::string db = test::FightDatabase(dir, rows);
  fs::create_directory(dir.File("out"));
  const std::string own = dir.Write("out/red.gif", "the user's own red");
  const std::string html = dir.File("out/graph.htm");
  WriteHtmlTickGraph(db, 1, html, Generated());

  EXPECT_EQ(test::ReadFile(html), HtmlTickGraphText(db, 1, Generated()));
  EXPECT_EQ(test::ReadFile(own), "the user's own red");
  // The twelve images, and brown and teal for the eleventh and twelfth DoT source.
  for (int slot = 0; slot < 14; ++slot) {
    if (slot == 9) continue;
    const std::string image = test::ReadFile(dir.File("out/" + std::string(SlotImageFile(slot))));
    EXPECT_EQ(image, SingleColourGif(SlotColour(slot))) << SlotImageFile(slot);
  }
  EXPECT_FALSE(fs::exists(dir.File("out/magenta.gif")));
}

TEST(SingleColourGif, IsAOnePixelGifOfItsColour) {
  const std::string gif = SingleColourGif({0xAD, 0xD8, 0xE6});
  ASSERT_EQ(gif.size(), 35u);
  EXPECT_EQ(gif.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif.substr(6, 4), std::string("\x01\x00\x01\x00", 4)) << "1 x 1";
  EXPECT_EQ(gif.substr(13, 3), "\xAD\xD8\xE6") << "colour 0 of the table";
  EXPECT_EQ(gif.back(), '\x3B');
}

TEST(WriteHtmlTickGraph, AFolderThatIsNotThereIsReportedWithThePath) {
  test::TempDir dir;
  const std::string db = test::FightDatabase(dir, test::TwoFights());
  const std::string html = dir.File("gone/graph.htm");
  try {
    WriteHtmlTickGraph(db, 1, html, Generated());
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write " + html + ": No such file or directory");
  }
}

TEST(BarWidth, DamageOverAHundredInShortestForm) {
  const std::pair<int64_t, const char*> cases[] = {
      {1234, "12.34"}, {1200, "12"}, {5, "0.05"}, {0, "0"}, {1230, "12.3"}, {100001, "1000.01"}};
  for (const auto& [damage, width] : cases) EXPECT_EQ(BarWidth(damage), width) << damage;
}

}  // namespace
}  // namespace qorn
