// Move-only holders for a SQLite connection and a prepared statement, with
// the few calls the archive makes. Texts crossing here are UTF-8.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarion {

class SqliteStatement {
 public:
  SqliteStatement() = default;
  ~SqliteStatement() { reset(); }
  SqliteStatement(SqliteStatement&& other) noexcept : stmt_(other.release()) {}
  SqliteStatement& operator=(SqliteStatement&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // SQLITE_OK or the error code; the statement is empty on failure.
  int Prepare(sqlite3* db, std::string_view sql);

  sqlite3_stmt* get() const { return stmt_; }
  sqlite3_stmt* release() {
    sqlite3_stmt* s = stmt_;
    stmt_ = nullptr;
    return s;
  }
  void reset(sqlite3_stmt* s = nullptr) {
    if (stmt_) sqlite3_finalize(stmt_);
    stmt_ = s;
  }
  explicit operator bool() const { return stmt_ != nullptr; }

  // Parameters are numbered from 1; the text is copied by SQLite.
  int BindText(int index, std::string_view text);
  int BindInt64(int index, std::int64_t value) { return sqlite3_bind_int64(stmt_, index, value); }
  int BindNull(int index) { return sqlite3_bind_null(stmt_, index); }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(stmt_); }
  // Ready to run again with new parameters.
  void Rewind() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

  std::int64_t ColumnInt64(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool ColumnIsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  // The column as text (numbers converted, as SQLite converts them); a view
  // valid until the next step.
  std::string_view ColumnText(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class SqliteConnection {
 public:
  SqliteConnection() = default;
  ~SqliteConnection() { Close(); }
  SqliteConnection(SqliteConnection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
  SqliteConnection& operator=(SqliteConnection&& other) noexcept {
    if (this != &other) {
      Close();
      db_ = other.db_;
      other.db_ = nullptr;
    }
    return *this;
  }
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // fileName is what SQLite takes (UTF-8). SQLITE_OK or the error code.
  int Open(const std::string& fileName, int flags);
  void Close();
  sqlite3* get() const { return db_; }
  explicit operator bool() const { return db_ != nullptr; }

  // Runs statements without parameters (schema, pragmas, transaction control).
  int Execute(std::string_view sql);
  // The first column of the first row as a number; fallback when there is no
  // row or the statement fails.
  std::int64_t QueryInt64(std::string_view sql, std::int64_t fallback = 0);
  std::string LastError() const { return db_ ? sqlite3_errmsg(db_) : "no database"; }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace kelvarion
