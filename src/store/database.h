#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/error.h"

namespace qorn {

// A field's value as the database returns it.
class Value {
 public:
  Value() = default;
  explicit Value(int64_t v) : v_(v) {}
  explicit Value(double v) : v_(v) {}
  explicit Value(std::string v) : v_(std::move(v)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
  int64_t AsInt() const;       // null is 0; a real is rounded half to even, as Jet converts
  double AsDouble() const;     // null is 0
  std::string AsText() const;  // the plain text form: null is empty, numbers without grouping
  const std::variant<std::monostate, int64_t, double, std::string>& Raw() const { return v_; }

 private:
  std::variant<std::monostate, int64_t, double, std::string> v_;
};

class Database;

// A prepared statement, finalized when it goes.
class Statement {
 public:
  Statement(Database& db, std::string_view sql);  // SQLite's own dialect
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, double value);
  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, const std::string& text) {
    return Bind(index, std::string_view(text));
  }
  Statement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
  // Binds a text without copying it: it must stay as it is until the next Step().
  Statement& BindUnowned(int index, std::string_view text);
  Statement& BindNull(int index);
  Statement& BindBlob(int index, std::string_view bytes);  // copied
  Statement& Bind(int index, const Value& value);
  // One step: true while a row stands ready.
  bool Step();
  void Reset();
  int ColumnCount() const;
  std::string ColumnName(int i) const;
  Value Column(int i) const;
  int64_t ColumnInt(int i) const { return sqlite3_column_int64(stmt_, i); }
  double ColumnDouble(int i) const { return sqlite3_column_double(stmt_, i); }
  std::string_view ColumnText(int i) const;
  std::string_view ColumnBlob(int i) const;  // empty for a null
  bool ColumnIsNull(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }
  bool ColumnIsInteger(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_INTEGER; }
  bool ColumnIsNumber(int i) const {
    const int type = sqlite3_column_type(stmt_, i);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
  }

 private:
  Database& db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string sql_;
};

// How a database file is opened.
enum class OpenMode {
  kCreateIfNew,  // read and write; a new or empty file gets the tables, views and spell table
  kExisting,     // read and write an existing file as it is
  kReadOnly,     // read an existing file as it is
  kBlank,        // read and write, created when missing, nothing added
};

// What the user reads when the engine fails with `code` (SQLite's result
// code) on the parse database at `path`.
std::string DatabaseMessage(int code, const std::string& path);

// A failure of the database engine: what Database::Fail throws. `Code` is
// SQLite's extended result code.
class DatabaseError : public Error {
 public:
  DatabaseError(const std::string& message, std::string detail, int code);
  int Code() const { return code_; }
  // The file is not a database or its contents are broken.
  bool Damaged() const;
  // The disk that holds the file is full.
  bool DiskFull() const;

 private:
  int code_;
};

// The parse database file, open for the life of the object. Opening creates
// the file with its tables, views and spell table when it does not exist.
class Database {
 public:
  explicit Database(const std::string& path, OpenMode mode = OpenMode::kCreateIfNew);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& Path() const { return path_; }
  sqlite3* Handle() const { return db_.get(); }

  // Runs one of the program's Jet SQL texts (see TranslateJetSql).
  void Execute(std::string_view jetSql);
  // Runs SQLite's own dialect, any number of statements.
  void ExecuteNative(std::string_view sql);

  // Throws a DatabaseError: a message for the user naming the database file
  // and what the user can do; `what` failed and SQLite's reason go to its detail.
  [[noreturn]] void Fail(std::string_view what) const;

 private:
  void CreateSchemaIfNew();

  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::string path_;
  std::unique_ptr<sqlite3, Closer> db_;
};

// Rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool done_ = false;
};

// The first column of the first row of `sql` as a number; 0 when no row.
int64_t QueryInt(Database& db, std::string_view sql);

// The rows of one query, read at once, with a cursor over them as the
// program's routines walk them: first, next, last, end of file, count, and
// fields by position or by name (without regard to case).

class Recordset {
 public:
  Recordset(Database& db, std::string_view jetSql);

  bool EndOfFile() const { return pos_ >= rows_.size(); }
  void MoveFirst() { pos_ = 0; }
  void MoveNext() {
    if (pos_ < rows_.size()) ++pos_;
  }
  void MoveLast() { pos_ = rows_.empty() ? 0 : rows_.size() - 1; }
  long long RecordCount() const { return static_cast<long long>(rows_.size()); }
  int FieldCount() const { return static_cast<int>(names_.size()); }

  const Value& Field(int index) const;
  const Value& Field(std::string_view name) const;

 private:
  int IndexOf(std::string_view name) const;

  Database& db_;
  std::vector<std::string> names_;
  std::vector<std::vector<Value>> rows_;
  size_t pos_ = 0;
};

}  // namespace qorn
