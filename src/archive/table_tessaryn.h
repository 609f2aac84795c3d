// CTableTessaryn: a small recordset over the table tessaryn of the archive
// database, on one prepared statement whose parameters are bound, never
// pasted into its text. The fields are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_database.h"
#include "platform/file_system.h"

namespace kelvarion {

class CTableTessaryn {
 public:
  std::string m_filename;  // the history file's 16-digit stamp
  std::string m_filememo;  // the text
  std::string m_filetime;  // never written by the archive; empty when NULL
  int m_filelen = 0;

  CArchiveDatabase& Database() { return database_; }

  // Runs a statement that selects rows of tessaryn ("SELECT * FROM tessaryn
  // WHERE ..."), binding the parameters to ?1, ?2, ... in order, and moves to
  // the first row. Columns are found by name. 0, or CArchiveDatabase::kFailed.
  int Open(std::string_view statement, const std::vector<std::string>& parameters = {});
  bool IsEOF() const { return eof_; }
  // Loads the next row into the fields; 0 or kFailed.
  int MoveNext();
  // Starts a new row with empty fields; Update stores it.
  void AddNew();
  // 1 stored, 0 an identical row was there, kFailed (see CArchiveDatabase::AddRow).
  int Update();
  // Closes the statement; the database stays open.
  void Close();

 private:
  int Load();

  CArchiveDatabase database_;
  SqliteStatement statement_;
  int columns_[4] = {-1, -1, -1, -1};  // filename, filememo, filetime, filelen
  bool eof_ = true;
};

// Opens the archive database at databasePath (a missing file is created, with
// every directory of its path) and the recordset on the statement. 0, or the
// error code of CArchiveDatabase::Open or kFailed.
int OpenHistoryTable(FileSystem& fs, CTableTessaryn& table, const std::string& databasePath, std::string_view statement,
                     const std::vector<std::string>& parameters = {});
// Closes the recordset and the database.
void CloseHistoryTable(CTableTessaryn& table);

}  // namespace kelvarion
