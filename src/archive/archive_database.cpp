#include "archive/archive_database.h"

#include "archive/pair_tokenizer.h"
#include "base/codepage.h"
#include "base/dbcs.h"
#include "base/file_utils.h"

namespace kelvarion {

namespace {

// Raised when the index's tokenizers or layout change: an index of another
// version is dropped and built again.
constexpr std::int64_t kIndexVersion = 1;

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS tessaryn([filename] VARCHAR(255), [filememo] TEXT, [filetime] DATETIME, "
    "[filelen] INTEGER)";
constexpr const char* kCreateFilenameIndex =
    "CREATE INDEX IF NOT EXISTS tessaryn_filename ON tessaryn([filename])";

// Both indexes keep no copy of the texts (content=''): they give row ids, and
// the texts are read from tessaryn. The pair index needs no positions either,
// as every query of it is a single token.
constexpr const char* kCreateSearchIndex[] = {
    "DROP TRIGGER IF EXISTS tessaryn_index_insert",
    "DROP TRIGGER IF EXISTS tessaryn_index_update",
    "DROP TRIGGER IF EXISTS tessaryn_index_delete",
    "DROP TABLE IF EXISTS tessaryn_trigram",
    "DROP TABLE IF EXISTS tessaryn_pairs",
    "DROP TABLE IF EXISTS tessaryn_index",
    "CREATE VIRTUAL TABLE tessaryn_trigram USING fts5(filememo, content='', columnsize=0, tokenize='trigram')",
    "CREATE VIRTUAL TABLE tessaryn_pairs USING fts5(filememo, content='', columnsize=0, detail='none', "
    "tokenize='kelvarion_pairs')",
    "CREATE TABLE tessaryn_index(id INTEGER PRIMARY KEY CHECK (id = 1), version INTEGER NOT NULL, "
    "indexed INTEGER NOT NULL, stale INTEGER NOT NULL)",
    "INSERT INTO tessaryn_index VALUES (1, 1, 0, 0)",
    // A program that changes rows the index already holds (this one only ever
    // adds) marks the index stale, so the next build starts again. Plain SQL,
    // so any program with any SQLite can run them.
    "CREATE TRIGGER tessaryn_index_insert AFTER INSERT ON tessaryn "
    "WHEN new.rowid <= (SELECT indexed FROM tessaryn_index) "
    "BEGIN UPDATE tessaryn_index SET stale = 1; END",
    "CREATE TRIGGER tessaryn_index_update AFTER UPDATE ON tessaryn "
    "WHEN old.rowid <= (SELECT indexed FROM tessaryn_index) "
    "AND (new.rowid IS NOT old.rowid OR new.filememo IS NOT old.filememo) "
    "BEGIN UPDATE tessaryn_index SET stale = 1; END",
    "CREATE TRIGGER tessaryn_index_delete AFTER DELETE ON tessaryn "
    "WHEN old.rowid <= (SELECT indexed FROM tessaryn_index) "
    "BEGIN UPDATE tessaryn_index SET stale = 1; END",
};
static_assert(kIndexVersion == 1, "the INSERT above writes the version");

class WriteScope {
 public:
  explicit WriteScope(CArchiveDatabase& db) : db_(db) {}
  ~WriteScope() {
    if (db_.InTransaction()) db_.Rollback();
  }

 private:
  CArchiveDatabase& db_;
};

}  // namespace

std::string SqliteFileName(const std::string& path) {
  // SQLite takes UTF-8 on every platform. Its Windows layer takes '/' as well
  // as '\' (except behind the "\\?\" prefix, which stays as it is); its POSIX
  // layer needs '/'.
  std::string p = path;
  if (p.rfind("\\\\?\\", 0) != 0) {
    for (std::size_t i = 0; i < p.size(); i += CharLength(p, i)) {
      if (p[i] == '\\' && CharLength(p, i) == 1) p[i] = '/';
    }
  }
  return Cp936ToUtf8(p);
}

int CreateEmptyDatabase(FileSystem& fs, const std::string& path) {
  if (fs.Exists(path)) return -1;
  CArchiveDatabase db;
  return db.Open(fs, path, CArchiveDatabase::OpenMode::kCreate) == 0 ? 0 : -2;
}

int CArchiveDatabase::Open(FileSystem& fs, const std::string& path, OpenMode mode) {
  Close();
  if (path.empty()) return kCannotOpen;
  bool exists = fs.Exists(path);
  if (!exists && mode == OpenMode::kExisting) return kMissing;
  if (!exists) CreateDirectoryPath(fs, DirectoryPart(path));
  int flags = SQLITE_OPEN_READWRITE | (mode == OpenMode::kCreate ? SQLITE_OPEN_CREATE : 0);
  if (db_.Open(SqliteFileName(path), flags) != SQLITE_OK) {
    Close();
    return kCannotOpen;
  }
  sqlite3_busy_timeout(db_.get(), 15000);
  canIndex_ = RegisterPairTokenizer(db_.get()) == SQLITE_OK;

  // The first statement that reads the file tells an archive from any other
  // file (an Access database of an earlier installation, say).
  SqliteStatement check;
  int rc = check.Prepare(db_.get(), "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'tessaryn'");
  if (rc == SQLITE_OK) rc = check.Step();
  if (rc != SQLITE_ROW) {
    bool notArchive = rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
    Close();
    return notArchive ? kNotArchive : kCannotOpen;
  }
  bool hasTable = check.ColumnInt64(0) != 0;
  check.reset();

  // WAL lets the archive write while a search window reads. The setting stays
  // with the file; FULL makes every commit durable before the archive deletes
  // the history files it holds.
  db_.Execute("PRAGMA journal_mode=WAL");
  db_.Execute("PRAGMA synchronous=FULL");
  db_.Execute("PRAGMA journal_size_limit=67108864");
  db_.Execute("PRAGMA temp_store=MEMORY");
  db_.Execute("PRAGMA cache_size=-16384");

  if (!hasTable) {
    if (mode == OpenMode::kExisting) {
      Close();
      return kNotArchive;
    }
    WriteScope scope(*this);
    if (BeginWrite() != 0 || db_.Execute(kCreateTable) != SQLITE_OK || db_.Execute(kCreateFilenameIndex) != SQLITE_OK ||
        (canIndex_ && CreateSearchIndex() != 0) || Commit() != 0) {
      Close();
      return kCannotOpen;
    }
  } else if (mode == OpenMode::kCreate) {
    // A table made by an earlier version or another program: the archive
    // needs the file-name index to find a row it stored before. An empty
    // table gets the search index at once, as that costs nothing.
    bool hasFilenameIndex =
        db_.QueryInt64("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = 'tessaryn_filename'") != 0;
    bool wantsSearchIndex = canIndex_ && !ReadIndexRecord().present && RowCount() == 0;
    if (!hasFilenameIndex || wantsSearchIndex) {
      WriteScope scope(*this);
      if (BeginWrite() != 0 || db_.Execute(kCreateFilenameIndex) != SQLITE_OK ||
          (wantsSearchIndex && RowCount() == 0 && CreateSearchIndex() != 0) || Commit() != 0) {
        Close();
        return kCannotOpen;
      }
    }
  }
  return 0;
}

void CArchiveDatabase::Close() {
  if (inWrite_ && db_) Rollback();
  insertRow_.reset();
  readMemo_.reset();
  db_.Close();
  inWrite_ = false;
  indexLive_ = false;
  canIndex_ = false;
}

int CArchiveDatabase::BeginWrite() {
  if (!db_ || inWrite_) return kFailed;
  if (db_.Execute("BEGIN IMMEDIATE") != SQLITE_OK) return kFailed;
  inWrite_ = true;
  IndexRecord record = ReadIndexRecord();
  indexLive_ = canIndex_ && IndexIsComplete(record);
  indexedBefore_ = record.indexed;
  return 0;
}

int CArchiveDatabase::Commit() {
  if (!inWrite_) return kFailed;
  int rc = SQLITE_OK;
  if (indexLive_) {
    // The rows of this transaction go into the index before it commits.
    std::int64_t last = db_.QueryInt64("SELECT max(rowid) FROM tessaryn", 0);
    if (last > indexedBefore_ && IndexRows(indexedBefore_, last) != 0) rc = SQLITE_ERROR;
  }
  if (rc == SQLITE_OK) rc = db_.Execute("COMMIT");
  if (rc != SQLITE_OK) {
    // A commit that did not happen must not look like one: end the
    // transaction so nothing of it can be committed later by accident.
    Rollback();
    return kFailed;
  }
  inWrite_ = false;
  indexLive_ = false;
  return 0;
}

void CArchiveDatabase::Rollback() {
  if (db_ && sqlite3_get_autocommit(db_.get()) == 0) db_.Execute("ROLLBACK");
  inWrite_ = false;
  indexLive_ = false;
}

CArchiveDatabase::IndexRecord CArchiveDatabase::ReadIndexRecord() {
  IndexRecord record;
  SqliteStatement s;
  if (s.Prepare(db_.get(), "SELECT version, indexed, stale FROM tessaryn_index WHERE id = 1") != SQLITE_OK) return record;
  if (s.Step() != SQLITE_ROW) return record;
  record.version = s.ColumnInt64(0);
  record.indexed = s.ColumnInt64(1);
  record.stale = s.ColumnInt64(2);
  // The FTS tables must be there too (another program may have dropped them).
  record.present = record.version == kIndexVersion &&
                   db_.QueryInt64("SELECT count(*) FROM sqlite_master WHERE name IN "
                                  "('tessaryn_trigram', 'tessaryn_pairs')") == 2;
  return record;
}

bool CArchiveDatabase::IndexIsComplete(const IndexRecord& record) {
  if (!record.present || record.stale != 0) return false;
  return record.indexed >= db_.QueryInt64("SELECT max(rowid) FROM tessaryn", 0);
}

std::int64_t CArchiveDatabase::RowCount() { return db_.QueryInt64("SELECT count(*) FROM tessaryn", 0); }

int CArchiveDatabase::CreateSearchIndex() {
  for (const char* sql : kCreateSearchIndex) {
    if (db_.Execute(sql) != SQLITE_OK) return kFailed;
  }
  return 0;
}

int CArchiveDatabase::IndexRows(std::int64_t after, std::int64_t last) {
  // One statement per index for all the rows: FTS5 writes out what it holds
  // at the end of every statement, so a statement per row would cost a new
  // index segment per row, and the merging of them all.
  static const char* const kInsert[] = {
      "INSERT INTO tessaryn_trigram(rowid, filememo) SELECT rowid, " ,
      "INSERT INTO tessaryn_pairs(rowid, filememo) SELECT rowid, ",
  };
  // LIKE ends a text at a zero byte; so do the indexes.
  static const char* const kRows =
      "CASE WHEN instr([filememo], char(0)) > 0 THEN substr([filememo], 1, instr([filememo], char(0)) - 1) "
      "ELSE [filememo] END FROM tessaryn WHERE rowid > ?1 AND rowid <= ?2 AND [filememo] IS NOT NULL";
  for (const char* insert : kInsert) {
    SqliteStatement s;
    if (s.Prepare(db_.get(), std::string(insert) + kRows) != SQLITE_OK) return kFailed;
    s.BindInt64(1, after);
    s.BindInt64(2, last);
    if (s.Step() != SQLITE_DONE) return kFailed;
  }
  SqliteStatement mark;
  if (mark.Prepare(db_.get(), "UPDATE tessaryn_index SET indexed = max(indexed, ?1) WHERE id = 1") != SQLITE_OK) {
    return kFailed;
  }
  mark.BindInt64(1, last);
  return mark.Step() == SQLITE_DONE ? 0 : kFailed;
}

int CArchiveDatabase::AddRow(std::string_view filename, std::string_view filememo, int filelen) {
  if (!db_) return kFailed;
  if (!inWrite_) {
    // A row and its index entries go in together or not at all.
    WriteScope scope(*this);
    if (BeginWrite() != 0) return kFailed;
    int added = AddRow(filename, filememo, filelen);
    if (added < 0) return added;
    return Commit() == 0 ? added : kFailed;
  }
  // The same file name with the same text: the row of an earlier run whose
  // delete of the file failed. A different text under the same name (a clock
  // set back) is a different item and is kept too.
  if (!insertRow_ &&
      insertRow_.Prepare(db_.get(),
                         "INSERT INTO tessaryn([filename], [filememo], [filetime], [filelen]) "
                         "SELECT ?1, ?2, NULL, ?3 WHERE NOT EXISTS "
                         "(SELECT 1 FROM tessaryn WHERE [filename] = ?1 AND [filememo] = ?2)") != SQLITE_OK) {
    return kFailed;
  }
  insertRow_.Rewind();
  insertRow_.BindText(1, filename);
  insertRow_.BindText(2, filememo);
  insertRow_.BindInt64(3, filelen);
  int rc = insertRow_.Step();
  insertRow_.Rewind();
  if (rc != SQLITE_DONE) return kFailed;
  if (sqlite3_changes(db_.get()) == 0) return 0;
  return 1;
}

int CArchiveDatabase::ReadMemo(std::int64_t rowid, std::string& filememo) {
  if (!db_) return -1;
  if (!readMemo_ && readMemo_.Prepare(db_.get(), "SELECT [filememo] FROM tessaryn WHERE rowid = ?1") != SQLITE_OK) {
    return -1;
  }
  readMemo_.Rewind();
  readMemo_.BindInt64(1, rowid);
  int rc = readMemo_.Step();
  if (rc == SQLITE_ROW) filememo.assign(readMemo_.ColumnText(0));
  readMemo_.Rewind();
  return rc == SQLITE_ROW ? 0 : -1;
}

SearchIndexState CArchiveDatabase::IndexState() {
  SearchIndexState state;
  if (!db_ || !canIndex_) return state;
  IndexRecord record = ReadIndexRecord();
  state.present = record.present;
  state.complete = IndexIsComplete(record);
  if (state.complete) return state;
  std::int64_t from = record.present && record.stale == 0 ? record.indexed : 0;
  SqliteStatement s;
  if (s.Prepare(db_.get(), "SELECT count(*) FROM tessaryn WHERE rowid > ?1") == SQLITE_OK) {
    s.BindInt64(1, from);
    if (s.Step() == SQLITE_ROW) state.rowsToIndex = s.ColumnInt64(0);
  }
  return state;
}

int CArchiveDatabase::DropSearchIndex() {
  if (!db_ || inWrite_) return kFailed;
  WriteScope scope(*this);
  if (BeginWrite() != 0) return kFailed;
  // The first six statements of the index's layout drop it.
  for (int i = 0; i < 6; ++i) {
    if (db_.Execute(kCreateSearchIndex[i]) != SQLITE_OK) return kFailed;
  }
  indexLive_ = false;
  return Commit();
}

int CArchiveDatabase::BuildSearchIndex(const IndexProgress& progress) {
  if (!db_ || !canIndex_ || inWrite_) return kFailed;
  std::int64_t total = IndexState().rowsToIndex;
  std::int64_t done = 0;
  if (progress && !progress(0, total)) return 1;
  // About a second of work per batch: few enough segments in the index,
  // and short enough for a window that shows the progress and for an archive
  // run that waits for the write lock.
  constexpr std::int64_t kBatchRows = 8192;
  constexpr std::int64_t kMergeAfterRows = 100000;
  for (;;) {
    WriteScope scope(*this);
    if (BeginWrite() != 0) return kFailed;
    // Read again under the write lock: another process may have gone on.
    IndexRecord record = ReadIndexRecord();
    if (!record.present || record.stale != 0) {
      if (record.present) {
        if (db_.Execute("INSERT INTO tessaryn_trigram(tessaryn_trigram) VALUES ('delete-all')") != SQLITE_OK ||
            db_.Execute("INSERT INTO tessaryn_pairs(tessaryn_pairs) VALUES ('delete-all')") != SQLITE_OK ||
            db_.Execute("UPDATE tessaryn_index SET indexed = 0, stale = 0") != SQLITE_OK) {
          return kFailed;
        }
      } else if (CreateSearchIndex() != 0) {
        return kFailed;
      }
      record.indexed = 0;
    }
    // The batch ends at the rowid kBatchRows rows on, or at the last row.
    std::int64_t last = 0;
    bool finished = true;
    SqliteStatement bound;
    if (bound.Prepare(db_.get(), "SELECT rowid FROM tessaryn WHERE rowid > ?1 ORDER BY rowid LIMIT 1 OFFSET ?2") !=
        SQLITE_OK) {
      return kFailed;
    }
    bound.BindInt64(1, record.indexed);
    bound.BindInt64(2, kBatchRows - 1);
    if (int rc = bound.Step(); rc == SQLITE_ROW) {
      last = bound.ColumnInt64(0);
      finished = false;
    } else if (rc == SQLITE_DONE) {
      last = db_.QueryInt64("SELECT max(rowid) FROM tessaryn", 0);
    } else {
      return kFailed;
    }
    bound.reset();
    if (last > record.indexed) {
      SqliteStatement count;
      if (count.Prepare(db_.get(), "SELECT count(*) FROM tessaryn WHERE rowid > ?1 AND rowid <= ?2") != SQLITE_OK) {
        return kFailed;
      }
      count.BindInt64(1, record.indexed);
      count.BindInt64(2, last);
      if (count.Step() != SQLITE_ROW) return kFailed;
      done += count.ColumnInt64(0);
      count.reset();
      if (IndexRows(record.indexed, last) != 0) return kFailed;
    }
    // Rows the build has indexed itself: Commit must not index them again.
    indexLive_ = false;
    if (Commit() != 0) return kFailed;
    if (finished) {
      // A build of many batches leaves many segments; one merge of each index
      // halves the time of the words found in very many rows. Each its own
      // transaction of a few seconds on a million rows.
      if (done >= kMergeAfterRows) {
        for (const char* table : {"tessaryn_trigram", "tessaryn_pairs"}) {
          WriteScope merge(*this);
          if (BeginWrite() != 0 ||
              db_.Execute(std::string("INSERT INTO ") + table + "(" + table + ") VALUES ('optimize')") != SQLITE_OK) {
            return kFailed;
          }
          indexLive_ = false;
          if (Commit() != 0) return kFailed;
        }
      }
      if (progress) progress(total, total);
      return 0;
    }
    if (progress && !progress(done < total ? done : total, total)) return 1;
  }
}

}  // namespace kelvarion
