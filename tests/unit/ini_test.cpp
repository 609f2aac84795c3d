#include "base/ini.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// Double-byte characters whose trail bytes are ASCII: "\x81\x5C" ends in '\',
// "\x81\x5D" in ']', "\xD5\x66" in 'f' ("\xD5\x46" is the character a careless
// upper-casing of it would give).
#define TRAIL_BACKSLASH "\x81\x5C"
#define TRAIL_BRACKET "\x81\x5D"
#define TRAIL_F "\xD5\x66"
#define TRAIL_UPPER_F "\xD5\x46"

struct ReadCase {
  const char* what;
  std::string content, section, key, expected;
};

TEST(IniRead, ValuesAsTheSystemReturnsThem) {
  const ReadCase cases[] = {
      {"names ignore case", "[Setup]\r\nKey=Value\r\n", "setup", "KEY", "Value"},
      {"blanks around = are dropped", "[s]\r\n  k \t=  v v  \r\n", "s", "k", "v v"},
      {"value after the first =", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"double quotes removed", "[s]\r\nk=\"q\"\r\n", "s", "k", "q"},
      {"single quotes removed", "[s]\r\nk='q'\r\n", "s", "k", "q"},
      {"blanks inside quotes kept", "[s]\r\nk= \" sp \" \r\n", "s", "k", " sp "},
      {"unmatched quotes kept", "[s]\r\nk=\"q'\r\n", "s", "k", "\"q'"},
      {"a lone quote is kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"empty quotes give empty", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"inner quotes kept", "[s]\r\nk=a\"b\"\r\n", "s", "k", "a\"b\""},
      {"missing key", "[s]\r\nk=1\r\n", "s", "other", ""},
      {"missing section", "[s]\r\nk=1\r\n", "t", "k", ""},
      {"key of another section", "[s]\r\nk=1\r\n[t]\r\nj=2\r\n", "s", "j", ""},
      {"a line without = is no key", "[s]\r\nk\r\n", "s", "k", ""},
      {"first of two keys", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
      {"first of two sections", "[s]\r\nk=1\r\n[s]\r\nk=2\r\nm=3\r\n", "s", "m", ""},
      {"blanks around a section name", "  [ s ]  \r\nk=1\r\n", "s", "k", "1"},
      {"text after the bracket", "[s] ; note\r\nk=1\r\n", "s", "k", "1"},
      {"an unclosed bracket starts no section", "[s]\r\n[t\r\nk=1\r\n", "s", "k", "1"},
      {"lone CR ends lines", "[s]\rk=1\rj=2\r", "s", "j", "2"},
      {"lone LF ends lines", "[s]\nk=1\nj=2\n", "s", "j", "2"},
      {"no final line break", "[s]\r\nk=last", "s", "k", "last"},
      {"lines before the first section", "k=0\r\n[s]\r\nk=1\r\n", "s", "k", "1"},
      {"trail byte 0x5C in a section name", "[" TRAIL_BACKSLASH "]\r\nk=1\r\n", TRAIL_BACKSLASH, "k", "1"},
      {"trail byte ] in a section name",
       "[" TRAIL_BACKSLASH "]\r\nk=1\r\n[" TRAIL_BRACKET "]\r\nk=2\r\n", TRAIL_BRACKET, "k", "2"},
      {"double-byte key with a letter trail", "[s]\r\nK" TRAIL_F "=1\r\n", "s", "k" TRAIL_F, "1"},
      {"trail bytes do not fold", "[s]\r\n" TRAIL_F "=1\r\n", "s", TRAIL_UPPER_F, ""},
      {"trail bytes do not fold in sections", "[" TRAIL_F "]\r\nk=1\r\n", TRAIL_UPPER_F, "k", ""},
      {"value ending in a trail byte 0x5C", "[s]\r\nk=C:\\" TRAIL_BACKSLASH "\r\n", "s", "k",
       "C:\\" TRAIL_BACKSLASH},
      {"long values stop at 1023 bytes", "[s]\r\nk=" + std::string(1100, 'x') + "\r\n", "s", "k",
       std::string(1023, 'x')},
      {"long values never end inside a character", "[s]\r\nk=" + std::string(1022, 'x') + TRAIL_F TRAIL_F "\r\n",
       "s", "k", std::string(1022, 'x')},
      {"an empty key matches =value", "[s]\r\n=v\r\n", "s", "", "v"},
  };
  ScratchDir dir;
  const std::string file = dir.path() + "read.ini";
  for (const ReadCase& c : cases) {
    WriteBytes(file, c.content);
    EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), file, c.section, c.key), c.expected) << c.what;
    EXPECT_EQ(ReadBytes(file), c.content) << c.what << ": a raw read must not write";
  }
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), dir.path() + "missing.ini", "s", "k"), "") << "missing file";
}

struct WriteStep {
  std::string section, key, value;
  int result = 1;
};

struct WriteCase {
  const char* what;
  std::optional<std::string> initial;  // none: the file does not exist
  std::vector<WriteStep> steps;
  std::optional<std::string> expected;  // none: the file must still not exist
};

TEST(IniWrite, KeepsTheRestOfTheFile) {
  const WriteCase cases[] = {
      {"creates a missing file", std::nullopt, {{"Setup", "Key", "v"}}, "[Setup]\r\nKey=v\r\n"},
      {"replaces the key's line in place, keeping comments",
       "; settings\r\n[s]\r\na=1\r\nk = old\r\nb=2\r\n[t]\r\nk=9\r\n",
       {{"S", "K", "new"}},
       "; settings\r\n[s]\r\na=1\r\nk=new\r\nb=2\r\n[t]\r\nk=9\r\n"},
      {"keeps the key's spelling", "[Setup]\r\nBackup=Y\r\n", {{"setup", "backup", "N"}}, "[Setup]\r\nBackup=N\r\n"},
      {"appends a new key at the end of its section",
       "[s]\r\na=1\r\n[t]\r\nb=2\r\n",
       {{"s", "c", "3"}},
       "[s]\r\na=1\r\nc=3\r\n[t]\r\nb=2\r\n"},
      {"the section's trailing lines stay with it",
       "[s]\r\na=1\r\n;c\r\n\r\n[t]\r\n",
       {{"s", "b", "2"}},
       "[s]\r\na=1\r\n;c\r\n\r\nb=2\r\n[t]\r\n"},
      {"adds a new section at the end", "[s]\r\na=1\r\n", {{"t", "b", "2"}}, "[s]\r\na=1\r\n[t]\r\nb=2\r\n"},
      {"a file without a final line break",
       "[s]\r\na=1",
       {{"s", "b", "2"}, {"t", "c", "3"}},
       "[s]\r\na=1\r\nb=2\r\n[t]\r\nc=3\r\n"},
      {"other line ends are kept", "[s]\na=1\n", {{"s", "a", "2"}, {"s", "b", "3"}}, "[s]\na=2\nb=3\r\n"},
      {"an empty file", "", {{"s", "k", "v"}}, "[s]\r\nk=v\r\n"},
      {"an empty value leaves key=", std::nullopt, {{"s", "k", ""}}, "[s]\r\nk=\r\n"},
      {"writing twice keeps one line", std::nullopt, {{"s", "k", "1"}, {"s", "K", "2"}}, "[s]\r\nk=2\r\n"},
      {"the first of two sections and keys",
       "[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\n",
       {{"s", "k", "x"}},
       "[s]\r\nk=x\r\nk=2\r\n[s]\r\nk=3\r\n"},
      {"bytes before the first section stay", "top\r\n[s]\r\nk=1\r\n", {{"s", "k", "2"}}, "top\r\n[s]\r\nk=2\r\n"},
      {"blanks around names are dropped", std::nullopt, {{" s ", "\tk ", "v"}}, "[s]\r\nk=v\r\n"},
      {"values are written as given", std::nullopt, {{"s", "k", " \"v\" "}}, "[s]\r\nk= \"v\" \r\n"},
      {"a section named with a trail byte ]",
       std::nullopt,
       {{TRAIL_BRACKET, "k", "1"}, {TRAIL_BRACKET, "k", "2"}},
       "[" TRAIL_BRACKET "]\r\nk=2\r\n"},
      {"a section named with a trail byte 0x5C", "[" TRAIL_BRACKET "]\r\nk=1\r\n",
       {{TRAIL_BACKSLASH, "k", "2"}}, "[" TRAIL_BRACKET "]\r\nk=1\r\n[" TRAIL_BACKSLASH "]\r\nk=2\r\n"},
      {"a value cannot add lines",
       "[s]\r\nk=1\r\n",
       {{"s", "k", "x\r\n[evil]\r\ny=1"}},
       "[s]\r\nk=x\r\n"},
      {"names that could not be read back are refused",
       std::nullopt,
       {{"s", "a=b", "1", 0}, {"a]b", "k", "1", 0}, {"", "k", "1", 0}, {"s", "", "1", 0}, {"s", "a\r\nb", "1", 0},
        {"s\n", "k", "1", 0}, {"s", "[x]", "1", 0}, {"s", "[k", "a]", 0}, {"a\x81", "k", "1", 0},
        {"s", "k\x81", "1", 0}},
       std::nullopt},
      // The key listing ends a section at a line beginning with "[" and skips
      // one beginning with ";": such a key would hide itself or every key after it.
      {"keys the key listing cannot show are refused",
       "[s]\r\n[k=1\r\nj=2\r\n",
       {{"s", "[k", "a]", 0}, {"s", "[k", "2", 0}, {"s", " [n", "1", 0}, {"s", ";n", "1", 0}},
       "[s]\r\n[k=1\r\nj=2\r\n"},
  };
  ScratchDir dir;
  int n = 0;
  for (const WriteCase& c : cases) {
    const std::string file = dir.path() + "w" + std::to_string(++n) + ".ini";
    if (c.initial) WriteBytes(file, *c.initial);
    for (const WriteStep& s : c.steps) {
      EXPECT_EQ(WriteIniString(HostFileSystem(), file, s.section, s.key, s.value) != 0, s.result != 0)
          << c.what << ": writing [" << s.section << "] " << s.key;
    }
    if (c.expected) {
      EXPECT_EQ(ReadBytes(file), *c.expected) << c.what;
    } else {
      EXPECT_FALSE(HostFileSystem().Exists(file)) << c.what << ": no file may have been made";
    }

    // The same steps, each run of one section in one write, leave the same bytes.
    const std::string batched = dir.path() + "b" + std::to_string(n) + ".ini";
    if (c.initial) WriteBytes(batched, *c.initial);
    for (std::size_t first = 0; first < c.steps.size();) {
      std::size_t end = first;
      IniEntries entries;
      for (; end < c.steps.size() && c.steps[end].section == c.steps[first].section; ++end)
        entries.emplace_back(c.steps[end].key, c.steps[end].value);
      WriteIniStrings(HostFileSystem(), batched, c.steps[first].section, entries);
      first = end;
    }
    if (c.expected) {
      EXPECT_EQ(ReadBytes(batched), *c.expected) << c.what << " (in one write per section)";
    } else {
      EXPECT_FALSE(HostFileSystem().Exists(batched)) << c.what << " (in one write per section): a file was made";
    }
  }
}

TEST(IniWrite, ManyKeysInOneWriteAndWhatIsCounted) {
  MemoryFileSystem fs;
  const std::string file = "C:\\x.ini";
  fs.PutFile(file, "[Setup]\r\nMainX=1\r\n[NoCopy]\r\nA=0\r\n");
  EXPECT_EQ(WriteIniStrings(fs, file, "setup", {{"MainX", "5"}, {"MainY", "6"}, {"bad=key", "1"}, {"mainy", "7"}}), 3)
      << "three entries written, the key with = left out";
  EXPECT_EQ(fs.GetFile(file), "[Setup]\r\nMainX=5\r\nMainY=7\r\n[NoCopy]\r\nA=0\r\n");
  EXPECT_EQ(fs.WriteOpenCount(), 1);

  IniEntries values;
  ReadIniSectionValues(fs, file, "SETUP", values);
  EXPECT_EQ(values, (IniEntries{{"MainX", "5"}, {"MainY", "7"}}));
  EXPECT_EQ(WriteIniStrings(fs, file, "a]b", {{"k", "1"}}), 0) << "a section name that cannot be written";
  EXPECT_EQ(WriteIniStrings(fs, "", "s", {{"k", "1"}}), -1);

  EXPECT_EQ(RewriteIniFile(fs, file, "ICON", {{"TEXT", "c:\\a.ico,1"}, {"a=b", "x"}}), 1);
  EXPECT_EQ(fs.GetFile(file), "[ICON]\r\nTEXT=c:\\a.ico,1\r\n") << "the whole file is replaced";
  EXPECT_EQ(RewriteIniFile(fs, file, "ICON", {}), 0);
  EXPECT_TRUE(fs.HasFile(file) && fs.GetFile(file).empty()) << "no entries leave an empty file";
}

TEST(IniWrite, ReadsBackWhatItWrote) {
  ScratchDir dir;
  const std::string file = dir.path() + "back.ini";
  WriteBytes(file, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
  const std::vector<std::tuple<std::string, std::string, std::string>> writes = {
      {"a", "new", "n"}, {"b", "y", "changed"}, {"c", "k", TRAIL_F}, {TRAIL_BACKSLASH, TRAIL_F, "z"}};
  for (const auto& [section, key, value] : writes) ASSERT_NE(WriteIniString(HostFileSystem(), file, section, key, value), 0);
  for (const auto& [section, key, value] : writes)
    EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), file, section, key), value) << "[" << section << "] " << key;
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), file, "a", "x"), "1") << "untouched keys keep their values";
}

TEST(IniWrite, FailuresAreReportedAndLoseNothing) {
  ScratchDir dir;
  EXPECT_EQ(WriteIniString(HostFileSystem(), dir.path() + "no\\dir\\x.ini", "s", "k", "v"), 0)
      << "a file in a missing directory cannot be made";

  MemoryFileSystem fs;
  const std::string file = "C:\\d\\x.ini";
  fs.PutFile(file, "[s]\r\nk=1\r\n");
  fs.failOpenWrite = true;
  EXPECT_EQ(WriteIniString(fs, file, "s", "k", "2"), 0);
  fs.failOpenWrite = false;

  fs.failOpenRead = true;
  EXPECT_EQ(WriteIniString(fs, file, "s", "j", "2"), 0) << "an unreadable file must not be replaced";
  fs.failOpenRead = false;
  EXPECT_EQ(fs.GetFile(file), "[s]\r\nk=1\r\n");

  // A full disk or a rename that fails must not cost the keys already there.
  fs.writeLimit = 8;
  EXPECT_EQ(WriteIniString(fs, file, "s", "k", "longer value"), 0) << "a short write is a failure";
  EXPECT_EQ(fs.GetFile(file), "[s]\r\nk=1\r\n") << "a short write cut the old file";
  fs.writeLimit = -1;
  fs.failRename = true;
  EXPECT_EQ(WriteIniStrings(fs, file, "s", {{"k", "2"}, {"j", "3"}}), -1);
  EXPECT_EQ(fs.GetFile(file), "[s]\r\nk=1\r\n");
  EXPECT_FALSE(fs.HasFile("C:\\d\\~x.ini.tmp")) << "the temporary file is removed";
}

TEST(IniWrite, AnUnchangedValueLeavesTheFileAlone) {
  MemoryFileSystem fs;
  const std::string file = "C:\\x.ini";
  fs.PutFile(file, "[s]\r\nk=1\r\nj=\r\n");
  EXPECT_NE(WriteIniString(fs, file, "s", "k", "1"), 0);
  EXPECT_EQ(ReadIniString(fs, file, "s", "j", ""), "");
  EXPECT_EQ(fs.WriteOpenCount(), 0) << "nothing to change, nothing written";
}

TEST(IniEmptyPath, ReadsDefaultsAndWritesNothing) {
  MemoryFileSystem fs;
  EXPECT_EQ(ReadIniString(fs, "", "Setup", "HotKey", "112"), "112");
  EXPECT_EQ(ReadIniStringRaw(fs, "", "Setup", "HotKey"), "");
  EXPECT_EQ(WriteIniString(fs, "", "Setup", "HotKey", "113"), 0);
  EXPECT_EQ(fs.WriteOpenCount(), 0);
  CTextList list{"x"};
  ReadIniSectionNames(fs, "", list);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(ReadIniSectionKeys(fs, "", "Setup", list), 0);
}

TEST(ReadIniString, TrimsAndWritesTheDefaultBack) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  const std::string file = dir.path() + "user.ini";
  EXPECT_EQ(ReadIniString(fs, file, "Setup", "AutoHide", "N"), "N");
  EXPECT_EQ(ReadBytes(file), "[Setup]\r\nAutoHide=N\r\n") << "a first read writes the default";

  WriteBytes(file, "[Setup]\r\nAutoHide=Y  \t\r\n");
  EXPECT_EQ(ReadIniString(fs, file, "Setup", "AutoHide", "N"), "Y") << "Y followed by blanks reads as Y";
  EXPECT_EQ(ReadBytes(file), "[Setup]\r\nAutoHide=Y  \t\r\n") << "a value that is there is not rewritten";

  WriteBytes(file, "[Setup]\r\nEditer=   \r\nNext=1\r\n");
  EXPECT_EQ(ReadIniString(fs, file, "Setup", "Editer", "notepad.exe"), "notepad.exe");
  EXPECT_EQ(ReadBytes(file), "[Setup]\r\nEditer=notepad.exe\r\nNext=1\r\n") << "blanks only count as empty";

  EXPECT_EQ(ReadIniString(fs, file, "Setup", "LockScreenPass", ""), "");
  EXPECT_EQ(ReadBytes(file), "[Setup]\r\nEditer=notepad.exe\r\nNext=1\r\nLockScreenPass=\r\n")
      << "an empty default still leaves key=";
}

TEST(ReadIniSectionNames, SectionsInFileOrder) {
  ScratchDir dir;
  const std::string file = dir.path() + "names.ini";
  WriteBytes(file, "[a]\r\nk=1\r\n  [b]\t\r\n[a]\r\n\r\n[ c ]\r\n[" TRAIL_BACKSLASH "]\r\n[" TRAIL_BRACKET "\r\n[]\r\n");
  CTextList list{"old"};
  ReadIniSectionNames(HostFileSystem(), file, list);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "b", "a", " c ", TRAIL_BACKSLASH, ""}))
      << "duplicates kept, blanks inside brackets kept, a trail byte ] closes nothing";

  for (const char* lfOnly : {"[a]\nk=1\n[b]\n", "[a]\n[b]"}) {
    WriteBytes(file, lfOnly);
    ReadIniSectionNames(HostFileSystem(), file, list);
    EXPECT_LE(list.GetSize(), 1) << "a file of LF-only lines is one line";
  }
  ReadIniSectionNames(HostFileSystem(), dir.path() + "missing.ini", list);
  EXPECT_TRUE(list.IsEmpty()) << "the list is emptied first";
}

TEST(ReadIniSectionKeys, KeysOfOneSection) {
  ScratchDir dir;
  const std::string file = dir.path() + "keys.ini";
  WriteBytes(file,
             "[A]\r\nx=1\r\n[Setup]\r\nKey1=1\r\n;c=2\r\n=3\r\nnoeq\r\n key2 =4\r\n\r\n[Next]\r\ny=1\r\n"
             "[" TRAIL_UPPER_F "]\r\nwrong=1\r\n[" TRAIL_F "]\r\nright=1\r\n");
  CTextList list{"kept"};
  EXPECT_EQ(ReadIniSectionKeys(HostFileSystem(), file, "setup", list), 3);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"kept", "Key1", " key2 "}))
      << "comments, =value and lines without = are skipped; names are not trimmed";

  CTextList dbcs;
  ReadIniSectionKeys(HostFileSystem(), file, TRAIL_F, dbcs);
  EXPECT_EQ(dbcs.Items(), std::vector<std::string>{"right"}) << "upper-casing must leave the trail byte f alone";

  CTextList none{"x"};
  EXPECT_EQ(ReadIniSectionKeys(HostFileSystem(), file, "Missing", none), 1);
  EXPECT_EQ(ReadIniSectionKeys(HostFileSystem(), file, " Setup", none), 1) << "the header is compared untrimmed";
  EXPECT_EQ(none.Items(), std::vector<std::string>{"x"});
}

}  // namespace
}  // namespace kelvarion
