// The log file: what it says became of a log since a parse of it, and that
// it reads the file it opened, whatever is put under its name afterwards.
#include "parse/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "common/error.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

const std::string kLine = "[Fri Dec 04 17:57:44 2026] a rat has taken 1 damage from your Splurt.\n";

// About 1 MB of lines: a head, a tail and samples far apart between them.
std::string LongLog() {
  std::string log;
  while (log.size() < (1 << 20)) log += kLine;
  return log;
}

// A byte of the sample in the middle of a log of `bytes` bytes.
size_t InAMiddleSample(size_t bytes) {
  const long long span =
      static_cast<long long>(bytes) - kLogHeadBytes - kLogTailBytes - kLogSampleBytes;
  return static_cast<size_t>(kLogHeadBytes + span * (kLogSamples / 2) / (kLogSamples - 1) + 100);
}

std::string Flipped(std::string bytes, size_t at) {
  bytes[at] ^= 1;
  return bytes;
}

// The same bytes written later: the file's time moves on, its size does not.
void TouchLater(const std::string& path) {
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const struct timespec times[2] = {st.st_atim, {st.st_mtim.tv_sec + 5, st.st_mtim.tv_nsec}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(LogFileTest, WhatBecameOfTheLogSinceAParse) {
  const std::string log = LongLog();
  struct Case {
    const char* what;
    std::string before;  // the log when it was parsed
    std::function<void(const std::string& path, const std::string& before)> change;
    LogSince want;
    const char* openedAs = "";  // behind the log's name, the name it is opened under
  };
  const Case cases[] = {
      {"as it was", log, [](auto&, auto&) {}, LogSince::Unchanged},
      {"grown", log, [](auto& path, auto& before) { test::WriteFile(path, before + kLine); },
       LogSince::Grew},
      {"a lone carriage return at the end, its line feed and a line behind it",
       kLine + "[Fri Dec 04 17:57:45 2026] Hello.\r",
       [](auto& path, auto& before) { test::WriteFile(path, before + "\n" + kLine); },
       LogSince::Grew},
      {"a new file under the name", log,
       [](auto& path, auto& before) {
         test::WriteFile(path + ".new", before + kLine);
         fs::rename(path + ".new", path);
       },
       LogSince::Replaced},
      {"the same file under another name", log,
       [](auto& path, auto&) { fs::create_hard_link(path, path + ".link"); }, LogSince::Replaced,
       ".link"},
      {"cut short", log,
       [](auto& path, auto& before) { test::WriteFile(path, before.substr(0, before.size() / 2)); },
       LogSince::Shrank},
      {"edited in the head", log,
       [](auto& path, auto& before) { test::WriteFile(path, Flipped(before, 40) + kLine); },
       LogSince::Edited},
      {"edited in the tail", log,
       [](auto& path, auto& before) {
         test::WriteFile(path, Flipped(before, before.size() - 30) + kLine);
       },
       LogSince::Edited},
      {"edited in a sample of the middle", log,
       [](auto& path, auto& before) {
         test::WriteFile(path, Flipped(before, InAMiddleSample(before.size())) + kLine);
       },
       LogSince::Edited},
      {"written over in place with the same bytes", log,
       [](auto& path, auto&) { TouchLater(path); }, LogSince::Edited},
      {"a short log edited", kLine + kLine,
       [](auto& path, auto& before) { test::WriteFile(path, Flipped(before, 90) + kLine); },
       LogSince::Edited},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string path = dir.Write("log.txt", c.before);
    const LogIdentity stored = LogFile(path).Identify(static_cast<long long>(c.before.size()));
    c.change(path, c.before);
    EXPECT_EQ(LogFile(path + c.openedAs).Since(stored), c.want);
  }
}

TEST(LogFileTest, ReadsTheFileItOpened) {
  test::TempDir dir;
  const std::string path = dir.Write("log.txt", kLine);
  const LogFile log(path);
  const LogIdentity opened = log.Identify(log.Size());
  test::WriteFile(path + ".new", kLine + kLine + kLine);
  fs::rename(path + ".new", path);

  EXPECT_EQ(log.Size(), static_cast<long long>(kLine.size()));
  EXPECT_EQ(log.Read(0, 1000), kLine);
  EXPECT_EQ(log.LineStartFrom(1), log.Size());
  const LogIdentity again = log.Identify(log.Size());
  EXPECT_EQ(again.Inode, opened.Inode);
  EXPECT_EQ(again.HeadHash, opened.HeadHash);
  EXPECT_EQ(LogFile(path).Since(opened), LogSince::Replaced);
}

TEST(LogFileTest, AFolderOrAMissingFileIsAnError) {
  test::TempDir dir;
  EXPECT_THROW(LogFile(dir.path().string()), Error);
  EXPECT_THROW(LogFile(dir.File("nope.txt")), Error);
}

// A pipe put under the log's name is said at once: the command does not
// wait for something to write to it.
TEST(LogFileTest, APipeIsAnErrorWithoutWaiting) {
  test::TempDir dir;
  const std::string path = dir.File("log.txt");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_THROW(LogFile{path}, Error);
}

}  // namespace
}  // namespace qorn
