#include "commands/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace qorn {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class ProgramFolderTest : public ::testing::Test {
 protected:
  std::string Folder(const std::string& name) {
    const fs::path folder = dir_.path() / name;
    fs::create_directories(folder);
    return folder.string();
  }
  test::TempDir dir_;
  ScopedEnv noHome_{"QORN_HOME", std::nullopt};
  ScopedEnv userData_{"XDG_DATA_HOME", (dir_.path() / "data").string()};
  std::string userFolder_ = (dir_.path() / "data" / "qorn").string();
};

TEST_F(ProgramFolderTest, TheBuildFolderKeepsItsFilesBesideTheProgram) {
  const std::string build = Folder("build/src");
  EXPECT_EQ(FindProgramFolder(std::nullopt, build), build);
  EXPECT_FALSE(fs::exists(userFolder_));
}

TEST_F(ProgramFolderTest, AnInstalledProgramKeepsItsFilesInTheUserDataFolder) {
  // A bin folder holds programs even where it can be written (as root, or a prefix in $HOME).
  for (const std::string& bin : {Folder("usr/bin"), Folder("usr/local/bin") + "/"}) {
    SCOPED_TRACE(bin);
    EXPECT_EQ(FindProgramFolder(std::nullopt, bin), userFolder_);
    EXPECT_TRUE(fs::is_directory(userFolder_));
    EXPECT_FALSE(fs::exists(fs::path(bin) / kDatabaseFile));
  }
  EXPECT_EQ(FindProgramFolder(std::nullopt, Folder("bin-tools")), Folder("bin-tools"));
}

TEST_F(ProgramFolderTest, HomeAndQornHomeWinOverTheInstalledLayout) {
  const std::string bin = Folder("usr/bin");
  const std::string chosen = (dir_.path() / "chosen" / "deeper").string();
  EXPECT_EQ(FindProgramFolder(chosen, bin), chosen);
  EXPECT_TRUE(fs::is_directory(chosen));

  const std::string fromEnv = Folder("from-env");
  ScopedEnv home("QORN_HOME", fromEnv);
  EXPECT_EQ(FindProgramFolder(std::nullopt, bin), fromEnv);
  EXPECT_EQ(FindProgramFolder(chosen, bin), chosen);  // --home before QORN_HOME
  EXPECT_FALSE(fs::exists(userFolder_));
}

}  // namespace
}  // namespace qorn
