#include "archive/archive_run.h"

#include <vector>

#include "archive/archive_text.h"
#include "archive/table_tessaryn.h"
#include "base/file_utils.h"
#include "base/text_list.h"

namespace kelvarion {

namespace {

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// A history file's name: a 16-digit stamp and a four-character extension.
bool IsHistoryName(const std::string& name) { return name.size() == 20 && IsDigits(std::string_view(name).substr(0, 16)); }

// Whole under a temporary name first, then renamed over any older copy.
bool WriteCopy(FileSystem& fs, const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp";
  if (WriteTextFile(fs, temporary, bytes) != 0 || !fs.Rename(temporary, path)) {
    fs.Remove(temporary);
    return false;
  }
  return true;
}

// Stores the old texts in one transaction and deletes their files once it has
// committed. Returns 1 or an error code of the run.
int StoreOldTexts(FileSystem& fs, const ArchiveSettings& settings, const std::string& directory,
                  const std::vector<std::string>& names, ArchiveReport& report) {
  CTableTessaryn table;
  // Selects nothing: the recordset only adds.
  int rc = OpenHistoryTable(fs, table, settings.databasePath, "SELECT * FROM tessaryn WHERE 1 = 2");
  if (rc == 0 && table.Database().BeginWrite() != 0) rc = CArchiveDatabase::kFailed;
  if (rc != 0) {
    report.databaseError = rc;
    report.textsLeft += static_cast<int>(names.size());
    return kArchiveNoDatabase;
  }

  const std::string largeDirectory = directory + "LargeFile\\";
  std::vector<std::string> held;  // files whose rows are in the transaction
  int stored = 0, known = 0, left = 0;
  std::string bytes;
  for (const std::string& name : names) {
    if (!ReadWholeFile(fs, directory + name, bytes)) {
      ++left;
      continue;
    }
    ArchiveText text = MakeArchiveText(bytes);
    if (text.cut || text.lossy) {
      // The row keeps part of the text only: the whole file goes beside the
      // database first, or the file stays in the history.
      CreateDirectoryPath(fs, largeDirectory);
      if (!WriteCopy(fs, largeDirectory + name, bytes)) {
        ++left;
        continue;
      }
      ++report.largeFiles;
    }
    table.AddNew();
    table.m_filename = name.substr(0, 16);
    table.m_filememo = std::move(text.filememo);
    table.m_filelen = text.filelen;
    int added = table.Update();
    if (added < 0) {
      // Disk full or the like: nothing of this run is stored, every file stays.
      table.Database().Rollback();
      report.databaseError = added;
      report.textsLeft += static_cast<int>(names.size());
      return kArchiveNotStored;
    }
    (added == 1 ? stored : known)++;
    held.push_back(name);
  }
  if (table.Database().Commit() != 0) {
    report.databaseError = CArchiveDatabase::kFailed;
    report.textsLeft += static_cast<int>(names.size());
    return kArchiveNotStored;
  }
  CloseHistoryTable(table);
  report.textsStored += stored;
  report.textsKnown += known;
  report.textsLeft += left;

  // A delete that fails now leaves the file for the next run, which finds its
  // row and stores no second one.
  for (const std::string& name : held) {
    if (fs.Remove(directory + name)) {
      ++report.textsDeleted;
    } else {
      ++report.textsLeft;
    }
  }
  return 1;
}

}  // namespace

int ArchiveOldHistory(FileSystem& fs, const ArchiveSettings& settings, std::string_view cutOff, ArchiveReport* report) {
  ArchiveReport local;
  ArchiveReport& out = report ? *report : local;
  out = ArchiveReport{};
  if (cutOff.empty() || cutOff.size() > 16 || !IsDigits(cutOff)) return kArchiveBadCutOff;

  const std::string directory = AddTrailingBackslash(settings.historyDirectory);
  CTextList listing;
  ListFiles(fs, directory, listing);
  const std::string textLimit = std::string(cutOff) + ".spt";
  const std::string otherLimit = std::string(cutOff) + ".cbf";
  std::vector<std::string> oldTexts, oldOthers;
  for (const std::string& name : listing.Items()) {
    if (!IsHistoryName(name)) continue;
    std::string_view extension = std::string_view(name).substr(16);
    if (extension == ".spt") {
      if (name < textLimit) oldTexts.push_back(name);
    } else if (extension == ".cbf" || extension == ".bmp" || extension == ".gif" || extension == ".jpg") {
      if (name < otherLimit) oldOthers.push_back(name);
    }
  }

  int result = 1;
  if (!oldTexts.empty()) {
    if (settings.backup) {
      result = StoreOldTexts(fs, settings, directory, oldTexts, out);
    } else {
      for (const std::string& name : oldTexts) {
        if (fs.Remove(directory + name)) {
          ++out.textsDeleted;
        } else {
          ++out.textsLeft;
        }
      }
    }
  }

  if (!oldOthers.empty()) {
    const std::string backupDirectory = directory + "backup\\";
    if (settings.backupMove) CreateDirectoryPath(fs, backupDirectory);
    for (const std::string& name : oldOthers) {
      bool done = settings.backupMove ? fs.Rename(directory + name, backupDirectory + name) : fs.Remove(directory + name);
      if (!done) {
        ++out.filesLeft;
      } else if (settings.backupMove) {
        ++out.filesMoved;
      } else {
        ++out.filesDeleted;
      }
    }
  }
  return result;
}

}  // namespace kelvarion
