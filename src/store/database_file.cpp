#include "store/database_file.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>

#include "common/error.h"
#include "common/file_system.h"
#include "common/text_fold.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/system_error.h"
#include "store/database.h"
#include "store/database_names.h"
#include "store/schema.h"

namespace qorn {
namespace fs = std::filesystem;

namespace {

std::string SystemReason() { return platform::SystemError::Last().Text(); }

// The files the database engine keeps beside a database: the write-ahead
// log, its index and the rollback journal. They belong to the file that made
// them: replayed onto another file, they damage it.
constexpr const char* kCompanionSuffixes[] = {"-wal", "-shm", "-journal"};

void RemoveCompanions(const std::string& path) {
  for (const char* suffix : kCompanionSuffixes) platform::RemoveFile(path + suffix);
}

std::string FolderOf(const std::string& path) {
  const fs::path parent = platform::PathOf(path).parent_path();
  return parent.empty() ? "." : platform::Utf8Of(parent);
}

// Where a whole Get Log builds the file that replaces `target`.
std::string CompactionFileBeside(const std::string& target) {
  return platform::Utf8Of(platform::PathOf(FolderOf(target)) / kCompactionFile);
}

}  // namespace

std::string ResolveDatabasePath(const std::string& path) { return FollowLinks(path); }

namespace {

DatabaseHealth Damaged(std::string detail, std::string reason) {
  return {DatabaseHealth::State::kDamaged, std::move(detail), std::move(reason)};
}

// The first of `objects` that the database lacks, or lacks a column of, as a
// damaged health.
std::optional<DatabaseHealth> MissingPart(Database& db, const std::vector<RequiredTable>& objects) {
  for (const RequiredTable& table : objects) {
    const std::string name(table.Name);
    std::vector<std::string> have;
    try {
      Statement info(db, "PRAGMA table_info(" + QuoteIdentifier(table.Name) + ")");
      while (info.Step()) have.emplace_back(info.ColumnText(1));
    } catch (const DatabaseError& e) {
      // A view over tables that lack what it reads.
      if ((e.Code() & 0xff) != SQLITE_ERROR) throw;
      return Damaged("the table " + name + " cannot be read: " + e.Detail(),
                     name + " cannot be read");
    }
    if (have.empty()) return Damaged("the table " + name + " is missing", name + " is missing");
    for (size_t i = 0; i < table.Columns.size(); ++i) {
      const std::string_view column = table.Columns[i];
      const bool found = table.InOrder
                             ? i < have.size() && CompareNoCase(have[i], column) == 0
                             : std::any_of(have.begin(), have.end(), [&](const std::string& h) {
                                 return CompareNoCase(h, column) == 0;
                               });
      if (!found) {
        return Damaged("the table " + name + " has no column " + std::string(column),
                       name + " has lost its column " + std::string(column));
      }
    }
  }
  return std::nullopt;
}

// What stands at `path` when it is not a plain, non-empty file, else nothing;
// kMissing when nothing stands there.
std::optional<DatabaseHealth> NotAFile(const std::string& path) {
  const std::optional<platform::FileStatus> st = platform::Status(path);
  if (!st) {
    const platform::SystemError why = platform::SystemError::Last();
    if (why.NotFound()) return DatabaseHealth{DatabaseHealth::State::kMissing, {}, {}};
    throw Error("The parse database " + path + " cannot be looked at: " + why.Text() + ".");
  }
  if (st->Kind == platform::FileKind::Folder) {
    return Damaged("a folder stands in its place", "a folder stands where the file should be");
  }
  if (st->Kind != platform::FileKind::File) {
    return Damaged("it is not a plain file", "something that is not a file stands in its place");
  }
  if (st->Size == 0) return Damaged("the file is empty", "the file is empty");
  return std::nullopt;
}

// Opens `path` read-only and looks for each of `parts`.
DatabaseHealth CheckParts(const std::string& path,
                          std::initializer_list<const std::vector<RequiredTable>*> parts) {
  if (auto health = NotAFile(path)) return *health;
  try {
    Database db(path, OpenMode::kReadOnly);
    for (const std::vector<RequiredTable>* objects : parts) {
      if (auto missing = MissingPart(db, *objects)) return *missing;
    }
  } catch (const DatabaseError& e) {
    if (!e.Damaged()) throw;
    return Damaged(e.Detail(), "it is not a parse database, or its contents are broken");
  }
  return {DatabaseHealth::State::kUsable, {}, {}};
}

}  // namespace

DatabaseHealth CheckDatabaseFile(const std::string& path, bool quickCheck) {
  DatabaseHealth health = CheckParts(path, {&RequiredTables()});
  if (health.state != DatabaseHealth::State::kUsable || !quickCheck) return health;
  std::string problems = QuickCheckDatabaseFile(path);
  if (!problems.empty()) {
    return Damaged(std::move(problems), "its contents are broken");
  }
  return health;
}

DatabaseHealth CheckDatabaseForViews(const std::string& path) {
  return CheckParts(path, {&RequiredTables(), &RequiredViews()});
}

std::string DamagedDatabaseMessage(const std::string& path, const DatabaseHealth& health) {
  return "The parse database " + (path.empty() ? "" : path + " ") + "is damaged" +
         (health.reason.empty() ? "" : " (" + health.reason + ")") +
         "; Get Log moves it aside and makes a new one.";
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

void FailImpossibleNumber(const std::string& path, const std::string& what) {
  const DatabaseHealth health{DatabaseHealth::State::kDamaged, what, what};
  throw DatabaseError(DamagedDatabaseMessage(path, health), what, SQLITE_CORRUPT);
}

namespace {

// PATH.damaged-YYYYMMDD-hhmmss, or with -2, -3 ... when that is taken.
std::string AsideName(const std::string& path) {
  char stamp[32];
  const std::tm local = platform::LocalTime(std::time(nullptr));
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string aside = path + ".damaged-" + stamp;
  for (int n = 2; platform::LinkStatus(aside); ++n) {
    aside = path + ".damaged-" + stamp + "-" + std::to_string(n);
  }
  return aside;
}

// Something at `path` that is not a plain file (a folder, a symbolic link, a
// pipe) is none this program made: it is moved aside, as it is, so that the
// working file can be made there.
void StepAroundNonFile(const std::string& path) {
  const std::optional<platform::FileStatus> st = platform::LinkStatus(path);
  if (!st || st->Kind == platform::FileKind::File) return;
  platform::Rename(path, AsideName(path));  // failing, the open says why
}

}  // namespace

std::string MoveDamagedAside(const std::string& path) {
  const std::string aside = AsideName(path);
  if (!platform::Rename(path, aside)) {
    throw Error("The damaged parse database " + path + " cannot be moved aside to " + aside + ": " +
                SystemReason() + ".");
  }
  // Its log and journal go with it, named as the engine looks for them there.
  for (const char* suffix : kCompanionSuffixes) {
    platform::Rename(path + suffix, aside + suffix);
  }
  platform::SyncFolder(FolderOf(path));
  return aside;
}

void RequireWritableDatabase(const std::string& path) {
  const std::optional<platform::FileStatus> st = platform::Status(path);
  if (!st || st->Kind != platform::FileKind::File) return;
  if (platform::MarkedReadOnly(*st) || !platform::CanWrite(path)) {
    throw Error("The parse database " + path +
                " is read-only, so the fights cannot be stored in it. Make the file writable, "
                "then try again.");
  }
}

ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target), path_(CompactionFileBeside(target)) {
  // Open Temp.mdb, lock it, and make sure the name still leads to the file
  // locked: another program may have put its own in place meanwhile.
  for (int attempt = 0; attempt < 10; ++attempt) {
    StepAroundNonFile(path_);
    file_ = platform::File::OpenOrCreate(path_);
    if (!file_.IsOpen()) {
      throw Error("The working file " + path_ +
                      " cannot be made, so the fights cannot be stored. Make sure the folder " +
                      FolderOf(target) + " can be written, then try again.",
                  "open " + path_ + ": " + SystemReason());
    }
    if (!file_.TryLockExclusive()) {
      file_.Close();
      throw Error("Another copy of the program is storing a parse in " + FolderOf(target) +
                  " right now. Wait until it has finished, then try again.")
          .OtherCommandStoring();
    }
    if (StillNamed()) {
      if (!file_.Truncate(0)) {
        const std::string reason = SystemReason();
        Remove();
        throw Error("The working file " + path_ + " cannot be written.", reason);
      }
      return;
    }
    file_.Close();
  }
  throw Error("Another copy of the program is storing a parse in " + FolderOf(target) +
              " right now. Wait until it has finished, then try again.")
      .OtherCommandStoring();
}

ReplacementFile::~ReplacementFile() {
  if (!replaced_) Remove();
}

bool ReplacementFile::StillNamed() const {
  const std::optional<platform::FileStatus> mine = file_.Status();
  const std::optional<platform::FileStatus> named = platform::LinkStatus(path_);
  return mine && named && mine->Identity == named->Identity;
}

void ReplacementFile::Remove() {
  if (!file_.IsOpen()) return;
  if (StillNamed()) platform::RemoveFile(path_);
  file_.Close();
}

void ReplacementFile::Replace() {
  auto fail = [&](const std::string& step) {
    const std::string reason = SystemReason();
    throw Error("The new parse database could not be put in place of " + target_ +
                    "; the stored fights are as they were.",
                step + ": " + reason);
  };
  if (!file_.Sync()) fail("fsync " + path_);
  if (const std::optional<platform::FileStatus> old = platform::Status(target_);
      old && old->Kind == platform::FileKind::File) {
    if (!file_.TakeModeOf(*old)) fail("chmod " + path_);
  }
  // A log or journal beside no file, or beside the file replaced, would be
  // replayed onto the new one when it is next opened.
  if (!platform::LinkStatus(target_) && platform::SystemError::Last().NotFound()) {
    RemoveCompanions(target_);
  }
  if (!platform::Rename(path_, target_)) fail("rename " + path_ + " to " + target_);
  RemoveCompanions(target_);
  replaced_ = true;
  // Closed now, before anyone opens the new file: closing a descriptor drops
  // every lock the process holds on the file, the database engine's included.
  file_.Close();
  platform::SyncFolder(FolderOf(target_));
}

void RemoveLeftoverReplacement(const std::string& target) {
  const std::string temp = CompactionFileBeside(target);
  if (!platform::LinkStatus(temp)) return;
  // Taken over (or refused while another run holds it) and removed when it goes.
  const ReplacementFile leftover(target);
}

}  // namespace qorn
