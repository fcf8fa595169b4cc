#include "views/log_follow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace qorn {
namespace {

void Append(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

constexpr const char* kLine = "[Fri Dec 04 17:00:00 2026] A gnoll has taken 100 damage.\r\n";

TEST(LookAtLog, SaysWhenWholeLinesWereAppendedOrTheFileWasReplaced) {
  test::TempDir dir;
  const std::string path = dir.Write("log.txt", kLine);
  const LogMark parsed = *MarkLog(path);
  EXPECT_EQ(parsed.Size, std::string(kLine).size());
  EXPECT_EQ(LookAtLog(path, parsed).Change, LogChange::None);

  // A line the game has not ended yet waits; its end (CR, or LF) lets it through.
  Append(path, "[Fri Dec 04 17:00:06 2026] A gnoll has ta");
  EXPECT_EQ(LookAtLog(path, parsed).Change, LogChange::None);
  Append(path, "ken 100 damage.\r");
  LogLook look = LookAtLog(path, parsed);
  EXPECT_EQ(look.Change, LogChange::Grown);
  EXPECT_EQ(look.Mark.Size, std::filesystem::file_size(path));
  Append(path, "\n");
  EXPECT_EQ(LookAtLog(path, look.Mark).Change, LogChange::Grown);

  // Shorter, or another file under the name (renamed into place), even a longer one.
  const LogMark grown = *MarkLog(path);
  dir.Write("log.txt", kLine);
  EXPECT_EQ(LookAtLog(path, grown).Change, LogChange::Replaced);
  const std::string other = dir.Write("other.txt", std::string(kLine) + kLine + kLine + kLine);
  std::filesystem::rename(other, path);
  EXPECT_EQ(LookAtLog(path, grown).Change, LogChange::Replaced);
  // Replaced with nothing in it yet: a Get Log of an empty log.
  const std::string empty = dir.Write("empty.txt", "");
  std::filesystem::rename(empty, path);
  EXPECT_EQ(LookAtLog(path, grown).Change, LogChange::Replaced);

  // A log that is gone for now is waited for.
  std::filesystem::remove(path);
  EXPECT_FALSE(MarkLog(path));
  look = LookAtLog(path, grown);
  EXPECT_EQ(look.Change, LogChange::None);
  EXPECT_EQ(look.Mark.Size, grown.Size);
}

TEST(LookAtLog, SaysWhatKeepsTheLogFromBeingRead) {
  test::TempDir dir;
  const std::string path = dir.Write("log.txt", kLine);
  const LogMark parsed = *MarkLog(path);
  EXPECT_TRUE(LookAtLog(path, parsed).Waiting.empty());
  EXPECT_TRUE(LookAtLog(path, parsed).Failure.empty());

  // Deleted, or a folder in its place: waited for, and said.
  std::filesystem::remove(path);
  LogLook look = LookAtLog(path, parsed);
  EXPECT_EQ(look.Change, LogChange::None);
  EXPECT_EQ(look.Waiting, "The log " + path + " is gone; waiting for the game to write it again.");
  EXPECT_TRUE(look.Failure.empty());
  std::filesystem::create_directory(path);
  look = LookAtLog(path, parsed);
  EXPECT_EQ(look.Change, LogChange::None);
  EXPECT_EQ(look.Waiting,
            "The log " + path + " is a folder now; waiting for the log to be a file again.");
  std::filesystem::remove(path);

  // A name that leads nowhere readable is a failure.
  std::filesystem::create_symlink(path, path);
  look = LookAtLog(path, parsed);
  EXPECT_EQ(look.Change, LogChange::None);
  EXPECT_EQ(look.Failure.rfind("Cannot read the log file " + path + ": ", 0), 0u) << look.Failure;
  std::filesystem::remove(path);

  // Back under its name: another file, read anew.
  dir.Write("log.txt", kLine);
  look = LookAtLog(path, parsed);
  EXPECT_TRUE(look.Waiting.empty() && look.Failure.empty());
}

TEST(LastLineTime, IsTheStampOfTheLastLineThatHasOne) {
  test::TempDir dir;
  const std::string log = std::string("[Fri Dec 04 17:00:00 2026] One.\r\n") +
                          "[Fri Dec 04 17:05:09 2026] Two.\r\n" + "no stamp here\r\n";
  const std::string path = dir.Write("log.txt", log + "[Fri Dec 04 18:00:00 2026] Thr");
  const auto when = LastLineTime(path, log.size());
  ASSERT_TRUE(when);
  EXPECT_EQ(FormatGeneralDate(*when), "12/4/2026 5:05:09 PM");
  EXPECT_FALSE(LastLineTime(path, 0));
  EXPECT_FALSE(LastLineTime(dir.File("missing.txt"), 100));

  // Only the last 64 KiB are read, and a line cut at the tail's head is not a line.
  std::string big = "[Fri Dec 04 17:00:00 2026] First.\n" + std::string(70 * 1024, 'x') + "\n";
  const std::string bigPath = dir.Write("big.txt", big);
  EXPECT_FALSE(LastLineTime(bigPath, big.size()));
}

OverviewRow Row(int32_t eventNum, std::string mob, int64_t total, DateTime first = 46000.5) {
  return {eventNum, std::move(mob), total, 1.5, 10, first, first + 0.001};
}

TEST(CompareOverviews, GivesTheFightsThatAppearedOrPrintOtherwiseAndWhetherOneIsGone) {
  Overview before;
  before.Rows = {Row(1, "a gnoll", 100), Row(2, "a gnoll", 80, 46000.7), Row(3, "a rat", 50)};
  // A bat's fight sorts first and moves every number on; the rat's fight grew.
  Overview now;
  now.Rows = {Row(1, "a bat", 10), Row(2, "a gnoll", 100), Row(3, "a gnoll", 80, 46000.7),
              Row(4, "a rat", 75)};
  OverviewChange change = CompareOverviews(before, now);
  ASSERT_EQ(change.NewOrChanged.size(), 2u);
  EXPECT_EQ(change.NewOrChanged[0].Cells(), Row(1, "a bat", 10).Cells());
  EXPECT_EQ(change.NewOrChanged[1].EventNum, 4);
  EXPECT_EQ(change.NewOrChanged[1].Cells()[1], "75");
  EXPECT_FALSE(change.FightsGone);
  // Another mob's name or another start is another fight; the same lines are none.
  now.Rows = {Row(1, "A gnoll", 100), Row(2, "a gnoll", 80, 46000.7), Row(3, "a rat", 50)};
  change = CompareOverviews(before, now);
  EXPECT_EQ(change.NewOrChanged.size(), 1u);
  EXPECT_TRUE(change.FightsGone);
  EXPECT_TRUE(CompareOverviews(before, before).NewOrChanged.empty());
  EXPECT_FALSE(CompareOverviews(before, before).FightsGone);
  EXPECT_EQ(CompareOverviews({}, before).NewOrChanged.size(), 3u);
  // A late line filled the gap between the two gnoll fights: the first grew,
  // the second is gone into it.
  now.Rows = {Row(1, "a gnoll", 280), Row(2, "a rat", 50)};
  change = CompareOverviews(before, now);
  ASSERT_EQ(change.NewOrChanged.size(), 1u);
  EXPECT_EQ(change.NewOrChanged[0].Cells()[1], "280");
  EXPECT_TRUE(change.FightsGone);
}

}  // namespace
}  // namespace qorn
