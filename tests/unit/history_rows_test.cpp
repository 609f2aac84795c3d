#include "history/history_rows.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "base/strings.h"
#include "clip/clipboard_file.h"
#include "clip/format_list.h"
#include "platform/memory/memory_clipboard.h"
#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ScratchDir;
using test::WriteBytes;

constexpr char kExe[] = "C:\\程序\\Kelvarion.exe";

// --- the row store ----------------------------------------------------------

std::vector<std::string> FileNamesTopDown(const CHistoryRows& rows) {
  std::vector<std::string> names;
  for (int i = 0; i < rows.GetCount(); ++i) names.push_back(rows.GetRowFileName(i));
  return names;
}

HistoryRow Row(const std::string& name, int type = 0) {
  HistoryRow row;
  row.SetFileName(name);
  row.type = type;
  return row;
}

TEST(HistoryRows, NewestOnTopAndSafeOutOfRange) {
  CHistoryRows rows;
  EXPECT_EQ(rows.At(0), nullptr) << "an empty list has no row 0";
  EXPECT_EQ(rows.AddAtTop(Row("a", 5)), 0);
  EXPECT_EQ(rows.AddAtTop(Row("b", 6)), 0);
  EXPECT_EQ(rows.AddAtTop(Row("c", 5)), 0);
  ASSERT_EQ(rows.GetCount(), 3);
  EXPECT_EQ(rows.GetRowFileName(0), "c") << "the last added row is the top";
  EXPECT_EQ(rows.GetRowFileName(2), "a") << "the first added row is the bottom";
  EXPECT_EQ(rows.GetRowFileName(-1), "");
  EXPECT_EQ(rows.GetRowFileName(3), "");
  EXPECT_EQ(rows.At(3), nullptr);
  EXPECT_EQ(rows.At(-1), nullptr);

  EXPECT_EQ(rows.FindType(5), 0);
  EXPECT_EQ(rows.FindType(5, 1), 2) << "the search starts at the given row";
  EXPECT_EQ(rows.FindType(6), 1);
  EXPECT_EQ(rows.FindType(7), -1);
  EXPECT_EQ(rows.FindType(5, 3), -1);

  rows.Remove(1);
  ASSERT_EQ(rows.GetCount(), 2);
  EXPECT_EQ(rows.GetRowFileName(0), "c");
  EXPECT_EQ(rows.GetRowFileName(1), "a") << "removing the middle row keeps the others in order";
  rows.Remove(5);
  rows.Remove(-1);
  EXPECT_EQ(rows.GetCount(), 2) << "removing a row out of range changes nothing";
}

TEST(HistoryRows, ARowIsFoundAgainByItsFileAfterRowsLandOnTop) {
  CHistoryRows rows;
  rows.AddAtTop(Row("2024010100000000.spt"));
  rows.AddAtTop(Row("2024010100000001.cbf"));
  rows.AddAtTop(Row("2024010100000002.spt"));
  const std::string clicked = rows.GetRowFileName(1);
  rows.AddAtTop(Row("2024010100000003.spt"));  // a capture while a menu was open
  EXPECT_EQ(rows.FindFileName(clicked), 2) << "the row moved down by the new one";
  EXPECT_EQ(rows.FindFileName("2024010100000003.spt"), 0);
  EXPECT_EQ(rows.FindFileName("2024010100000000.spt"), 3);
  rows.Remove(2);
  EXPECT_EQ(rows.FindFileName(clicked), -1) << "a row deleted meanwhile is not found";
  EXPECT_EQ(rows.FindFileName(""), -1);
}

TEST(HistoryRows, UnresolvedAndUnreadableRowsNeverMatchAType) {
  // Rows not yet looked at carry type 0 until their file is read, the number
  // of the first format set: changing that set's icon must not touch them.
  CHistoryRows rows;
  HistoryRow unresolved = Row("2024010100000000.cbf", 0);
  unresolved.resolved = false;
  HistoryRow unreadable = Row("2024010100000001.cbf", 0);
  unreadable.unreadable = true;
  rows.AddAtTop(unresolved);
  rows.AddAtTop(Row("2024010100000002.cbf", 0));
  rows.AddAtTop(unreadable);
  rows.AddAtTop(unresolved);
  EXPECT_EQ(rows.FindType(0), 2) << "only the resolved row of set 0 matches";
  EXPECT_EQ(rows.FindType(0, 3), -1);
}

TEST(HistoryRows, UnreadableRowsAreTakenOut) {
  CHistoryRows rows;
  for (int i = 0; i < 5; ++i) {
    HistoryRow row = Row("2024010100000000." + std::to_string(i));
    row.unreadable = i % 2 == 0;
    rows.AddAtTop(row);
  }
  EXPECT_EQ(rows.RemoveUnreadable(), 3);
  EXPECT_EQ(FileNamesTopDown(rows), (std::vector<std::string>{"2024010100000000.3", "2024010100000000.1"}));
  EXPECT_EQ(rows.RemoveUnreadable(), 0);
}

// --- filling from the directory ---------------------------------------------

TEST(FillHistoryRows, NewestOnTopWhateverTheListingOrderAndOnlyHistoryFiles) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  // Created out of order, with neighbours that are not history files; the
  // stray names are stamped long before the cut-off, so counting them would
  // also raise the old-history flag.
  for (const char* name : {"2024030100000000.cbf", "2024010100000000.spt", "2024050100000000.jpg",
                           "2024020100000000.bmp", "2024040100000000.gif", "20000101000000001.spt",
                           "2000010100000000.SPT", "2000010100000000.txt", "FormatList.ini", "~2000010100000000.spt.tmp"}) {
    WriteBytes(dir.path() + name, "x");
  }
  ASSERT_TRUE(fs.MakeDirectory(dir.path() + "backup"));

  CHistoryRows rows;
  HistoryFill fill = FillHistoryRows(fs, dir.path(), "2000010100000000", rows);
  EXPECT_EQ(FileNamesTopDown(rows),
            (std::vector<std::string>{"2024050100000000.jpg", "2024040100000000.gif", "2024030100000000.cbf",
                                      "2024020100000000.bmp", "2024010100000000.spt"}))
      << "rows must be the history files, newest on top";
  EXPECT_FALSE(fill.oldHistory) << "names that are not history files must not count as old history";
  EXPECT_EQ(fill.lastText, "") << "the top row is not a text file";
  for (int i = 0; i < rows.GetCount(); ++i) {
    EXPECT_FALSE(rows.At(i)->resolved) << "row " << i << " should be left for the first look";
  }
}

TEST(FillHistoryRows, FilesBeforeTheCutOffAreOldAndGetNoRow) {
  ScratchDir dir;
  for (const char* name : {"2024010100000000.spt", "2024010212304499.spt", "2024010212304500.cbf",
                           "2024010212304501.spt", "2024123100000000.bmp"}) {
    WriteBytes(dir.path() + name, "x");
  }
  CHistoryRows rows;
  HistoryFill fill = FillHistoryRows(HostFileSystem(), dir.path(), "2024010212304500", rows);
  EXPECT_TRUE(fill.oldHistory);
  EXPECT_EQ(FileNamesTopDown(rows),
            (std::vector<std::string>{"2024123100000000.bmp", "2024010212304501.spt", "2024010212304500.cbf"}))
      << "a file stamped exactly at the cut-off is shown, anything earlier is not";
}

// The names a new capture must not take: every history file listed, shown
// or old, whatever its kind; nothing else.
TEST(FillHistoryRows, EveryListedHistoryFileIsAKnownStamp) {
  ScratchDir dir;
  for (const char* name : {"2024010100000000.spt", "2024010212304500.cbf", "2024123100000000.bmp",
                           "2024123100000001.txt", "~2024123100000002.spt.tmp"}) {
    WriteBytes(dir.path() + name, "x");
  }
  CHistoryRows rows;
  CHistoryStamps stamps;
  FillHistoryRows(HostFileSystem(), dir.path(), "2024010212304500", rows, &stamps);
  struct Case {
    const char* stamp;
    bool known;
  };
  for (const Case& c : {Case{"2024010100000000", true}, Case{"2024010212304500", true}, Case{"2024123100000000", true},
                        Case{"2024123100000001", false}, Case{"2024123100000002", false},
                        Case{"2024010100000001", false}}) {
    EXPECT_EQ(stamps.Has(c.stamp), c.known) << c.stamp;
  }
}

TEST(FillHistoryRows, NoDaysKeptMakesEverythingStampedBeforeNowOld) {
  ScratchDir dir;
  std::time_t now = std::time(nullptr);
  WriteBytes(dir.path() + MakeTimeStampName(now - 3600, 0) + ".spt", "an hour ago");
  WriteBytes(dir.path() + MakeTimeStampName(now - 1, 990) + ".cbf", "a second ago");
  CHistoryRows rows;
  HistoryFill fill = FillHistoryRows(HostFileSystem(), dir.path(), MakeCutOffStamp({now, 0}, 0), rows);
  EXPECT_TRUE(fill.oldHistory) << "with 0 days everything before the present moment is old";
  EXPECT_EQ(rows.GetCount(), 0) << "no row is shown";
  EXPECT_EQ(fill.lastText, "");

  HistoryFill oneDay = FillHistoryRows(HostFileSystem(), dir.path(), MakeCutOffStamp({now, 0}, 1), rows);
  EXPECT_FALSE(oneDay.oldHistory) << "with one day kept, an hour-old file is not old";
  EXPECT_EQ(rows.GetCount(), 2);
}

TEST(FillHistoryRows, CutOffIsDaysBeforeNowWithNowsMilliseconds) {
  std::time_t now = std::time(nullptr);
  EXPECT_EQ(MakeCutOffStamp({now, 456}, 3), MakeTimeStampName(now - 3 * 86400, 456));
  EXPECT_EQ(MakeCutOffStamp({now, 456}, 0), MakeTimeStampName(now, 456));
}

TEST(FillHistoryRows, LastTextIsTheWholeNewestTextFile) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  // Sizes around the 32768-byte pieces the file is read in.
  for (std::size_t size : {std::size_t{1}, std::size_t{32767}, std::size_t{32768}, std::size_t{65536},
                           std::size_t{100000}}) {
    std::string text = size >= 4 ? "板\r\n" : "";
    while (text.size() < size) text += static_cast<char>('a' + text.size() % 26);
    WriteBytes(dir.path() + "2024010100000000.spt", "older");
    WriteBytes(dir.path() + "2024010200000000.spt", text);
    CHistoryRows rows;
    HistoryFill fill = FillHistoryRows(fs, dir.path(), "", rows);
    EXPECT_EQ(fill.lastText.size(), size) << "last text of a " << size << "-byte file";
    EXPECT_TRUE(fill.lastText == text) << "last text differs from the " << size << "-byte file";
  }
}

// The repeat check compares characters: a newest file another program saved
// as UTF-8 with the mark counts as the text the program would have kept.
TEST(FillHistoryRows, LastTextOfAUtf8FileIsTheFormACaptureWouldKeep) {
  ScratchDir dir;
  struct Case {
    std::string file, lastText;
  };
  const std::string mark = "\xEF\xBB\xBF";
  const Case cases[] = {
      {mark + std::string(reinterpret_cast<const char*>(u8"记事本 notepad")), "记事本 notepad"},
      {mark + std::string(reinterpret_cast<const char*>(u8"한국어")),
       mark + std::string(reinterpret_cast<const char*>(u8"한국어"))},
      {"\xEF\xBB\xBF\xAA", "\xEF\xBB\xBF\xAA"},
  };
  for (const Case& c : cases) {
    WriteBytes(dir.path() + "2024010200000000.spt", c.file);
    CHistoryRows rows;
    EXPECT_EQ(FillHistoryRows(HostFileSystem(), dir.path(), "", rows).lastText, c.lastText);
  }
}

TEST(FillHistoryRows, ANewestTextPastTheBoundIsNotRead) {
  MemoryFileSystem fs;
  const std::string dir = "C:\\h\\";
  fs.MakeDirectory("C:\\h");
  for (std::size_t size : {std::size_t{16} << 20, (std::size_t{16} << 20) + 1, std::size_t{64} << 20}) {
    fs.PutFile(dir + "2024010200000000.spt", std::string(size, 'x'));
    CHistoryRows rows;
    HistoryFill fill = FillHistoryRows(fs, dir, "", rows);
    EXPECT_EQ(fill.lastText.size(), size <= (std::size_t{16} << 20) ? size : 0) << "newest text of " << size << " bytes";
    EXPECT_EQ(rows.GetCount(), 1) << "its row is there all the same";
  }
}

TEST(FillHistoryRows, UnreadableDirectoryGivesNothing) {
  ScratchDir dir;
  CHistoryRows rows;
  HistoryFill fill = FillHistoryRows(HostFileSystem(), dir.path() + "missing\\", "", rows);
  EXPECT_EQ(rows.GetCount(), 0);
  EXPECT_FALSE(fill.oldHistory);
}

// --- resolving rows ---------------------------------------------------------

class ResolveHistoryRowTest : public ::testing::Test {
 protected:
  ResolveHistoryRowTest() : formats(HostFileSystem(), kExe, dir.path()) { formats.LoadFormatList(); }

  // A clipboard file holding text and one registered format, with the memo.
  void WriteClipboardFileWith(const std::string& name, const std::string& memo, const std::string& formatName) {
    MemoryClipboard clipboard;
    clipboard.PutText(1, "text");
    clipboard.Put(clipboard.RegisterFormat(formatName), {1, 2, 3});
    ASSERT_GE(WriteClipboardFile(clipboard, HostFileSystem(), dir.path() + name, 0, memo), 0)
        << "could not write the clipboard file " << name;
  }

  HistoryRow Resolve(const std::string& name, bool expectOk = true) {
    HistoryRow row;
    row.SetFileName(name);
    row.resolved = false;
    EXPECT_EQ(ResolveHistoryRow(HostFileSystem(), dir.path(), kExe, formats, row), expectOk) << name;
    return row;
  }

  ScratchDir dir;
  CFormatListTable formats;
};

TEST_F(ResolveHistoryRowTest, TextAndImageRowsTakeTheExecutablesIcons) {
  WriteBytes(dir.path() + "2024010100000000.spt", "第一行\r\n第二行");
  struct Case {
    const char* name;
    std::string text;
    int icon;
    int type;
  };
  const Case cases[] = {
      {"2024010100000000.spt", "第一行 第二行", 2, 0},
      {"2024010100000001.spt", "", 2, 0},  // missing: still a text row, empty
      {"2024010100000002.bmp", "2024010100000002.bmp", 4, -1},
      {"2024010100000003.gif", "2024010100000003.gif", 8, -1},
      {"2024010100000004.jpg", "2024010100000004.jpg", 9, -1},
  };
  for (const Case& c : cases) {
    HistoryRow row = Resolve(c.name);
    EXPECT_TRUE(row.resolved) << c.name;
    EXPECT_EQ(row.Text(), c.text) << "text of " << c.name;
    EXPECT_EQ(row.IconFile(), kExe) << "icon file of " << c.name;
    EXPECT_EQ(row.iconIndex, c.icon) << "icon index of " << c.name;
    EXPECT_EQ(row.type, c.type) << "type of " << c.name;
  }
}

TEST_F(ResolveHistoryRowTest, ClipboardFileShowsItsMemoAndGetsAFormatSet) {
  WriteClipboardFileWith("2024010100000000.cbf", "记事本 - 说明", "Kelvarion Test Format");
  WriteClipboardFileWith("2024010100000001.cbf", "another", "Kelvarion Test Format");
  const std::string list = "Kelvarion Test Format,TEXT";

  HistoryRow first = Resolve("2024010100000000.cbf");
  EXPECT_EQ(first.Text(), "记事本 - 说明") << "the row shows the stored memo";
  EXPECT_EQ(first.IconFile(), kExe) << "a new format set takes the executable's icon";
  EXPECT_EQ(first.iconIndex, 1) << "a new format set takes icon 1";
  std::string iconFile;
  int iconIndex = -1;
  EXPECT_EQ(formats.FindFormatList(list, iconFile, iconIndex), first.type)
      << "the sorted format names must have been added to the table, and the type is their position";

  HistoryRow second = Resolve("2024010100000001.cbf");
  EXPECT_EQ(second.type, first.type) << "the same format set must give the same type";
}

TEST_F(ResolveHistoryRowTest, AMemoOfSeveralLinesShowsOnOneAndIsKeptWhole) {
  WriteClipboardFileWith("2024010100000000.cbf", "x\r\n9", "Kelvarion Test Format");
  WriteClipboardFileWith("2024010100000001.cbf", "会议\r\n\t纪要  第二行", "Kelvarion Test Format");
  HistoryRow row = Resolve("2024010100000000.cbf");
  EXPECT_EQ(ShownRowText(row), "x 9") << "the row shows the memo on one line";
  EXPECT_EQ(row.Text(), "x\r\n9") << "the row holds the memo as stored, which goes back with the clipboard";
  EXPECT_EQ(ShownRowText(Resolve("2024010100000001.cbf")), "会议 纪要 第二行");

  HistoryRow text;
  text.SetFileName("2024010100000002.spt");
  text.SetText("a\nb");
  EXPECT_EQ(ShownRowText(text), "a\nb") << "a text row shows its preview as it was made";
}

TEST_F(ResolveHistoryRowTest, KnownFormatSetGivesItsStoredIcon) {
  int position = formats.AddFormatList("Kelvarion Test Format,TEXT", "C:\\图标\\icons.dll", 7);
  WriteClipboardFileWith("2024010100000000.cbf", "memo", "Kelvarion Test Format");
  HistoryRow row = Resolve("2024010100000000.cbf");
  EXPECT_EQ(row.type, position);
  EXPECT_EQ(row.IconFile(), "c:\\图标\\icons.dll") << "the table keeps icon files lower-cased";
  EXPECT_EQ(row.iconIndex, 7);
}

TEST_F(ResolveHistoryRowTest, UnreadableClipboardFileIsRefused) {
  WriteBytes(dir.path() + "2024010100000001.cbf", "not a clipboard file");
  WriteBytes(dir.path() + "2024010100000002.cbf", "");
  int before = formats.GetSize();
  for (const char* name : {"2024010100000000.cbf", "2024010100000001.cbf", "2024010100000002.cbf"}) {
    HistoryRow row = Resolve(name, false);
    EXPECT_FALSE(row.resolved) << name << " must stay unresolved";
    EXPECT_TRUE(row.unreadable) << name << " must be marked for removal";
  }
  EXPECT_EQ(formats.GetSize(), before) << "a refused file must not add a format set";
  Resolve("2024010100000000.txt", false);
}

}  // namespace
}  // namespace kelvarion
