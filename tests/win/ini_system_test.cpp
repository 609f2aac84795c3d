// The ini engine side by side with the system's own private-profile
// functions: every case runs on two copies of one file, the engine on the
// one, GetPrivateProfileStringA/WritePrivateProfileStringA on the other, and
// the values read and the file bytes after every write must agree.
//
// Wine rewrites the whole file on every write: it drops blank lines, removes
// the blanks around "=", in front of comments and after values, and ends
// every line with CR LF. Windows keeps the rest of the file, and so does the
// engine. The write cases therefore start from files already in that normal
// form (comments at the start of their lines, no blank lines, CR LF), where
// both systems give the same bytes; reads cover the other forms too.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "base/ini.h"
#include "base/strings.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// Double-byte characters of code page 936 whose trail bytes are ASCII.
#define TRAIL_BACKSLASH "\x81\x5C"
#define TRAIL_BRACKET "\x81\x5D"
#define TRAIL_F "\xD5\x66"
#define TRAIL_UPPER_F "\xD5\x46"

struct Op {
  enum Kind { kRaw, kWithDefault, kWrite } kind;
  std::string section, key, value;  // value: the default or the value written
};

Op Raw(std::string section, std::string key) { return {Op::kRaw, std::move(section), std::move(key), ""}; }
Op WithDefault(std::string section, std::string key, std::string def) {
  return {Op::kWithDefault, std::move(section), std::move(key), std::move(def)};
}
Op Write(std::string section, std::string key, std::string value) {
  return {Op::kWrite, std::move(section), std::move(key), std::move(value)};
}

struct SystemCase {
  const char* what;
  std::optional<std::string> initial;  // none: no file at first
  std::vector<Op> ops;
};

std::string SystemRead(const std::string& file, const std::string& section, const std::string& key) {
  char buffer[1024];
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, file.c_str());
  return std::string(buffer, n);
}

// What ReadIniString does, spelt with the system's functions.
std::string SystemReadWithDefault(const std::string& file, const std::string& section, const std::string& key,
                                  const std::string& def) {
  std::string value = TrimRight(SystemRead(file, section, key));
  if (!value.empty()) return value;
  WritePrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), file.c_str());
  return def;
}

std::string Visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += static_cast<char>(c);
  }
  return out;
}

TEST(IniSystem, EngineAgreesWithTheSystem) {
  ASSERT_EQ(GetACP(), 936u) << "the A functions must see code page 936: run under LC_ALL=zh_CN.UTF-8";
  const SystemCase cases[] = {
      {"section and key names ignore case", "[Setup]\r\nHotKey=113\r\n",
       {Raw("setup", "HOTKEY"), Raw("SETUP", "hotkey")}},
      {"quoted values", "[s]\r\nd=\"q\"\r\ns='q'\r\nm=\"q'\r\nb= \" sp \" \r\ne=\"\"\r\nl=\"\r\ni=a\"b\"\r\n",
       {Raw("s", "d"), Raw("s", "s"), Raw("s", "m"), Raw("s", "b"), Raw("s", "e"), Raw("s", "l"), Raw("s", "i")}},
      {"blanks around =", "[s]\r\n  k \t=  v v  \r\nj==x\r\n", {Raw("s", "k"), Raw("s", "j")}},
      {"missing file", std::nullopt, {Raw("s", "k"), Raw("", "k")}},
      {"missing section and key", "[s]\r\nk=1\r\n[t]\r\nj=2\r\n",
       {Raw("u", "k"), Raw("s", "j"), Raw("s", "x"), Raw("t", "j")}},
      {"CR-only lines", "[s]\rk=1\rj=2\r[t]\rk=3\r", {Raw("s", "j"), Raw("t", "k")}},
      {"LF-only lines", "[s]\nk=1\nj=2\n[t]\nk=3\n", {Raw("s", "j"), Raw("t", "k")}},
      {"no final line break", "[s]\r\nk=last", {Raw("s", "k")}},
      {"blanks around a section name", "  [ s ]  \r\nk=1\r\n", {Raw("s", "k")}},
      {"first of two sections and keys", "[s]\r\nk=1\r\nk=2\r\n[s]\r\nm=3\r\n", {Raw("s", "k"), Raw("s", "m")}},
      {"a line without =", "[s]\r\nk\r\nj=1\r\n", {Raw("s", "j")}},
      {"double-byte section names",
       "[" TRAIL_BACKSLASH "]\r\nk=1\r\n[" TRAIL_BRACKET "]\r\nk=2\r\n[" TRAIL_F "]\r\nk=3\r\n",
       {Raw(TRAIL_BACKSLASH, "k"), Raw(TRAIL_BRACKET, "k"), Raw(TRAIL_F, "k"), Raw(TRAIL_UPPER_F, "k")}},
      {"double-byte key names", "[s]\r\nK" TRAIL_F "=1\r\n" TRAIL_BACKSLASH "=2\r\n",
       {Raw("s", "k" TRAIL_F), Raw("s", "k" TRAIL_UPPER_F), Raw("s", TRAIL_BACKSLASH)}},
      {"double-byte values", "[s]\r\nk=C:\\" TRAIL_BACKSLASH "\r\nq=\"" TRAIL_F "\"\r\n", {Raw("s", "k"), Raw("s", "q")}},
      {"a value of 1023 bytes at most", "[s]\r\nk=" + std::string(1100, 'x') + "\r\nj=" + std::string(1023, 'y') + "\r\n",
       {Raw("s", "k"), Raw("s", "j")}},

      {"replace in place, comments kept", "; settings\r\n[s]\r\na=1\r\nk=old\r\nb=2\r\n[t]\r\nk=9\r\n",
       {Write("S", "K", "new"), Raw("s", "k"), Raw("t", "k")}},
      {"replace a line with blanks around =", "[s]\r\nk = old\r\nj=1\r\n", {Write("s", "k", "new")}},
      {"replace keeps the stored spelling", "[Setup]\r\nBackup=Y\r\n", {Write("setup", "backup", "N")}},
      {"append to a section", "[s]\r\na=1\r\n[t]\r\nb=2\r\n", {Write("s", "c", "3"), Write("t", "d", "4")}},
      {"append after a section's comment", "[s]\r\na=1\r\n;c\r\n[t]\r\nb=2\r\n", {Write("s", "c", "3")}},
      {"new section at the end", "[s]\r\na=1\r\n", {Write("t", "b", "2"), Write("u", "c", "3")}},
      {"create the file, then add to it", std::nullopt,
       {Write("Setup", "ListenClipboard", "Y"), Write("Setup", "HotKey", "112"), Write("LocalDirectory", "PC.u", "C:\\x\\"),
        Write("SETUP", "hotkey", "113"), Raw("setup", "HotKey")}},
      {"a file without a final line break", "[s]\r\na=1", {Write("s", "b", "2")}},
      {"a file without a final line break, new section", "[s]\r\na=1", {Write("t", "b", "2")}},
      {"an empty file", "", {Write("s", "k", "v")}},
      {"an empty value", std::nullopt, {Write("s", "k", ""), Raw("s", "k")}},
      {"lines before the first section", ";top\r\nx=1\r\n[s]\r\nk=1\r\n", {Write("s", "k", "2"), Write("s", "j", "3")}},
      {"blanks around names", "[s]\r\nk=1\r\n", {Write(" s ", " k ", "2"), Write("s", "\tj", "3")}},
      {"double-byte sections and keys", "[" TRAIL_BRACKET "]\r\nk=1\r\n",
       {Write(TRAIL_BRACKET, "k", "2"), Write(TRAIL_BACKSLASH, TRAIL_F, "3"), Write(TRAIL_BACKSLASH, "K" TRAIL_F, "4"),
        Write(TRAIL_F, "k", TRAIL_BACKSLASH), Raw(TRAIL_BACKSLASH, "k" TRAIL_F)}},
      {"a value with quotes and blanks", std::nullopt, {Write("s", "k", "\"q\""), Raw("s", "k"), Write("s", "j", "a b"),
                                                        Raw("s", "j")}},

      {"defaults written back", std::nullopt,
       {WithDefault("Setup", "Editer", "notepad.exe"), WithDefault("Setup", "LockScreenPass", ""),
        WithDefault("setup", "editer", "other")}},
      {"blanks only count as empty", "[Setup]\r\nEditer=   \r\nAutoHide=Y\r\n",
       {WithDefault("Setup", "Editer", "notepad.exe"), WithDefault("Setup", "AutoHide", "N")}},
      // Read only: Wine would also cut the blanks off this line when it
      // rewrites the file for another key.
      {"Y followed by blanks", "[Setup]\r\nAutoHide=Y  \t\r\n", {WithDefault("Setup", "AutoHide", "N")}},
  };
  ScratchDir dir;
  int n = 0;
  for (const SystemCase& c : cases) {
    ++n;
    // Fresh names for every case, so that no cached copy of an earlier file
    // can stand in for the system's reading.
    const std::string ours = dir.path() + "engine" + std::to_string(n) + ".ini";
    const std::string system = dir.path() + "system" + std::to_string(n) + ".ini";
    if (c.initial) {
      WriteBytes(ours, *c.initial);
      WriteBytes(system, *c.initial);
    }
    int step = 0;
    for (const Op& op : c.ops) {
      ++step;
      const std::string where = std::string(c.what) + ", step " + std::to_string(step) + " [" + op.section + "] " + op.key;
      switch (op.kind) {
        case Op::kRaw:
          EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), ours, op.section, op.key), SystemRead(system, op.section, op.key))
              << where;
          break;
        case Op::kWithDefault:
          EXPECT_EQ(ReadIniString(HostFileSystem(), ours, op.section, op.key, op.value),
                    SystemReadWithDefault(system, op.section, op.key, op.value))
              << where;
          break;
        case Op::kWrite:
          EXPECT_EQ(WriteIniString(HostFileSystem(), ours, op.section, op.key, op.value) != 0,
                    WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(), system.c_str()) != 0)
              << where;
          break;
      }
      EXPECT_EQ(Visible(ReadBytes(ours)), Visible(ReadBytes(system))) << where << ": the file bytes differ";
    }
  }
}

}  // namespace
}  // namespace kelvarion
