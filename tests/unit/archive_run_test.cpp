// Archive mode on a real history directory: which files are old, what the
// rows hold, and that no text is lost whatever fails on the way.
#include "archive/archive_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "archive/archive_database.h"
#include "archive/archive_search.h"
#include "archive/archive_text.h"
#include "archive/table_tessaryn.h"
#include "base/codepage.h"
#include "base/file_utils.h"
#include "base/history_text.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The host's files, with hooks that make opens or deletes fail.
class HookedFileSystem : public FileSystem {
 public:
  explicit HookedFileSystem(FileSystem& inner) : inner_(inner) {}
  std::function<void(const std::string&, OpenMode)> onOpen;
  std::set<std::string> failRemove;  // file names (no path) whose delete fails

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (onOpen) onOpen(path, mode);
    return inner_.Open(path, mode);
  }
  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return inner_.IsDirectory(path); }
  bool MakeDirectory(const std::string& path) override { return inner_.MakeDirectory(path); }
  bool ListDirectory(const std::string& directory, std::vector<std::string>& names) override {
    return inner_.ListDirectory(directory, names);
  }
  bool Rename(const std::string& from, const std::string& to) override { return inner_.Rename(from, to); }
  bool Remove(const std::string& path) override {
    if (failRemove.count(FileNamePart(path))) return false;
    return inner_.Remove(path);
  }

 private:
  FileSystem& inner_;
};

struct Row {
  std::string filename, filememo;
  int filelen;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << "{" << r.filename << ", " << r.filememo.size() << " bytes, " << r.filelen << "}";
}

std::vector<Row> Rows(const std::string& databasePath) {
  std::vector<Row> rows;
  CTableTessaryn table;
  EXPECT_EQ(OpenHistoryTable(HostFileSystem(), table, databasePath, "SELECT * FROM tessaryn ORDER BY filename, rowid"), 0);
  while (!table.IsEOF()) {
    rows.push_back(Row{table.m_filename, table.m_filememo, table.m_filelen});
    table.MoveNext();
  }
  return rows;
}

class ArchiveRun : public ::testing::Test {
 protected:
  void SetUp() override {
    history_ = dir_.path() + "CPasteClipboard\\";
    CreateDirectoryPath(fs_, history_);
    settings_.historyDirectory = history_;
    settings_.databasePath = dir_.path() + "tessaryn.mdb";
  }
  void Put(const std::string& name, const std::string& bytes) { WriteBytes(history_ + name, bytes); }
  bool Has(const std::string& name) { return fs_.Exists(history_ + name); }

  ScratchDir dir_;
  FileSystem& fs_ = HostFileSystem();
  std::string history_;
  ArchiveSettings settings_;
  static constexpr const char* kCutOff = "202401151230";
};

TEST_F(ArchiveRun, OldTextsBecomeRowsAndTheCutOffMinuteStays) {
  Put("2024011412000000.spt", "北京的冬天");                                  // a day older
  Put("2024011512295999.spt", "abc");                                         // the minute before
  Put("2024011512300000.spt", "kept: the cut-off minute itself");
  Put("2024011512305999.spt", "kept too");
  Put("2024011612000000.spt", "kept: newer");
  Put("2024011412000001.spt", "\xEF\xBB\xBF" + U8(u8"emoji 😀 and 北京"));  // UTF-8 behind its mark
  Put("notes.spt", "not a history name");
  Put("20240114120000xx.spt", "no stamp");
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff), 1);

  std::vector<Row> rows = Rows(settings_.databasePath);
  std::vector<Row> expected = {
      {"2024011412000000", U8(u8"北京的冬天"), 10},
      {"2024011412000001", U8(u8"emoji 😀 and 北京"), 17},
      {"2024011512295999", "abc", 3},
  };
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.filename < b.filename; });
  EXPECT_EQ(rows, expected) << "UTF-8 in the table; lengths count ASCII one, any other character two";
  EXPECT_FALSE(Has("2024011412000000.spt"));
  EXPECT_FALSE(Has("2024011512295999.spt"));
  for (const char* kept : {"2024011512300000.spt", "2024011512305999.spt", "2024011612000000.spt", "notes.spt",
                           "20240114120000xx.spt"}) {
    EXPECT_TRUE(Has(kept)) << kept;
  }
  EXPECT_FALSE(fs_.Exists(history_ + "LargeFile")) << "no text was long enough for a copy";
}

TEST_F(ArchiveRun, TextsPastTheLimitAreCutWithTheirWholeFileKept) {
  const std::string exact(32768, 'a');
  const std::string over(32769, 'b');
  // A double-byte character across the limit: the cut falls before it.
  const std::string straddle = std::string(32767, 'c') + "京" + "tail";
  Put("2024011400000001.spt", exact);
  Put("2024011400000002.spt", over);
  Put("2024011400000003.spt", straddle);
  ArchiveReport report;
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsStored, 3);
  EXPECT_EQ(report.largeFiles, 2);

  std::vector<Row> rows = Rows(settings_.databasePath);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (Row{"2024011400000001", exact, 32768}));
  EXPECT_EQ(rows[1], (Row{"2024011400000002", over.substr(0, 32768), 32768}));
  EXPECT_EQ(rows[2], (Row{"2024011400000003", straddle.substr(0, 32767), 32767}));
  EXPECT_FALSE(fs_.Exists(history_ + "LargeFile\\2024011400000001.spt"));
  EXPECT_EQ(ReadBytes(history_ + "LargeFile\\2024011400000002.spt"), over);
  EXPECT_EQ(ReadBytes(history_ + "LargeFile\\2024011400000003.spt"), straddle);
  EXPECT_FALSE(Has("2024011400000002.spt"));
}

TEST_F(ArchiveRun, BytesTheTableCannotHoldAreKeptAsAFile) {
  // A lead byte without its trail byte is no character of code page 936.
  const std::string odd = "abc\x81 def";
  Put("2024011400000001.spt", odd);
  ArchiveReport report;
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsStored, 1);
  EXPECT_EQ(ReadBytes(history_ + "LargeFile\\2024011400000001.spt"), odd) << "the original bytes are not lost";
}

TEST_F(ArchiveRun, WithBackupOffOldTextsAreDeletedAndNoDatabaseIsTouched) {
  settings_.backup = false;
  Put("2024011400000000.spt", "old");
  Put("2024011600000000.spt", "new");
  ArchiveReport report;
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsDeleted, 1);
  EXPECT_FALSE(Has("2024011400000000.spt"));
  EXPECT_TRUE(Has("2024011600000000.spt"));
  EXPECT_FALSE(fs_.Exists(settings_.databasePath));
}

TEST_F(ArchiveRun, OldImagesMoveIntoBackupOrAreDeleted) {
  const char* old[] = {"2024011400000000.gif", "2024011400000000.cbf", "2024011400000000.bmp", "2024011400000000.jpg"};
  const char* longName = "20240114000000000.gif";  // 17 digits: no history file
  for (bool move : {true, false}) {
    SCOPED_TRACE(move ? "BackupM on" : "BackupM off");
    settings_.backupMove = move;
    for (const char* name : old) Put(name, name);
    Put(longName, "x");
    Put("2024011600000000.gif", "new");
    ArchiveReport report;
    ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
    for (const char* name : old) {
      EXPECT_FALSE(Has(name)) << name;
      if (move) {
        EXPECT_EQ(ReadBytes(history_ + "backup\\" + name), name);
      }
    }
    EXPECT_EQ(report.filesMoved, move ? 4 : 0);
    EXPECT_EQ(report.filesDeleted, move ? 0 : 4);
    EXPECT_TRUE(Has(longName)) << "a 21-character name is left alone";
    EXPECT_TRUE(Has("2024011600000000.gif"));
    EXPECT_FALSE(fs_.Exists(settings_.databasePath)) << "no text: no database";
  }
}

TEST_F(ArchiveRun, ADatabaseInADirectoryThatDoesNotExistIsCreated) {
  settings_.databasePath = dir_.path() + "no\\such\\directory\\tessaryn.mdb";
  Put("2024011400000000.spt", "stored");
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff), 1);
  EXPECT_EQ(Rows(settings_.databasePath), (std::vector<Row>{{"2024011400000000", "stored", 6}}));
  EXPECT_FALSE(Has("2024011400000000.spt"));
}

TEST_F(ArchiveRun, ARunThatDiesBeforeItsCommitLeavesEveryFileAndNoRow) {
  for (int i = 0; i < 5; ++i) Put("202401140000000" + std::to_string(i) + ".spt", "text " + std::to_string(i));
  Put("2024011400000000.gif", "image");
  Put("2024011400000009.spt", std::string(40000, 'L'));  // writes its LargeFile copy before it dies
  ASSERT_EQ(CreateEmptyDatabase(fs_, settings_.databasePath), 0);

  // The process dies while it reads the last old text: every row of the run is
  // in the open transaction, nothing is committed.
  struct Death {};
  HookedFileSystem dying(fs_);
  int textReads = 0;
  dying.onOpen = [&](const std::string& path, OpenMode mode) {
    if (mode == OpenMode::kRead && path.size() > 4 && path.substr(path.size() - 4) == ".spt" &&
        path.find("LargeFile") == std::string::npos && ++textReads == 6) {
      throw Death{};
    }
  };
  EXPECT_THROW(ArchiveOldHistory(dying, settings_, kCutOff), Death);
  ASSERT_EQ(textReads, 6);

  for (int i = 0; i < 5; ++i) EXPECT_TRUE(Has("202401140000000" + std::to_string(i) + ".spt")) << i;
  EXPECT_TRUE(Has("2024011400000009.spt"));
  EXPECT_TRUE(Has("2024011400000000.gif")) << "images wait for the texts' commit";
  EXPECT_TRUE(Rows(settings_.databasePath).empty());

  // The next run stores everything once.
  ArchiveReport report;
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsStored, 6);
  EXPECT_EQ(Rows(settings_.databasePath).size(), 6u);
}

TEST_F(ArchiveRun, AFileWhoseDeleteFailedGivesNoSecondRow) {
  Put("2024011400000001.spt", "first");
  Put("2024011400000002.spt", "second");
  HookedFileSystem stubborn(fs_);
  stubborn.failRemove = {"2024011400000001.spt"};
  ArchiveReport report;
  ASSERT_EQ(ArchiveOldHistory(stubborn, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsStored, 2);
  EXPECT_EQ(report.textsLeft, 1);
  EXPECT_TRUE(Has("2024011400000001.spt"));

  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsStored, 0);
  EXPECT_EQ(report.textsKnown, 1);
  EXPECT_FALSE(Has("2024011400000001.spt"));
  EXPECT_EQ(Rows(settings_.databasePath).size(), 2u);

  // The same name with another text (the clock set back) is another item.
  Put("2024011400000001.spt", "different");
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), 1);
  EXPECT_EQ(report.textsStored, 1);
  EXPECT_EQ(Rows(settings_.databasePath).size(), 3u);
}

TEST_F(ArchiveRun, AFileThatIsNoArchiveIsLeftAloneAndTheTextsStay) {
  // An Access database of an earlier installation under the same name.
  const std::string jet = std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) + std::string(4000, '\x11');
  WriteBytes(settings_.databasePath, jet);
  Put("2024011400000000.spt", "stays");
  Put("2024011400000000.gif", "image");
  ArchiveReport report;
  EXPECT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff, &report), kArchiveNoDatabase);
  EXPECT_EQ(report.databaseError, CArchiveDatabase::kNotArchive);
  EXPECT_TRUE(Has("2024011400000000.spt"));
  EXPECT_EQ(ReadBytes(settings_.databasePath), jet);
  EXPECT_FALSE(Has("2024011400000000.gif")) << "images do not depend on the database";
}

TEST_F(ArchiveRun, ABadCutOffDoesNothing) {
  Put("2024011400000000.spt", "old");
  for (const char* cut : {"", "2024x1151230", "20240115123000001"}) {
    EXPECT_EQ(ArchiveOldHistory(fs_, settings_, cut), kArchiveBadCutOff) << cut;
  }
  EXPECT_TRUE(Has("2024011400000000.spt"));
}

TEST_F(ArchiveRun, RowsOfTheRunAreFoundThroughTheIndex) {
  Put("2024011400000000.spt", "北京欢迎你");
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff), 1);
  CArchiveDatabase db;
  ASSERT_EQ(db.Open(fs_, settings_.databasePath, CArchiveDatabase::OpenMode::kExisting), 0);
  EXPECT_TRUE(db.IsIndexComplete()) << "the rows went into the index in their transaction";
}

// A text the capture kept as UTF-8 comes back from the archive's search with
// every character, and one it kept as code page 936 as the same characters.
TEST_F(ArchiveRun, CapturedTextsComeBackExactlyFromTheSearch) {
  const std::u16string texts[] = {u"你好 😀 한국어 ∑", u"你好，北京"};
  Put("2024011400000000.spt", MakeHistoryText(texts[0]));
  Put("2024011400000001.spt", MakeHistoryText(texts[1]));
  ASSERT_EQ(ArchiveOldHistory(fs_, settings_, kCutOff), 1);
  CArchiveDatabase db;
  ASSERT_EQ(db.Open(fs_, settings_.databasePath, CArchiveDatabase::OpenMode::kExisting), 0);
  SearchResult found;
  ASSERT_EQ(FindArchivedRows(db, SearchWordsFromText("你好"), found), 0);
  ASSERT_EQ(found.rowids.size(), 2u) << "both texts hold the word";
  std::vector<std::string> memos;
  for (std::int64_t rowid : found.rowids) {
    std::string memo;
    ASSERT_EQ(db.ReadMemo(rowid, memo), 0);
    memos.push_back(memo);
  }
  std::sort(memos.begin(), memos.end());
  std::vector<std::string> expected = {Utf16ToUtf8(texts[0]), Utf16ToUtf8(texts[1])};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(memos, expected);
  EXPECT_FALSE(fs_.Exists(history_ + "LargeFile")) << "nothing was lost, so no copy was needed";
}

TEST(ArchiveText, UnicodeTextsAndCutsOnCharacterBoundaries) {
  // UTF-8 only with its mark and valid after it; the mark is not stored.
  const std::string wide = U8(u8"é😀");
  ArchiveText t = MakeArchiveText("\xEF\xBB\xBF" + wide);
  EXPECT_EQ(t.filememo, wide);
  EXPECT_EQ(t.filelen, 4);
  EXPECT_FALSE(t.lossy);
  t = MakeArchiveText("\xEF\xBB\xBF\xC3");  // the mark but no valid UTF-8: code page 936
  EXPECT_EQ(t.filelen, 4);
  // A UTF-8 text cut at the limit: whole characters only.
  t = MakeArchiveText("\xEF\xBB\xBF" + std::string(32767, 'a') + wide.substr(0, 2));
  EXPECT_TRUE(t.cut);
  EXPECT_EQ(t.filelen, 32767);
  EXPECT_EQ(t.filememo, std::string(32767, 'a'));
  // A zero byte ends its block's part of the text, as everywhere in the program.
  t = MakeArchiveText(std::string("ab\0cd", 5));
  EXPECT_EQ(t.filememo, "ab");
  EXPECT_TRUE(t.lossy);
}

TEST(ArchiveDatabase, OpenAndCreate) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  CArchiveDatabase db;
  EXPECT_EQ(db.Open(fs, dir.path() + "missing.db", CArchiveDatabase::OpenMode::kExisting), CArchiveDatabase::kMissing);
  EXPECT_FALSE(fs.Exists(dir.path() + "missing.db")) << "a search does not create the file";
  ASSERT_EQ(CreateEmptyDatabase(fs, dir.path() + "a\\b\\new.db"), 0);
  EXPECT_EQ(CreateEmptyDatabase(fs, dir.path() + "a\\b\\new.db"), -1) << "an existing database is never replaced";
  ASSERT_EQ(db.Open(fs, dir.path() + "a\\b\\new.db", CArchiveDatabase::OpenMode::kExisting), 0);
  EXPECT_EQ(db.connection().QueryInt64("SELECT count(*) FROM tessaryn", -1), 0);
  SqliteStatement mode;
  ASSERT_EQ(mode.Prepare(db.connection().get(), "PRAGMA journal_mode"), SQLITE_OK);
  ASSERT_EQ(mode.Step(), SQLITE_ROW);
  EXPECT_EQ(mode.ColumnText(0), "wal");
}

}  // namespace
}  // namespace kelvarion
