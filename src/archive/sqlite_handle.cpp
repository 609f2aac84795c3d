#include "archive/sqlite_handle.h"

namespace kelvarion {

int SqliteStatement::Prepare(sqlite3* db, std::string_view sql) {
  reset();
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(s);
    return rc;
  }
  stmt_ = s;
  return SQLITE_OK;
}

int SqliteStatement::BindText(int index, std::string_view text) {
  // A view of an empty string may have no data pointer: SQLite would bind NULL.
  return sqlite3_bind_text64(stmt_, index, text.empty() ? "" : text.data(), text.size(), SQLITE_TRANSIENT,
                             SQLITE_UTF8);
}

std::string_view SqliteStatement::ColumnText(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (!text) return {};
  return std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

int SqliteConnection::Open(const std::string& fileName, int flags) {
  Close();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(fileName.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return rc;
  }
  db_ = db;
  sqlite3_extended_result_codes(db_, 0);
  return SQLITE_OK;
}

void SqliteConnection::Close() {
  if (db_) {
    // Statements are finalized by their holders; close_v2 waits for any left.
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

int SqliteConnection::Execute(std::string_view sql) {
  std::string text(sql);
  return sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
}

std::int64_t SqliteConnection::QueryInt64(std::string_view sql, std::int64_t fallback) {
  SqliteStatement s;
  if (s.Prepare(db_, sql) != SQLITE_OK) return fallback;
  if (s.Step() != SQLITE_ROW || s.ColumnIsNull(0)) return fallback;
  return s.ColumnInt64(0);
}

}  // namespace kelvarion
