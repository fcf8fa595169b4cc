#include "export/file_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/error.h"
#include "export/export_fixture.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

std::string FailureOf(const std::string& path) {
  try {
    WriteFileReplacing(path, "new");
  } catch (const Error& e) {
    return e.what();
  }
  return "no failure";
}

TEST(WriteFileReplacing, FailuresNameThePathAndTheReasonAndKeepWhatWasThere) {
  test::TempDir dir;
  const std::string missing = dir.File("no such folder/graph.htm");
  EXPECT_EQ(FailureOf(missing), "Cannot write " + missing + ": No such file or directory");

  const std::string file = dir.Write("plain", "kept");
  EXPECT_EQ(FailureOf(file + "/graph.htm"), "Cannot write " + file + "/graph.htm: Not a directory");
  EXPECT_EQ(test::ReadFile(file), "kept");

  fs::create_directory(dir.File("a folder"));
  EXPECT_EQ(FailureOf(dir.File("a folder")),
            "Cannot write " + dir.File("a folder") + ": Is a directory");
  EXPECT_TRUE(fs::is_directory(dir.File("a folder")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "no temporary file left";
}

TEST(WriteFileReplacing, ReplacesTheFileALinkNames) {
  test::TempDir dir;
  const std::string target = dir.Write("target.csv", "old");
  fs::create_symlink(target, dir.File("link.csv"));
  WriteFileReplacing(dir.File("link.csv"), "new");
  EXPECT_TRUE(fs::is_symlink(dir.File("link.csv")));
  EXPECT_EQ(test::ReadFile(target), "new");
}

// A pipe (as a device would be) is refused and stays what it was, also
// behind a link; a file replaced keeps its permissions.
TEST(WriteFileReplacing, RefusesWhatIsNoPlainFileAndKeepsAFilesMode) {
  test::TempDir dir;
  const std::string pipe = dir.File("pipe.csv");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  fs::create_symlink(pipe, dir.File("link to pipe.csv"));
  for (const std::string& path : {pipe, dir.File("link to pipe.csv")}) {
    EXPECT_EQ(FailureOf(path),
              "Cannot write " + path + ": it is not a plain file, so it is left as it is");
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));

  const std::string own = dir.Write("own.csv", "old");
  fs::permissions(own, fs::perms::owner_read | fs::perms::owner_write);
  WriteFileReplacing(own, "new");
  EXPECT_EQ(test::ReadFile(own), "new");
  EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3) << "no temporary file left";
}

// A link that names no file yet is written through: the file it names is
// made, in its own folder, and the link stays a link.
TEST(WriteFileReplacing, WritesThroughALinkThatNamesNoFileYet) {
  test::TempDir dir;
  fs::create_directory(dir.File("sub"));
  fs::create_symlink("sub/new.csv", dir.File("link.csv"));
  WriteFileReplacing(dir.File("link.csv"), "new");
  EXPECT_TRUE(fs::is_symlink(dir.File("link.csv")));
  EXPECT_EQ(test::ReadFile(dir.File("sub/new.csv")), "new");
}

TEST(WriteFileIfMissing, LeavesAnExistingFileAlone) {
  test::TempDir dir;
  const std::string own = dir.Write("red.gif", "the user's own");
  EXPECT_FALSE(WriteFileIfMissing(own, "ours"));
  EXPECT_EQ(test::ReadFile(own), "the user's own");
  EXPECT_TRUE(WriteFileIfMissing(dir.File("white.gif"), "ours"));
  EXPECT_EQ(test::ReadFile(dir.File("white.gif")), "ours");
}

}  // namespace
}  // namespace qorn
