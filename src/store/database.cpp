#include "store/database.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/error.h"
#include "common/number_format.h"
#include "common/text_fold.h"
#include "platform/paths.h"
#include "store/jet_sql.h"
#include "store/schema.h"

namespace qorn {

// ---- Value ----

int64_t Value::AsInt() const {
  if (const auto* i = std::get_if<int64_t>(&v_)) return *i;
  if (const auto* d = std::get_if<double>(&v_)) return static_cast<int64_t>(std::nearbyint(*d));
  if (const auto* s = std::get_if<std::string>(&v_)) return std::strtoll(s->c_str(), nullptr, 10);
  return 0;
}

double Value::AsDouble() const {
  if (const auto* i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&v_)) return *d;
  if (const auto* s = std::get_if<std::string>(&v_)) return ParseDouble(*s).value_or(0);
  return 0;
}

std::string Value::AsText() const {
  if (const auto* i = std::get_if<int64_t>(&v_)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v_)) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *d, std::chars_format::general, 15);
    return ec == std::errc() ? std::string(buf, end) : std::string();
  }
  if (const auto* s = std::get_if<std::string>(&v_)) return *s;
  return {};
}

// ---- Statement ----

Statement::Statement(Database& db, std::string_view sql) : db_(db), sql_(sql) {
  if (sqlite3_prepare_v2(db.Handle(), sql_.data(), static_cast<int>(sql_.size()), &stmt_,
                         nullptr) != SQLITE_OK) {
    db.Fail("prepare \"" + sql_ + "\"");
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::Bind(int index, double value) {
  sqlite3_bind_double(stmt_, index, value);
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindUnowned(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
  sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindNull(int index) {
  sqlite3_bind_null(stmt_, index);
  return *this;
}

Statement& Statement::Bind(int index, const Value& value) {
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          BindNull(index);
        } else if constexpr (std::is_same_v<T, std::string>) {
          Bind(index, std::string_view(v));
        } else {
          Bind(index, v);
        }
      },
      value.Raw());
  return *this;
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail("run \"" + sql_ + "\"");
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int Statement::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::string Statement::ColumnName(int i) const { return sqlite3_column_name(stmt_, i); }

std::string_view Statement::ColumnText(int i) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
  return text ? std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, i)))
              : std::string_view();
}

std::string_view Statement::ColumnBlob(int i) const {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
  return bytes ? std::string_view(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt_, i)))
               : std::string_view();
}

Value Statement::Column(int i) const {
  switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
      return Value(static_cast<int64_t>(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
      return Value(sqlite3_column_double(stmt_, i));
    case SQLITE_NULL:
      return Value();
    default:
      return Value(std::string(ColumnText(i)));
  }
}

// ---- Database ----

DatabaseError::DatabaseError(const std::string& message, std::string detail, int code)
    : Error(message, std::move(detail)), code_(code) {
  // Another connection holds the file's lock past the wait (another command
  // storing in place).
  if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED) OtherCommandStoring();
}

bool DatabaseError::DiskFull() const { return (code_ & 0xff) == SQLITE_FULL; }

bool DatabaseError::Damaged() const {
  const int primary = code_ & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// What the user reads when the engine fails: what happened to the file, in
// plain words, and what to do about it.
std::string DatabaseMessage(int code, const std::string& path) {
  switch (code & 0xff) {
    case SQLITE_READONLY:
      if (code == SQLITE_READONLY_ROLLBACK) {
        return "The parse database " + path +
               " was being written when the program stopped, and the write cannot be undone "
               "because the file or its folder is read-only. Make them writable, then try again.";
      }
      [[fallthrough]];
    case SQLITE_PERM:
      return "The parse database " + path +
             " is read-only, so the fights cannot be stored in it. Make the file and its folder "
             "writable, then try again.";
    case SQLITE_FULL:
      return "The disk that holds the parse database " + path +
             " is full. Free some space, then try again.";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "Another program is using the parse database " + path + ". Close it, then try again.";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "The parse database " + path +
             " is damaged; Get Log moves it aside and makes a new one.";
    case SQLITE_NOMEM:
      return "There is not enough memory to work on the parse database " + path + ".";
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
      return "The parse database " + path + " cannot be read or written. Check the disk and " +
             "the file's permissions, then try again.";
    default:
      return "The parse database " + path + " could not be used (" + sqlite3_errstr(code) + ").";
  }
}

namespace {

// A write that was stopped (a kill, a power cut) leaves its rollback journal
// beside the file, and only a connection that may write can undo it: one
// that may only read fails on every read. So before the file is opened to be
// read only, a journal there lets the engine look at it with a connection
// that may write; the engine undoes the stopped write when the journal is
// hot (no other program is writing), and leaves it alone otherwise. A file
// that cannot be written is left to the read-only open, which says why.
void UndoStoppedWrite(const std::string& path) {
  const std::optional<platform::FileStatus> journal = platform::Status(path + "-journal");
  if (!journal || journal->Size == 0) return;
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
      SQLITE_OK) {
    sqlite3_busy_timeout(raw, 1000);
    sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  sqlite3_close_v2(raw);
}

}  // namespace

Database::Database(const std::string& path, OpenMode mode) : path_(path) {
  if (const std::optional<platform::FileStatus> st = platform::Status(path);
      st && st->Kind == platform::FileKind::Folder) {
    throw DatabaseError("The parse database " + path + " is a folder, not a file.",
                        "cannot open " + path + ": it is a folder", SQLITE_CANTOPEN);
  }
  if (mode == OpenMode::kReadOnly) UndoStoppedWrite(path);
  int flags = SQLITE_OPEN_NOMUTEX;
  switch (mode) {
    case OpenMode::kCreateIfNew:
    case OpenMode::kBlank:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case OpenMode::kExisting:
      flags |= SQLITE_OPEN_READWRITE;
      break;
    case OpenMode::kReadOnly:
      flags |= SQLITE_OPEN_READONLY;
      break;
  }
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  db_.reset(raw);
  if (rc != SQLITE_OK) {
    const std::string reason = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
    throw DatabaseError(DatabaseMessage(rc, path),
                        "Cannot open the parse database " + path + ": " + reason, rc);
  }
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, 1000);  // another program reading the file: wait a little
  // Room for the pages a cut writes (a line or two a fight) and a list
  // reads; the pages a command reads once (a log's per-second sums, the
  // fights' lines) pass through it, and every page more is memory taken and
  // touched afresh. Pages set free are left as they are (the library may be
  // built to zero them): cutting the fights again frees pages, and zeroing
  // each would write and journal it.
  sqlite3_exec(raw,
               "PRAGMA cache_size = -8192; PRAGMA temp_store = MEMORY; PRAGMA secure_delete = OFF",
               nullptr, nullptr, nullptr);
  if (mode == OpenMode::kCreateIfNew) CreateSchemaIfNew();
}

Database::~Database() = default;

void Database::Fail(std::string_view what) const {
  const int code = sqlite3_extended_errcode(db_.get());
  throw DatabaseError(DatabaseMessage(code, path_),
                      "Cannot " + std::string(what) + " in the parse database " + path_ + ": " +
                          sqlite3_errmsg(db_.get()),
                      code);
}

void Database::ExecuteNative(std::string_view sql) {
  const std::string text(sql);
  if (sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail("run \"" + text + "\"");
  }
}

void Database::Execute(std::string_view jetSql) { ExecuteNative(TranslateJetSql(jetSql)); }

void Database::CreateSchemaIfNew() {
  {
    // Reading the catalogue also proves that the file is a database.
    Statement probe(*this, "SELECT count(*) FROM sqlite_master WHERE name = 'ParseData'");
    probe.Step();
    if (probe.ColumnInt(0) > 0) return;
  }
  Transaction tx(*this);
  CreateParseSchema(*this);
  tx.Commit();
}

// ---- Transaction ----

Transaction::Transaction(Database& db) : db_(db) { db_.ExecuteNative("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (!done_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.ExecuteNative("COMMIT");
  done_ = true;
}

// ---- Recordset ----

namespace {

// The table that edits of a query's rows go to: the one named after FROM.
}  // namespace

int64_t QueryInt(Database& db, std::string_view sql) {
  Statement query(db, sql);
  return query.Step() ? query.ColumnInt(0) : 0;
}

Recordset::Recordset(Database& db, std::string_view jetSql) : db_(db) {
  const std::string sql = TranslateJetSql(jetSql);
  Statement stmt(db, sql);
  const int columns = stmt.ColumnCount();
  for (int i = 0; i < columns; ++i) names_.push_back(stmt.ColumnName(i));
  while (stmt.Step()) {
    std::vector<Value> row;
    row.reserve(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i) row.push_back(stmt.Column(i));
    rows_.push_back(std::move(row));
  }
}

int Recordset::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < names_.size(); ++i) {
    if (CompareNoCase(names_[i], name) == 0) return static_cast<int>(i);
  }
  throw Error("No field " + std::string(name) + " in the query's result");
}

const Value& Recordset::Field(int index) const {
  if (EndOfFile()) throw Error("No current record");
  if (index < 0 || index >= FieldCount()) throw Error("No field " + std::to_string(index));
  return rows_[pos_][static_cast<size_t>(index)];
}

const Value& Recordset::Field(std::string_view name) const { return Field(IndexOf(name)); }

}  // namespace qorn
