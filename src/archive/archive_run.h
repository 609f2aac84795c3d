// The run of archive mode: history files older than the cut-off leave the
// history directory. Old texts become rows of the archive database (or are
// deleted when the database is off); old images and clipboard files move into
// "backup\" or are deleted.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kelvarion {

// What the run needs from the settings, read once by the caller.
struct ArchiveSettings {
  std::string historyDirectory;  // ends in "\"
  std::string databasePath;      // MdbFile
  bool backup = true;            // Backup: old texts go into the database
  bool backupMove = false;       // BackupM: old images and clipboard files move into "backup\"
};

struct ArchiveReport {
  int textsStored = 0;   // new rows
  int textsKnown = 0;    // rows an earlier run had stored already
  int textsDeleted = 0;  // text files removed from the history directory
  int textsLeft = 0;     // old text files that stay for the next run
  int largeFiles = 0;    // copies written into "LargeFile\"
  int filesMoved = 0;    // images and clipboard files moved into "backup\"
  int filesDeleted = 0;
  int filesLeft = 0;     // old images and clipboard files whose move or delete failed
  int databaseError = 0; // 0, or the error of CArchiveDatabase::Open or the commit
};

// Result codes besides 1, a completed run.
inline constexpr int kArchiveBadCutOff = -1;   // the cut-off is not 1 to 16 digits: nothing done
inline constexpr int kArchiveNoDatabase = -2;  // the database could not be opened: old texts stay
inline constexpr int kArchiveNotStored = -3;   // the rows could not be stored: old texts stay

// cutOff: the first digits of a time stamp (the history list passes 12,
// YYYYMMDDhhmm); a file is old when its stamp lies before it, so the files of
// the cut-off minute itself stay.
//
// The texts go into the database in one transaction. A text file is deleted
// only after that transaction has committed, and a run that ends before its
// commit leaves every file where it was. Images and clipboard files are
// handled after the texts. Returns 1, or one of the codes above (images and
// clipboard files are handled all the same when the database fails).
int ArchiveOldHistory(FileSystem& fs, const ArchiveSettings& settings, std::string_view cutOff,
                      ArchiveReport* report = nullptr);

}  // namespace kelvarion
