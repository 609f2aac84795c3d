// The archive database: a SQLite file (the setting MdbFile) with the table
// tessaryn of archived text items, and beside it the search index.
//
//   tessaryn(filename, filememo, filetime, filelen)  one row per archived text
//   tessaryn_trigram   FTS5, trigram tokenizer: words of three or more characters
//   tessaryn_pairs     FTS5, our pair tokenizer: words of one or two characters
//   tessaryn_index     how far the two indexes reach (rows up to `indexed`)
//
// Texts are UTF-8 here; callers convert at their side. The file is in WAL mode
// with a busy timeout, so an archive run and a search window work at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "archive/sqlite_handle.h"
#include "platform/file_system.h"

namespace kelvarion {

// The database path (code page 936, Windows form) as SQLite's open takes it.
std::string SqliteFileName(const std::string& path);

// Creates a new, empty archive database at path, with every missing directory
// of the path. An existing file is never replaced. Returns 0; -1 when a file
// is already there; -2 when it cannot be created.
int CreateEmptyDatabase(FileSystem& fs, const std::string& path);

struct SearchIndexState {
  bool present = false;         // the index tables are there, of this version
  bool complete = false;        // every row of tessaryn is in them
  std::int64_t rowsToIndex = 0; // rows a build still has to index
};

// Called between the batches of an index build with the rows done and the
// rows to do in all; returning false stops the build (what is built stays,
// and a later build goes on from there).
using IndexProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

class CArchiveDatabase {
 public:
  enum class OpenMode {
    kExisting,  // the search window: the file must be there
    kCreate,    // the archive: a missing file is created with its directories
  };
  // Error codes of Open and of the operations below.
  static constexpr int kMissing = -1;     // no such file (kExisting)
  static constexpr int kCannotOpen = -2;  // the file cannot be opened or created
  static constexpr int kNotArchive = -3;  // the file is not an archive database
  static constexpr int kFailed = -4;      // a statement failed (disk full, locked too long)

  CArchiveDatabase() = default;
  ~CArchiveDatabase() { Close(); }
  CArchiveDatabase(CArchiveDatabase&&) = default;
  CArchiveDatabase& operator=(CArchiveDatabase&&) = default;

  int Open(FileSystem& fs, const std::string& path, OpenMode mode);
  void Close();
  bool IsOpen() const { return static_cast<bool>(db_); }
  SqliteConnection& connection() { return db_; }

  // One write transaction, its lock taken at once (other writers wait up to
  // the busy timeout). 0 or kFailed.
  int BeginWrite();
  int Commit();
  void Rollback();
  bool InTransaction() const { return inWrite_; }

  // Adds a row. Returns 1 when stored, 0 when a row with the same file name
  // and the same text is there already (a run whose delete of the file
  // failed), kFailed on an error. When the search index was complete at the
  // start of the transaction, Commit puts the new rows into it before it
  // commits; outside a transaction the row is its own.
  int AddRow(std::string_view filename, std::string_view filememo, int filelen);

  // The text of a row; 0, or -1 when there is no such row.
  int ReadMemo(std::int64_t rowid, std::string& filememo);
  std::int64_t RowCount();

  SearchIndexState IndexState();
  // The quick part of IndexState: every row is in the index.
  bool IsIndexComplete() { return db_ && canIndex_ && IndexIsComplete(ReadIndexRecord()); }
  // Builds the search index, or completes it where rows were added without it
  // (an earlier version, another program). Batches of about a quarter of a
  // second, each its own transaction. 0 when complete, 1 when stopped by the
  // progress callback, kFailed on an error.
  int BuildSearchIndex(const IndexProgress& progress = {});
  // Drops the search index (for measurements and for a rebuild from scratch).
  int DropSearchIndex();
  // False when this SQLite cannot hold the search index (no FTS5).
  bool CanIndex() const { return canIndex_; }

 private:
  struct IndexRecord {
    bool present = false;
    std::int64_t version = 0, indexed = 0, stale = 0;
  };
  IndexRecord ReadIndexRecord();
  bool IndexIsComplete(const IndexRecord& record);
  int CreateSearchIndex();
  int IndexRows(std::int64_t after, std::int64_t last);

  SqliteConnection db_;
  SqliteStatement insertRow_, readMemo_;
  bool canIndex_ = false;
  bool inWrite_ = false;
  bool indexLive_ = false;         // inside a write: Commit puts the new rows into the index
  std::int64_t indexedBefore_ = 0; // the index's reach when the write began
};

}  // namespace kelvarion
