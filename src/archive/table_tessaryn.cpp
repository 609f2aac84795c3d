#include "archive/table_tessaryn.h"

#include <cstring>

#include "base/dbcs.h"

namespace kelvarion {

int CTableTessaryn::Open(std::string_view statement, const std::vector<std::string>& parameters) {
  Close();
  if (!database_.IsOpen()) return CArchiveDatabase::kFailed;
  if (statement_.Prepare(database_.connection().get(), statement) != SQLITE_OK) return CArchiveDatabase::kFailed;
  for (std::size_t i = 0; i < parameters.size(); ++i) statement_.BindText(static_cast<int>(i) + 1, parameters[i]);
  static const char* const kNames[4] = {"filename", "filememo", "filetime", "filelen"};
  int count = sqlite3_column_count(statement_.get());
  for (int k = 0; k < 4; ++k) {
    columns_[k] = -1;
    for (int c = 0; c < count; ++c) {
      const char* name = sqlite3_column_name(statement_.get(), c);
      if (name && EqualsNoCase(name, kNames[k])) {
        columns_[k] = c;
        break;
      }
    }
  }
  eof_ = false;
  return MoveNext();
}

int CTableTessaryn::MoveNext() {
  if (!statement_ || eof_) return CArchiveDatabase::kFailed;
  int rc = statement_.Step();
  if (rc == SQLITE_DONE) {
    eof_ = true;
    return 0;
  }
  if (rc != SQLITE_ROW) {
    eof_ = true;
    return CArchiveDatabase::kFailed;
  }
  return Load();
}

int CTableTessaryn::Load() {
  const auto text = [&](int k) {
    return columns_[k] >= 0 ? std::string(statement_.ColumnText(columns_[k])) : std::string();
  };
  m_filename = text(0);
  m_filememo = text(1);
  m_filetime = text(2);
  m_filelen = columns_[3] >= 0 ? static_cast<int>(statement_.ColumnInt64(columns_[3])) : 0;
  return 0;
}

void CTableTessaryn::AddNew() {
  m_filename.clear();
  m_filememo.clear();
  m_filetime.clear();
  m_filelen = 0;
}

int CTableTessaryn::Update() { return database_.AddRow(m_filename, m_filememo, m_filelen); }

void CTableTessaryn::Close() {
  statement_.reset();
  eof_ = true;
}

int OpenHistoryTable(FileSystem& fs, CTableTessaryn& table, const std::string& databasePath, std::string_view statement,
                     const std::vector<std::string>& parameters) {
  CloseHistoryTable(table);
  int rc = table.Database().Open(fs, databasePath, CArchiveDatabase::OpenMode::kCreate);
  if (rc != 0) return rc;
  rc = table.Open(statement, parameters);
  if (rc != 0) CloseHistoryTable(table);
  return rc;
}

void CloseHistoryTable(CTableTessaryn& table) {
  table.Close();
  table.Database().Close();
}

}  // namespace kelvarion
