#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/database.h"
#include "store/database_file.h"
#include "store/schema.h"

namespace qorn {

// A new parse database built beside the stored one and put in its place whole
// when it is complete, so that a failure or a kill at any moment leaves either
// the previous file with its events or the new one, never a mix. A new file is
// compact as it is made, and needs no rollback journal while it is filled.
//
// Use: construct, Open(), fill the tables of Fresh() (the stored file is
// attached to it as "old" when it can be used), Finish(), Replace().
class DatabaseRebuild {
 public:
  // `databasePath`: QornDB.mdb in the program folder; a symbolic link is
  // followed to the file it names, and the new file is made in that file's
  // folder. Throws qorn::Error when that file is read-only, its folder cannot
  // be written, or another copy of the program is storing a parse there.
  explicit DatabaseRebuild(const std::string& databasePath);
  ~DatabaseRebuild();
  DatabaseRebuild(const DatabaseRebuild&) = delete;
  DatabaseRebuild& operator=(const DatabaseRebuild&) = delete;

  // Looks at the stored file (with SQLite's quick check when asked); when it
  // can be used, locks it against other writers until the command ends.
  // Makes the new file's tables and views, copies the stored spell table and
  // any table the program does not know of (the built-in spell table when no
  // usable file is stored). May run on another thread than the later steps.
  void Open(bool quickCheck);

  const std::string& StoredPath() const { return path_; }
  const DatabaseHealth& Health() const { return health_; }
  bool HasStoredParse() const { return health_.state == DatabaseHealth::State::kUsable; }
  Database& Stored() { return *stored_; }
  Database& Fresh() { return *fresh_; }

  // Builds the indexes and triggers (after the rows, as is quicker), commits
  // and closes the new file.
  void Finish();
  // Puts the new file in place of the stored one; a damaged stored file is
  // first moved aside, and the name it got is returned (else empty).
  std::string Replace();
  // Leaves the stored file as it is (nothing in it had to change) and throws
  // the new one away; Finish() and Replace() then do nothing.
  void KeepStored();
  // Takes the stored file for damaged (found so after Open(), `detail` says
  // how): Replace() moves it aside.
  void SetDamaged(const std::string& detail);
  // Moves a damaged stored file aside and returns the name it got.
  std::string MoveStoredAside();

 private:
  std::string path_;
  DatabaseHealth health_;
  ReplacementFile file_;
  // Declared after file_ so that they close before it goes.
  std::unique_ptr<Database> stored_;
  std::unique_ptr<Transaction> storedLock_;
  std::unique_ptr<Database> fresh_;
  std::vector<SchemaObject> deferred_;  // indexes and triggers, made by Finish()
  bool kept_ = false;  // KeepStored() was called
};

}  // namespace qorn
