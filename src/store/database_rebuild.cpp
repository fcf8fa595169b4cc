#include "store/database_rebuild.h"

#include <algorithm>

#include "common/text_fold.h"
#include "store/jet_sql.h"

namespace qorn {

namespace {

// The path, once it is known that the file there may be replaced.
const std::string& Writable(const std::string& path) {
  RequireWritableDatabase(path);
  return path;
}

void LeaveWriteAheadLog(Database& db) {
  Statement mode(db, "PRAGMA journal_mode = DELETE");
  if (mode.Step() && CompareNoCase(mode.ColumnText(0), "delete") != 0) {
    throw Error(
        "Another program is using the parse database " + db.Path() + ". Close it, then try again.",
        "journal_mode stays " + std::string(mode.ColumnText(0)));
  }
}

}  // namespace

DatabaseRebuild::DatabaseRebuild(const std::string& databasePath)
    : path_(ResolveDatabasePath(databasePath)), file_(Writable(path_)) {}

DatabaseRebuild::~DatabaseRebuild() = default;

void DatabaseRebuild::Open(bool quickCheck) {
  health_ = CheckDatabaseFile(path_, quickCheck);
  if (HasStoredParse()) {
    stored_ = std::make_unique<Database>(path_, OpenMode::kExisting);
    // A write-ahead log another program left goes into the file now, while
    // it is the stored file's: the new file must never meet it.
    LeaveWriteAheadLog(*stored_);
    storedLock_ = std::make_unique<Transaction>(*stored_);
  }
  fresh_ = std::make_unique<Database>(file_.Path(), OpenMode::kBlank);
  // Nothing to roll back into: a failure leaves a file that is thrown away.
  // Rows are only appended, so a small page cache does; the indexes are
  // sorted in temporary files (not in the process's memory) in pieces of that
  // size, on both cores.
  fresh_->ExecuteNative(
      "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA main.locking_mode = EXCLUSIVE; "
      "PRAGMA temp_store = FILE; PRAGMA cache_size = -4000; PRAGMA threads = 2");
  if (HasStoredParse()) {
    fresh_->ExecuteNative("ATTACH DATABASE " + SqlQuote(path_) + " AS old");
  }
  fresh_->ExecuteNative("BEGIN");

  const std::vector<SchemaObject> program = ParseSchemaObjects();
  std::vector<SchemaObject> stored;
  if (HasStoredParse()) stored = SchemaObjectsOf(*stored_);
  auto known = [&](const SchemaObject& o) {
    return std::any_of(program.begin(), program.end(),
                       [&](const SchemaObject& p) { return CompareNoCase(p.Name, o.Name) == 0; });
  };
  auto defer = [](const SchemaObject& o) { return o.Type == "index" || o.Type == "trigger"; };
  for (const SchemaObject& o : program) {
    if (defer(o)) {
      deferred_.push_back(o);
    } else {
      fresh_->ExecuteNative(o.Sql);
    }
  }
  // An index or trigger of a table that the program now makes as a view (a
  // file of an earlier version) goes with the table.
  auto ofView = [&](const SchemaObject& o) {
    return defer(o) && std::any_of(program.begin(), program.end(), [&](const SchemaObject& p) {
             return p.Type == "view" && CompareNoCase(p.Name, o.Table) == 0;
           });
  };
  // What else the stored file holds stays, tables with their rows; the
  // program's tables under the names of an earlier version are made anew.
  auto earlier = [](const SchemaObject& o) {
    return IsEarlierTable(o.Type == "table" ? o.Name : o.Table);
  };
  for (const SchemaObject& o : stored) {
    if (known(o) || ofView(o) || earlier(o)) continue;
    if (defer(o)) {
      deferred_.push_back(o);
      continue;
    }
    fresh_->ExecuteNative(o.Sql);
    if (o.Type == "table") {
      const std::string name = QuoteIdentifier(o.Name);
      fresh_->ExecuteNative("INSERT INTO main." + name + " SELECT * FROM old." + name);
    }
  }
  if (HasStoredParse()) {
    fresh_->ExecuteNative(
        "INSERT INTO main.SpellDat (Spell, Dmg, Mana) SELECT Spell, Dmg, Mana FROM old.SpellDat");
  } else {
    InsertBuiltInSpellTable(*fresh_);
  }
}

void DatabaseRebuild::Finish() {
  if (kept_) return;
  for (const SchemaObject& o : deferred_) fresh_->ExecuteNative(o.Sql);
  fresh_->ExecuteNative("COMMIT");
  fresh_.reset();
}

std::string DatabaseRebuild::Replace() {
  if (kept_) return {};
  std::string aside;
  if (health_.state == DatabaseHealth::State::kDamaged) aside = MoveDamagedAside(path_);
  file_.Replace();
  storedLock_.reset();
  stored_.reset();
  return aside;
}

void DatabaseRebuild::KeepStored() {
  kept_ = true;
  fresh_.reset();
  storedLock_.reset();
  stored_.reset();
}

void DatabaseRebuild::SetDamaged(const std::string& detail) {
  health_ = {DatabaseHealth::State::kDamaged, detail, detail};
}

std::string DatabaseRebuild::MoveStoredAside() {
  fresh_.reset();
  storedLock_.reset();
  stored_.reset();
  health_.state = DatabaseHealth::State::kMissing;
  return MoveDamagedAside(path_);
}

}  // namespace qorn
