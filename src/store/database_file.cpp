#include "store/database_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "common/error.h"
#include "store/database.h"
#include "store/event_rows.h"
#include "store/program_folder.h"
#include "store/schema.h"

namespace qorn {
namespace fs = std::filesystem;

namespace {

std::string SystemReason() { return std::strerror(errno); }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string FolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

}  // namespace

std::string ResolveDatabasePath(const std::string& path) {
  fs::path current(path);
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(current, ec); ++hops) {
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.lexically_normal().string();
}

DatabaseHealth CheckDatabaseFile(const std::string& path, bool quickCheck) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {DatabaseHealth::State::kMissing, {}};
    throw Error("The parse database " + path + " cannot be looked at: " + SystemReason() + ".");
  }
  if (S_ISDIR(st.st_mode)) return {DatabaseHealth::State::kDamaged, "a folder stands in its place"};
  if (!S_ISREG(st.st_mode)) return {DatabaseHealth::State::kDamaged, "it is not a plain file"};
  if (st.st_size == 0) return {DatabaseHealth::State::kDamaged, "the file is empty"};
  try {
    Database db(path, OpenMode::kReadOnly);
    for (const RequiredTable& table : RequiredTables()) {
      Statement info(db, "PRAGMA table_info(" + QuoteIdentifier(table.Name) + ")");
      std::vector<std::string> have;
      while (info.Step()) have.emplace_back(info.ColumnText(1));
      if (have.empty()) {
        return {DatabaseHealth::State::kDamaged,
                "the table " + std::string(table.Name) + " is missing"};
      }
      for (std::string_view column : table.Columns) {
        bool found = false;
        for (const std::string& h : have) found = found || CompareNoCase(h, column) == 0;
        if (!found) {
          return {DatabaseHealth::State::kDamaged,
                  "the table " + std::string(table.Name) + " has no column " + std::string(column)};
        }
      }
    }
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    return {DatabaseHealth::State::kDamaged, e.Detail()};
  }
  if (quickCheck) {
    std::string problems = QuickCheckDatabaseFile(path);
    if (!problems.empty()) return {DatabaseHealth::State::kDamaged, std::move(problems)};
  }
  return {DatabaseHealth::State::kUsable, {}};
}

std::string QuickCheckDatabaseFile(const std::string& path) {
  try {
    Database db(path, OpenMode::kReadOnly);
    Statement check(db, "PRAGMA quick_check(20)");
    std::string problems;
    while (check.Step()) {
      const std::string_view line = check.ColumnText(0);
      if (line == "ok") continue;
      problems += (problems.empty() ? "" : "; ") + std::string(line);
    }
    return problems;
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    return e.Detail();
  }
}

std::string MoveDamagedAside(const std::string& path) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string aside = path + ".damaged-" + stamp;
  for (int n = 2; fs::exists(fs::symlink_status(aside)); ++n) {
    aside = path + ".damaged-" + stamp + "-" + std::to_string(n);
  }
  if (::rename(path.c_str(), aside.c_str()) != 0) {
    throw Error("The damaged parse database " + path + " cannot be moved aside to " + aside + ": " +
                SystemReason() + ".");
  }
  SyncFolder(FolderOf(path));
  return aside;
}

void RequireWritableDatabase(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) {
    throw Error("The parse database " + path +
                " is read-only, so the fights cannot be stored in it. Make the file writable, "
                "then try again.");
  }
}

ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target), path_(InProgramFolder(FolderOf(target), kCompactionFile)) {
  // Open Temp.mdb, lock it, and make sure the name still leads to the file
  // locked: another program may have put its own in place meanwhile.
  for (int attempt = 0; attempt < 10; ++attempt) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) {
      throw Error("The working file " + path_ +
                      " cannot be made, so the fights cannot be stored. Make sure the folder " +
                      FolderOf(target) + " can be written, then try again.",
                  "open " + path_ + ": " + SystemReason());
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd_);
      fd_ = -1;
      throw Error("Another copy of the program is storing a parse in " + FolderOf(target) +
                  " right now. Wait until it has finished, then try again.");
    }
    struct stat mine {
    }, named{};
    if (::fstat(fd_, &mine) == 0 && ::lstat(path_.c_str(), &named) == 0 && SameFile(mine, named)) {
      if (::ftruncate(fd_, 0) != 0) {
        const std::string reason = SystemReason();
        Remove();
        throw Error("The working file " + path_ + " cannot be written.", reason);
      }
      return;
    }
    ::close(fd_);
    fd_ = -1;
  }
  throw Error("Another copy of the program is storing a parse in " + FolderOf(target) +
              " right now. Wait until it has finished, then try again.");
}

ReplacementFile::~ReplacementFile() {
  if (!replaced_) Remove();
}

void ReplacementFile::Remove() {
  if (fd_ < 0) return;
  struct stat mine {
  }, named{};
  if (::fstat(fd_, &mine) == 0 && ::lstat(path_.c_str(), &named) == 0 && SameFile(mine, named)) {
    ::unlink(path_.c_str());
  }
  ::close(fd_);
  fd_ = -1;
}

void ReplacementFile::Replace() {
  auto fail = [&](const std::string& step) {
    const std::string reason = SystemReason();
    throw Error("The new parse database could not be put in place of " + target_ +
                    "; the stored fights are as they were.",
                step + ": " + reason);
  };
  if (::fsync(fd_) != 0) fail("fsync " + path_);
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (::fchmod(fd_, old.st_mode & 07777) != 0) fail("chmod " + path_);
    if (::geteuid() == 0) {
      (void)::fchown(fd_, old.st_uid, old.st_gid);  // best effort: the owner stays the user's
    }
  }
  if (::rename(path_.c_str(), target_.c_str()) != 0) fail("rename " + path_ + " to " + target_);
  replaced_ = true;
  // Closed now, before anyone opens the new file: closing a descriptor drops
  // every lock the process holds on the file, the database engine's included.
  ::close(fd_);
  fd_ = -1;
  SyncFolder(FolderOf(target_));
}

}  // namespace qorn
