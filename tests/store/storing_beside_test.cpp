// A Get Log of appended lines that meets another command storing in the
// program folder, or a full disk, says so as it is: it is not turned into a
// whole read of the log, and the stored parse stays as it was.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <string>

#include "common/error.h"
#include "commands/commands.h"
#include "store/database.h"
#include "commands/program_folder.h"
#include "support/reference_dump.h"
#include "support/temp_dir.h"

namespace qorn {
namespace {

// The default file system of the engine, with a disk that fills up when
// told: writes to the parse database and its journal then fail as on a
// full disk. Other files (Temp.mdb of a whole Get Log) are written.
class FillingDisk {
 public:
  FillingDisk() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "filling-disk";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.xOpen = &Open;
    vfs_.pAppData = this;
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~FillingDisk() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
  }
  FillingDisk(const FillingDisk&) = delete;
  FillingDisk& operator=(const FillingDisk&) = delete;

  bool full = false;

 private:
  struct File {
    sqlite3_file base;
    sqlite3_file* real;
    FillingDisk* disk;
    bool database;  // the parse database or its journal
  };
  static sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

  static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* disk = static_cast<FillingDisk*>(vfs->pAppData);
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    file->disk = disk;
    const std::string n = name != nullptr ? name : "";
    file->database = n.ends_with(kDatabaseFile) || n.ends_with(std::string(kDatabaseFile) + "-journal");
    const int rc = disk->real_->xOpen(disk->real_, name, file->real, flags, outFlags);
    if (file->real->pMethods == nullptr) {
      file->base.pMethods = nullptr;
      return rc;
    }
    disk->methods_ = *file->real->pMethods;
    disk->methods_.xWrite = &Write;
    disk->methods_.xClose = &Close;
    disk->methods_.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
      return Real(f)->pMethods->xRead(Real(f), p, n, o);
    };
    disk->methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 s) {
      return Real(f)->pMethods->xTruncate(Real(f), s);
    };
    disk->methods_.xSync = [](sqlite3_file* f, int flags) {
      return Real(f)->pMethods->xSync(Real(f), flags);
    };
    disk->methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* s) {
      return Real(f)->pMethods->xFileSize(Real(f), s);
    };
    disk->methods_.xLock = [](sqlite3_file* f, int l) { return Real(f)->pMethods->xLock(Real(f), l); };
    disk->methods_.xUnlock = [](sqlite3_file* f, int l) {
      return Real(f)->pMethods->xUnlock(Real(f), l);
    };
    disk->methods_.xCheckReservedLock = [](sqlite3_file* f, int* r) {
      return Real(f)->pMethods->xCheckReservedLock(Real(f), r);
    };
    disk->methods_.xFileControl = [](sqlite3_file* f, int op, void* a) {
      return Real(f)->pMethods->xFileControl(Real(f), op, a);
    };
    disk->methods_.xSectorSize = [](sqlite3_file* f) {
      return Real(f)->pMethods->xSectorSize(Real(f));
    };
    disk->methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
      return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
    };
    // No shared memory and no mapping: the files are journalled, never mapped.
    disk->methods_.iVersion = 1;
    file->base.pMethods = &disk->methods_;
    return rc;
  }
  static int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    const auto* file = reinterpret_cast<File*>(f);
    if (file->database && file->disk->full) return SQLITE_FULL;
    return Real(f)->pMethods->xWrite(Real(f), p, n, o);
  }
  static int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }

  sqlite3_vfs* real_;
  sqlite3_vfs vfs_{};
  sqlite3_io_methods methods_{};
};

std::string Hit(int second, int damage) {
  return "[Fri Dec 04 17:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) +
         " 2026] A gnoll has taken " + std::to_string(damage) + " damage from your Splurt.\n";
}

class StoringBesideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(log_, std::ios::binary) << Hit(0, 100) << Hit(6, 100);
    GetLog();
    before_ = test::DumpTable(db_, "ParseData");
    std::ofstream(log_, std::ios::binary | std::ios::app) << Hit(12, 100);
  }
  CommandOutcome GetLog() {
    NullProgress none;
    return RunGetLog(folder_, log_, "Soandso", std::nullopt, {none, none});
  }
  test::TempDir dir_;
  std::string folder_ = dir_.path().string();
  std::string db_ = InProgramFolder(folder_, kDatabaseFile);
  std::string log_ = dir_.File("log.txt");
  std::string before_;
};

TEST_F(StoringBesideTest, AnotherCommandStoringIsSaidAsSuchAndChangesNothing) {
  {
    // Another command holds the file's lock for its write, past the wait.
    Database other(db_, OpenMode::kExisting);
    other.ExecuteNative("BEGIN IMMEDIATE");
    try {
      GetLog();
      FAIL() << "Get Log went through beside another command storing";
    } catch (const Error& e) {
      EXPECT_TRUE(e.Busy()) << e.what();
    }
    other.ExecuteNative("ROLLBACK");
  }
  EXPECT_EQ(test::DumpTable(db_, "ParseData"), before_);
  // Once the other has finished, the same Get Log goes through.
  EXPECT_EQ(GetLog().EventList.Rows.at(0).Total, 300);
}

TEST_F(StoringBesideTest, AFullDiskIsSaidAsSuchAndNotReadWhole) {
  {
    FillingDisk disk;
    disk.full = true;
    try {
      GetLog();
      FAIL() << "Get Log went through on a full disk";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("is full. Free some space"), std::string::npos)
          << e.what();
      EXPECT_FALSE(e.Busy());
    }
  }
  EXPECT_EQ(test::DumpTable(db_, "ParseData"), before_);
  EXPECT_EQ(GetLog().EventList.Rows.at(0).Total, 300);
}

}  // namespace
}  // namespace qorn
