#include "clip/format_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dbcs.h"
#include "base/ini.h"
#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

const std::string kText = "LOCALE,OEMTEXT,TEXT,UNICODETEXT";
const std::string kFilesLong =
    "DataObject,FileName,FileNameW,HDROP,Ole Private Data,Preferred DropEffect,Shell IDList Array,Shell Object "
    "Offsets";
const std::string kFilesShort =
    "DataObject,FileName,FileNameW,HDROP,Ole Private Data,Preferred DropEffect,Shell IDList Array";
const std::string kBitmap = "BITMAP,DIB,MAX";
const std::string kMarker = "Kelvarion-marker-format";

// The four entries every start adds after the file, with their icons.
struct BuiltIn {
  std::string formatList;
  int iconIndex;
};
const std::vector<BuiltIn> kBuiltIns = {{kText, 2}, {kFilesLong, 3}, {kFilesShort, 3}, {kBitmap, 4}};

// The in-memory file system compares paths byte for byte where Windows
// ignores case, so the files the table must find stand at the lower-case
// paths the table keeps.
class FormatListTest : public ::testing::Test {
 protected:
  static constexpr char kLocal[] = "C:\\Users\\u\\Kelvarion\\";
  static constexpr char kExe[] = "C:\\Program Files\\Kelvarion\\Kelvarion.EXE";
  static constexpr char kExeLower[] = "c:\\program files\\kelvarion\\kelvarion.exe";
  static constexpr char kIcons[] = "c:\\icons\\set.dll";

  void SetUp() override {
    fs.PutFile(kExeLower, "MZ");
    fs.PutFile(kIcons, "MZ");
  }

  std::string IniFile() const { return std::string(kLocal) + "FormatList.ini"; }
  void PutIni(const std::string& body) { fs.PutFile(IniFile(), "[ICON]\r\n" + body); }
  std::vector<std::string> FileKeys() {
    CTextList keys;
    ReadIniSectionKeys(fs, IniFile(), "ICON", keys);
    return keys.Items();
  }
  std::string FileValue(const std::string& key) { return ReadIniStringRaw(fs, IniFile(), "ICON", key); }

  MemoryFileSystem fs;
  CFormatListTable table{fs, kExe, kLocal};
};

TEST_F(FormatListTest, FirstStartGivesFiveEntriesAndWritesTheFourBuiltIns) {
  table.LoadFormatList();
  ASSERT_EQ(table.GetSize(), 5) << "a first start must hold the empty list and the four built-ins";
  std::string file;
  int index = -1;
  EXPECT_EQ(table.GetFormatListIcon(0, file, index), 0);
  EXPECT_EQ(table.GetFormatList(0), "") << "the empty list is entry 0";
  EXPECT_EQ(file, kExeLower) << "the executable's path is kept in lower case";
  EXPECT_EQ(index, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(table.GetFormatList(i + 1), kBuiltIns[i].formatList) << "built-in at position " << i + 1;
    EXPECT_EQ(table.GetFormatListIcon(i + 1, file, index), i + 1);
    EXPECT_EQ(file, kExeLower) << "built-in " << i + 1;
    EXPECT_EQ(index, kBuiltIns[i].iconIndex) << "built-in " << i + 1;
  }

  ASSERT_TRUE(fs.HasFile(IniFile())) << "the built-ins are written at once, not only at exit";
  std::vector<std::string> expected;
  for (const BuiltIn& b : kBuiltIns) expected.push_back(b.formatList);
  EXPECT_EQ(FileKeys(), expected) << "the file holds the four non-empty built-ins in order, never the empty list";
  for (const BuiltIn& b : kBuiltIns) {
    EXPECT_EQ(FileValue(b.formatList), std::string(kExeLower) + "," + std::to_string(b.iconIndex)) << b.formatList;
  }

  table.LoadFormatList();
  EXPECT_EQ(table.GetSize(), 5) << "a second load must do nothing";
}

TEST_F(FormatListTest, ValuesSplitAtTheCommaBeforeTheIndex) {
  struct Case {
    std::string value;
    std::string iconFile;
    int iconIndex;
  };
  const std::vector<Case> cases = {
      {"c:\\icons\\a.ico,5", "c:\\icons\\a.ico", 5},
      {"C:\\Icons\\A.ICO,7", "c:\\icons\\a.ico", 7},
      {"c:\\icons\\bare.ico", "c:\\icons\\bare.ico", 0},
      {"c:\\foo, inc\\app.exe,3", "c:\\foo, inc\\app.exe", 3},
      // 監 is B1 4F: its trail byte is an "O" that lower-casing must not touch.
      {"C:\\監视\\Icons.DLL,2", "c:\\監视\\icons.dll", 2},
      // Read whole as the icon file, which is no path of a file: the program's own icon.
      {",c:\\icons\\comma-first.ico", kExeLower, 1},
  };
  for (const Case& c : cases) fs.PutFile(c.iconFile, "MZ");
  std::string body;
  for (std::size_t i = 0; i < cases.size(); ++i) body += "SET" + std::to_string(i) + "=" + cases[i].value + "\r\n";
  body += "EMPTY=\r\n";
  PutIni(body);

  table.LoadFormatList();
  ASSERT_EQ(table.GetSize(), static_cast<int>(1 + cases.size() + kBuiltIns.size()))
      << "each non-empty value is one entry, an empty value none";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const int position = static_cast<int>(i) + 1;
    std::string file;
    int index = -1;
    ASSERT_EQ(table.GetFormatListIcon(position, file, index), position);
    EXPECT_EQ(table.GetFormatList(position), "SET" + std::to_string(i)) << "the file's keys load in file order";
    EXPECT_EQ(file, cases[i].iconFile) << "icon file of value " << cases[i].value;
    EXPECT_EQ(index, cases[i].iconIndex) << "icon index of value " << cases[i].value;
  }
  std::string file;
  int index = -1;
  EXPECT_EQ(table.FindFormatList("EMPTY", file, index), -1) << "a key without a value makes no entry";
}

TEST_F(FormatListTest, BuiltInIconsReplaceStoredOnesAtTheNextStart) {
  PutIni(kBitmap + "=" + kIcons + ",9\r\nOTHER=" + kIcons + ",1\r\n" + kText + "=" + kIcons + ",8\r\n");
  table.LoadFormatList();

  ASSERT_EQ(table.GetSize(), 6) << "built-ins already in the file are not appended again";
  std::string file;
  int index = -1;
  EXPECT_EQ(table.FindFormatList(kBitmap, file, index), 1) << "a built-in keeps its place from the file";
  EXPECT_EQ(file, kExeLower);
  EXPECT_EQ(index, 4) << "the built-in icon replaces the stored one";
  EXPECT_EQ(table.FindFormatList(kText, file, index), 3);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(FileValue(kBitmap), std::string(kIcons) + ",9") << "replacing a built-in's icon writes nothing";

  table.SaveFormatList();
  EXPECT_EQ(FileValue(kBitmap), std::string(kExeLower) + ",4") << "at exit the built-in icon reaches the file";
  EXPECT_EQ(FileValue("OTHER"), std::string(kIcons) + ",1");
}

TEST_F(FormatListTest, AddingAnExistingListChangesItsIconInMemoryOnly) {
  table.LoadFormatList();
  const std::string before = fs.GetFile(IniFile());
  EXPECT_EQ(table.AddFormatList(kBitmap, "C:\\Icons\\Set.DLL", 6), 4) << "an exact match returns its position";
  std::string file;
  int index = -1;
  table.GetFormatListIcon(4, file, index);
  EXPECT_EQ(file, "C:\\Icons\\Set.DLL") << "an updated icon file is kept as given";
  EXPECT_EQ(index, 6);
  EXPECT_EQ(fs.GetFile(IniFile()), before) << "updating an entry must not write the file";
  EXPECT_EQ(table.GetSize(), 5);
}

TEST_F(FormatListTest, NewListsAreCleanedLowerCasedAndWrittenAtOnce) {
  struct Case {
    std::string formatList;
    std::string key;
  };
  const std::vector<Case> cases = {
      {"HTML Format,TEXT", "HTML Format,TEXT"},
      {kMarker + ",Rich Text Format", "Rich Text Format"},
      {"Csv," + kMarker + ",Link", "Csv,Link"},
      {"Csv,Link," + kMarker, "Csv,Link"},
      {",Csv,", "Csv"},
  };
  table.LoadFormatList();
  for (const Case& c : cases) {
    const int size = table.GetSize();
    EXPECT_EQ(table.AddFormatList(c.formatList, "C:\\Icons\\Set.DLL", 3), size) << c.formatList;
    EXPECT_EQ(table.GetFormatList(size), c.key) << "key cleaned from " << c.formatList;
    std::string file;
    int index = -1;
    table.GetFormatListIcon(size, file, index);
    EXPECT_EQ(file, kIcons) << "a new entry's icon file is lower-cased";
    EXPECT_EQ(FileValue(c.key), std::string(kIcons) + ",3") << "new entry written at once: " << c.formatList;
  }
}

TEST_F(FormatListTest, NothingIsWrittenForTheDefaultIconOrAnEmptyKey) {
  table.LoadFormatList();
  const std::string before = fs.GetFile(IniFile());
  const int size = table.GetSize();
  EXPECT_EQ(table.AddFormatList("Custom", kExe, 1), size) << "the default icon is still an entry";
  EXPECT_EQ(table.AddFormatList(kMarker, kIcons, 2), size + 1) << "a list of only the marker is still an entry";
  EXPECT_EQ(table.GetFormatList(size + 1), "");
  EXPECT_EQ(fs.GetFile(IniFile()), before) << "the default icon and an empty key are never written";
}

TEST_F(FormatListTest, AListCarryingTheMarkerNeverMatchesAndAppends) {
  table.LoadFormatList();
  const std::string restored = kBitmap + "," + kMarker;
  std::string file = "untouched";
  int index = -7;
  EXPECT_EQ(table.FindFormatList(restored, file, index), -1) << "the stored key has the marker removed";
  EXPECT_EQ(file, "untouched") << "a failed lookup leaves the outputs alone";
  EXPECT_EQ(index, -7);

  EXPECT_EQ(table.AddFormatList(restored, kIcons, 1), 5);
  EXPECT_EQ(table.AddFormatList(restored, kIcons, 2), 6) << "each capture of a restored state appends anew";
  EXPECT_EQ(table.FindFormatList(kBitmap, file, index), 4) << "the lookup finds the first entry of a key";
  EXPECT_EQ(index, 4);
  EXPECT_EQ(FileValue(kBitmap), std::string(kIcons) + ",2") << "the newest capture's icon is in the file";
}

TEST_F(FormatListTest, ASetTheFileCannotListHidesNoOtherSet) {
  // Format names come from any program. A key line beginning with "[" ends
  // the section for the key listing, one beginning with ";" is skipped: such
  // a set is not stored, and every set stored with it comes back.
  table.LoadFormatList();
  for (const std::string odd : {"[Odd Format", ";Odd Format"}) {
    table.AddFormatList(odd + ",TEXT", kIcons, 7);
    table.AddFormatList("After " + odd.substr(0, 1), kIcons, 8);
  }
  table.SaveFormatList();

  CFormatListTable next(fs, kExe, kLocal);
  next.LoadFormatList();
  for (const std::string after : {"After [", "After ;"}) {
    std::string file;
    int index = -1;
    EXPECT_GE(next.FindFormatList(after, file, index), 0) << "the set stored after the odd one is lost: " << after;
    EXPECT_EQ(index, 8) << after;
  }
  for (const std::string& key : FileKeys())
    EXPECT_TRUE(key.front() != '[' && key.front() != ';') << "a key the listing cannot show was written: " << key;
}

TEST_F(FormatListTest, SaveDropsDefaultIconsAndMissingFilesButKeepsThemInMemory) {
  fs.PutFile("c:\\icons\\deleted.ico", "I");
  PutIni("Gone=c:\\icons\\deleted.ico,2\r\nKept=" + std::string(kIcons) + ",5\r\nIndexOne=" + kIcons + ",1\r\n");
  table.LoadFormatList();
  fs.Remove("c:\\icons\\deleted.ico");  // gone while the program runs
  std::string file;
  int index = -1;
  const int kept = table.FindFormatList("Kept", file, index);
  ASSERT_EQ(kept, 2);
  ASSERT_EQ(table.SetFormatListIcon(kept, kExe, 1), kept) << "choosing the executable's icon 1";
  table.SaveFormatList();

  EXPECT_EQ(FileKeys().size(), 5u) << "the four built-ins and IndexOne remain";
  EXPECT_EQ(FileValue("Kept"), "") << "the default icon removes the key at exit";
  EXPECT_EQ(FileValue("Gone"), "") << "an icon file that no longer exists is dropped from the file";
  EXPECT_EQ(FileValue("IndexOne"), std::string(kIcons) + ",1") << "icon 1 of another file is no default icon";
  EXPECT_EQ(table.FindFormatList("Gone", file, index), 1) << "dropped from the file, kept in memory";
  EXPECT_EQ(file, "c:\\icons\\deleted.ico");
  EXPECT_EQ(index, 2);
}

TEST_F(FormatListTest, SaveRewritesTheFileAndTheLastDuplicateWins) {
  fs.PutFile("c:\\icons\\first.ico", "I");
  fs.PutFile("c:\\icons\\second.ico", "I");
  PutIni("Twice=c:\\icons\\first.ico,1\r\nTwice=c:\\icons\\first.ico,1\r\nLost=c:\\icons\\first.ico,4\r\n");
  table.LoadFormatList();
  ASSERT_EQ(table.GetSize(), 8) << "keys load without a duplicate check";
  ASSERT_EQ(table.SetFormatListIcon(2, "c:\\icons\\second.ico", 3), 2);
  ASSERT_EQ(table.SetFormatListIcon(3, "c:\\icons\\gone.ico", 0), 3);
  fs.PutFile(IniFile(), "[ICON]\r\nStray=c:\\icons\\first.ico,9\r\n");
  table.SaveFormatList();

  EXPECT_EQ(FileValue("Twice"), "c:\\icons\\second.ico,3") << "a list held twice ends with its last entry's value";
  EXPECT_EQ(FileValue("Stray"), "") << "the file is rebuilt from the table alone";
  EXPECT_EQ(FileValue("Lost"), "");

  CFormatListTable next(fs, kExe, kLocal);
  next.LoadFormatList();
  EXPECT_EQ(next.GetSize(), 6) << "the next start reads one Twice and the four built-ins after the empty list";
}

// A logoff ends the program without its exit, so a chosen icon is in the
// file as soon as it is chosen.
TEST_F(FormatListTest, AChangedIconIsSavedAtOnce) {
  table.LoadFormatList();
  const int custom = table.AddFormatList("Custom", "c:\\icons\\other.ico", 0);
  ASSERT_EQ(table.SetFormatListIcon(custom, kIcons, 7), custom);
  EXPECT_EQ(FileValue("Custom"), std::string(kIcons) + ",7") << "the new icon waited for the exit";
  ASSERT_EQ(table.SetFormatListIcon(custom, kExe, 1), custom);
  EXPECT_EQ(FileValue("Custom"), "") << "the default icon takes the key out of the file at once";
}

// The file is written once, whole: a full disk or a failed rename while it is
// saved leaves the old file as it was, and a file that could not be read at
// start is never written over with what the table holds without it.
TEST_F(FormatListTest, SaveWritesOnceAndAFailedSaveKeepsTheOldFile) {
  PutIni("Kept=" + std::string(kIcons) + ",5\r\n");
  table.LoadFormatList();
  table.AddFormatList("Second", kIcons, 6);
  const int writes = fs.WriteOpenCount();
  EXPECT_EQ(table.SaveFormatList(), 0);
  EXPECT_EQ(fs.WriteOpenCount() - writes, 1) << "the file was deleted and written once per entry";
  EXPECT_EQ(FileKeys().size(), 6u) << "the four built-ins, Kept and Second";

  const std::string saved = fs.GetFile(IniFile());
  fs.writeLimit = 20;  // the disk is full
  EXPECT_EQ(table.SetFormatListIcon(1, kIcons, 9), 1) << "the icon is changed in memory all the same";
  EXPECT_EQ(table.SaveFormatList(), -1);
  fs.writeLimit = -1;
  fs.failRename = true;
  EXPECT_EQ(table.SaveFormatList(), -1);
  fs.failRename = false;
  EXPECT_EQ(fs.GetFile(IniFile()), saved) << "a failed save cut the old file";

  fs.failOpenRead = true;
  CFormatListTable blind(fs, kExe, kLocal);
  blind.LoadFormatList();
  fs.failOpenRead = false;
  EXPECT_EQ(blind.SaveFormatList(), -1);
  EXPECT_EQ(fs.GetFile(IniFile()), saved) << "a file the table could not read was written over";
}

// Every path the table asks the file system about.
class RecordingFileSystem : public MemoryFileSystem {
 public:
  std::vector<std::string> asked;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    asked.push_back(path);
    return MemoryFileSystem::Open(path, mode);
  }
  bool Exists(const std::string& path) override {
    asked.push_back(path);
    return MemoryFileSystem::Exists(path);
  }
  bool IsDirectory(const std::string& path) override {
    asked.push_back(path);
    return MemoryFileSystem::IsDirectory(path);
  }
};

TEST(FormatListIconTest, StoredIconFilesThatAreNoLocalFilesGetTheProgramsIcon) {
  struct Case {
    const char* key;
    std::string value;
    bool kept;
  };
  const std::vector<Case> cases = {
      {"Kept", "c:\\icons\\set.dll,5", true},
      {"SlashDrive", "d:/icons/set.ico,2", true},
      {"Share", "\\\\server\\share\\set.dll,3", false},
      {"ShareSlashes", "//server/share/set.dll,3", false},
      {"LongUnc", "\\\\?\\unc\\server\\share\\set.dll,3", false},
      {"Device", "\\\\.\\pipe\\set.dll,0", false},
      {"RootRelative", "\\icons\\set.dll,4", false},
      {"Relative", "icons\\set.dll,4", false},
      {"DriveRelative", "c:set.dll,4", false},
      {"Missing", "c:\\icons\\missing.dll,4", false},
      {"Folder", "c:\\icons,4", false},
      {"Wildcard", "c:\\icons\\*.dll,4", false},
      {"Stream", "c:\\icons\\set.dll:evil,4", false},
  };
  RecordingFileSystem fs;
  const std::string local = "C:\\Users\\u\\";
  const std::string ini = local + "FormatList.ini";
  // The memory file system takes every path as given: even the network ones
  // "exist", so only the refusal by their form keeps them out.
  for (const char* path : {"c:\\icons\\set.dll", "d:/icons/set.ico", "\\\\server\\share\\set.dll",
                            "//server/share/set.dll", "\\\\?\\unc\\server\\share\\set.dll", "\\\\.\\pipe\\set.dll",
                            "\\icons\\set.dll", "icons\\set.dll", "c:set.dll"})
    fs.PutFile(path, "MZ");
  fs.MakeDirectory("c:\\icons");
  std::string body = "[ICON]\r\n";
  for (const Case& c : cases) body += std::string(c.key) + "=" + c.value + "\r\n";
  fs.PutFile(ini, body);

  CFormatListTable table(fs, "C:\\Kelvarion\\Kelvarion.exe", local);
  table.LoadFormatList();
  for (const Case& c : cases) {
    std::string file;
    int index = -1;
    ASSERT_GE(table.FindFormatList(c.key, file, index), 0) << c.key;
    if (c.kept) {
      EXPECT_EQ(c.value, file + "," + std::to_string(index)) << c.key << " names a local file and keeps its icon";
    } else {
      EXPECT_EQ(file, "c:\\kelvarion\\kelvarion.exe") << c.key << " must get the program's own icon";
      EXPECT_EQ(index, kDefaultIconIndex) << c.key;
    }
  }

  table.SaveFormatList();
  for (const Case& c : cases) {
    EXPECT_EQ(ReadIniStringRaw(fs, ini, "ICON", c.key), c.kept ? c.value : "")
        << c.key << ": a refused icon file leaves the file at the next save";
  }
  for (const std::string& path : fs.asked) {
    EXPECT_FALSE(path.rfind("\\\\", 0) == 0 || path.rfind("//", 0) == 0) << "a network path was looked at: " << path;
  }
}

TEST_F(FormatListTest, PositionsOutsideTheTableFail) {
  table.LoadFormatList();
  for (int position : {-1, 5, 1000}) {
    std::string file = "untouched";
    int index = -7;
    EXPECT_EQ(table.GetFormatListIcon(position, file, index), -1) << position;
    EXPECT_EQ(file, "untouched") << position;
    EXPECT_EQ(table.SetFormatListIcon(position, kIcons, 3), -1) << position;
  }
  EXPECT_EQ(table.GetSize(), 5) << "setting outside the table must not grow it";
}

TEST_F(FormatListTest, IconFilesAreListedOnceInFirstSeenOrder) {
  table.LoadFormatList();
  table.AddFormatList("A", "c:\\b.dll", 0);
  table.AddFormatList("B", "c:\\a.dll", 0);
  table.AddFormatList("C", "c:\\b.dll", 2);
  table.SetFormatListIcon(0, "C:\\A.DLL", 0);
  CTextList files{"left over"};
  EXPECT_EQ(table.GetFormatListIconFiles(files), 3);
  EXPECT_EQ(files.Items(), (std::vector<std::string>{"C:\\A.DLL", kExeLower, "c:\\b.dll"}))
      << "distinct icon files in first-seen order, paths compared without case";
}

TEST(MakeFormatListTest, SortsJoinsAndCleans) {
  struct Case {
    CTextList names;
    std::string formatList;
  };
  const std::vector<Case> cases = {
      {{"UNICODETEXT", "TEXT", "OEMTEXT", "LOCALE"}, "LOCALE,OEMTEXT,TEXT,UNICODETEXT"},
      {{"b", "B", "a", "A"}, "A,B,a,b"},
      {{"Bob's Format", "TEXT"}, "Bob s Format,TEXT"},
      {{"TEXT", "", "", "BITMAP"}, ",BITMAP,TEXT"},
      {{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeFormatList(c.names), c.formatList) << "names of " << c.formatList;
}

// The same first start and exit through the platform's own files: Wine's
// under Windows, the host's natively.
TEST(FormatListFileTest, TheFileOfOneRunIsReadByTheNext) {
  test::ScratchDir dir;
  FileSystem& fs = test::HostFileSystem();
  const std::string exe = dir.path() + "kelvarion.exe";
  const std::string icons = dir.path() + "Chosen.ico";
  test::WriteBytes(exe, "MZ");
  test::WriteBytes(icons, "icon");

  CFormatListTable first(fs, exe, dir.path());
  first.LoadFormatList();
  ASSERT_EQ(first.GetSize(), 5);
  ASSERT_TRUE(fs.Exists(dir.path() + "FormatList.ini")) << "a first start writes the file at once";
  // The icon dialog hands back the path as the system spells it.
  ASSERT_EQ(first.SetFormatListIcon(1, icons, 0), 1);
  first.SaveFormatList();
  EXPECT_EQ(ReadIniStringRaw(fs, dir.path() + "FormatList.ini", "ICON", kText), icons + ",0")
      << "an icon chosen in the dialog is in the file after exit";

  CFormatListTable second(fs, exe, dir.path());
  second.LoadFormatList();
  EXPECT_EQ(second.GetSize(), 5) << "the next start finds the same five entries";
  std::string file;
  int index = -1;
  EXPECT_EQ(second.FindFormatList(kText, file, index), 1);
  EXPECT_EQ(file, ToLower(exe)) << "a built-in's icon comes back at the next start";
  EXPECT_EQ(index, 2);
}

}  // namespace
}  // namespace kelvarion
