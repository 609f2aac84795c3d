// A real death of the archive process before its commit: the child process
// ends with _exit in the middle of the run, so no destructor and no rollback
// of ours runs; what SQLite finds at the next open must be no row, and every
// history file must still be there.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "archive/archive_run.h"
#include "archive/table_tessaryn.h"
#include "base/file_utils.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ScratchDir;
using test::WriteBytes;

// Dies on the nth open of a history text for reading.
class DyingFileSystem : public FileSystem {
 public:
  DyingFileSystem(FileSystem& inner, int dieAt) : inner_(inner), dieAt_(dieAt) {}
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode == OpenMode::kRead && path.size() > 4 && path.compare(path.size() - 4, 4, ".spt") == 0 &&
        ++reads_ == dieAt_) {
      _exit(42);
    }
    return inner_.Open(path, mode);
  }
  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return inner_.IsDirectory(path); }
  bool MakeDirectory(const std::string& path) override { return inner_.MakeDirectory(path); }
  bool ListDirectory(const std::string& directory, std::vector<std::string>& names) override {
    return inner_.ListDirectory(directory, names);
  }
  bool Rename(const std::string& from, const std::string& to) override { return inner_.Rename(from, to); }
  bool Remove(const std::string& path) override { return inner_.Remove(path); }

 private:
  FileSystem& inner_;
  int dieAt_;
  int reads_ = 0;
};

TEST(ArchiveKill, AProcessKilledBeforeItsCommitLeavesEveryFileAndNoRow) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  ArchiveSettings settings;
  settings.historyDirectory = dir.path() + "CPasteClipboard\\";
  settings.databasePath = dir.path() + "tessaryn.mdb";
  CreateDirectoryPath(fs, settings.historyDirectory);
  // Enough rows that SQLite writes pages of the open transaction to the WAL
  // before the commit.
  constexpr int kTexts = 300;
  for (int i = 0; i < kTexts; ++i) {
    WriteBytes(settings.historyDirectory + "2024011400" + std::to_string(100000 + i) + ".spt",
               std::string(3000, static_cast<char>('a' + i % 26)));
  }
  ASSERT_EQ(CreateEmptyDatabase(fs, settings.databasePath), 0);

  pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    DyingFileSystem dying(fs, kTexts);
    ArchiveOldHistory(dying, settings, "202401151230");
    _exit(0);  // not reached when the run dies as it should
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 42) << "the child must die inside the run, at the last text";

  CTextList left;
  ListFiles(fs, settings.historyDirectory, left);
  EXPECT_EQ(left.GetSize(), kTexts);
  CTableTessaryn table;
  ASSERT_EQ(OpenHistoryTable(fs, table, settings.databasePath, "SELECT * FROM tessaryn"), 0);
  EXPECT_TRUE(table.IsEOF()) << "no row of the dead run";
  CloseHistoryTable(table);

  ArchiveReport report;
  ASSERT_EQ(ArchiveOldHistory(fs, settings, "202401151230", &report), 1);
  EXPECT_EQ(report.textsStored, kTexts);
  EXPECT_EQ(report.textsDeleted, kTexts);
}

}  // namespace
}  // namespace kelvarion
