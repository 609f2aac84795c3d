#include "app/menu_files.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/ini.h"
#include "platform/memory/fixed_environment.h"
#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

class MenuFilesTest : public ::testing::Test {
 protected:
  MenuFilesTest() : env_(dir_.path() + "Kelvarion.exe", "PC1", "alice"), app_(env_, HostFileSystem()) {}

  std::string LocalDir() const { return dir_.path() + "alice\\"; }
  std::string CommandIni() const { return LocalDir() + "command.ini"; }
  std::string ConnectIni() const { return LocalDir() + "connect.ini"; }

  // What the examples leave in a file without sections, byte for byte.
  std::string CommandExamples() const {
    return "[范例-&N记事本]\r\n"
           "命令=notepad.exe\r\n"
           "起始位置=\r\n"
           "\r\n"
           "[-]\r\n"
           "命令=[-]作为分隔符\r\n"
           "\r\n"
           "[范例-&C配置命令菜单]\r\n"
           "命令=notepad.exe \"" + CommandIni() + "\"\r\n"
           "起始位置=" + LocalDir() + "\r\n"
           "\r\n"
           "[范例-&C配置打开文件夹菜单]\r\n"
           "命令=notepad.exe \"" + ConnectIni() + "\"\r\n"
           "起始位置=\r\n";
  }
  static std::string ConnectExamples() {
    return "[范例-打开&C盘]\r\n"
           "目录=c:\\\r\n"
           "用户名=\r\n"
           "密码=\r\n"
           "\r\n"
           "[-]\r\n"
           "目录=[-]作为分隔符,不起作用\r\n"
           "用户名=如果是您本机上的目录,不用输入用户名和密码,如上例\r\n"
           "密码=如果是网络上其它机器的目录,可以设定用户名和密码,如下例\r\n"
           "\r\n"
           "[范例-打开网络上的目录]\r\n"
           "目录=\\\\127.0.0.1\\\r\n"
           "用户名=alice\r\n"
           "密码=如果是网上邻居上的目录,可以在此值写入密码\r\n"
           "\r\n";
  }

  ScratchDir dir_;
  FixedEnvironment env_;
  CTessarynApp app_;
};

TEST_F(MenuFilesTest, PathsLieInTheLocalDirectory) {
  EXPECT_EQ(CommandMenuPath(app_), CommandIni());
  EXPECT_EQ(ConnectMenuPath(app_), ConnectIni());
}

// A file "without sections" as it may be found: missing, empty, or holding
// only lines that are no section header (the examples then follow them).
struct NoSectionCase {
  const char* name;
  bool exists;
  const char* content;
};

const NoSectionCase kNoSectionCases[] = {
    {"missing", false, ""},
    {"empty", true, ""},
    {"comment", true, "; my notes\r\n"},
    {"no final line break", true, "just text"},
    // Only CR LF ends a line for the section reader, so the first example
    // must not be glued to a last line ended by LF alone.
    {"LF line ends", true, "x=1\ny=2\n"},
};

class MenuExamplesTest : public MenuFilesTest, public ::testing::WithParamInterface<NoSectionCase> {
 protected:
  // What stands before the examples: the file's text, ended by CR LF.
  static std::string WithLineEnd(std::string text) {
    if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)) text += "\r\n";
    return text;
  }
};

TEST_P(MenuExamplesTest, CommandFileGetsTheExamplesInOrder) {
  const NoSectionCase& c = GetParam();
  app_.GetLocalDirectory();
  if (c.exists) WriteBytes(CommandIni(), c.content);
  CTextList sections;
  ReadCommandMenuSections(app_, sections);
  EXPECT_EQ(sections.Items(),
            (std::vector<std::string>{"范例-&N记事本", "-", "范例-&C配置命令菜单", "范例-&C配置打开文件夹菜单"}))
      << c.name << ": the run menu's sections, in file order";
  const std::string expected = WithLineEnd(c.content);
  EXPECT_EQ(ReadBytes(CommandIni()), expected + CommandExamples()) << c.name << ": bytes of command.ini";
}

TEST_P(MenuExamplesTest, ConnectFileGetsTheExamplesInOrder) {
  const NoSectionCase& c = GetParam();
  app_.GetLocalDirectory();
  if (c.exists) WriteBytes(ConnectIni(), c.content);
  CTextList sections;
  ReadConnectMenuSections(app_, sections);
  EXPECT_EQ(sections.Items(), (std::vector<std::string>{"范例-打开&C盘", "-", "范例-打开网络上的目录"}))
      << c.name << ": the folder menu's sections, in file order";
  const std::string expected = WithLineEnd(c.content);
  EXPECT_EQ(ReadBytes(ConnectIni()), expected + ConnectExamples()) << c.name << ": bytes of connect.ini";
}

INSTANTIATE_TEST_SUITE_P(NoSection, MenuExamplesTest, ::testing::ValuesIn(kNoSectionCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST_F(MenuFilesTest, ExamplesWrittenAgainChangeNothing) {
  WriteCommandMenuExamples(app_);
  WriteConnectMenuExamples(app_);
  WriteCommandMenuExamples(app_);
  WriteConnectMenuExamples(app_);
  EXPECT_EQ(ReadBytes(CommandIni()), CommandExamples()) << "a second write must not add keys or empty lines";
  EXPECT_EQ(ReadBytes(ConnectIni()), ConnectExamples()) << "a second write must not add keys or empty lines";
}

TEST_F(MenuFilesTest, ExamplesReadBackAsMenuEntries) {
  CTextList sections;
  ReadCommandMenuSections(app_, sections);
  ReadConnectMenuSections(app_, sections);

  CommandMenuEntry notepad = ReadCommandMenuEntry(app_, "范例-&N记事本");
  EXPECT_EQ(notepad.commandLine, "notepad.exe");
  EXPECT_EQ(notepad.startIn, "") << "a CR LF only value reads as empty";
  CommandMenuEntry configure = ReadCommandMenuEntry(app_, "范例-&C配置命令菜单");
  EXPECT_EQ(configure.commandLine, "notepad.exe \"" + CommandIni() + "\"");
  EXPECT_EQ(configure.startIn, LocalDir()) << "the trailing CR LF is not part of the value";

  ConnectMenuEntry drive = ReadConnectMenuEntry(app_, "范例-打开&C盘");
  EXPECT_EQ(drive.folder, "c:\\");
  EXPECT_EQ(drive.user, "");
  EXPECT_EQ(drive.password, "");
  ConnectMenuEntry network = ReadConnectMenuEntry(app_, "范例-打开网络上的目录");
  EXPECT_EQ(network.folder, "\\\\127.0.0.1\\");
  EXPECT_EQ(network.user, "alice") << "the example carries the current user name";
  EXPECT_EQ(network.password, "如果是网上邻居上的目录,可以在此值写入密码");

  EXPECT_EQ(ReadBytes(CommandIni()), CommandExamples()) << "reading the examples must not change the file";
  EXPECT_EQ(ReadBytes(ConnectIni()), ConnectExamples()) << "reading the examples must not change the file";
}

// Files that hold sections are the user's and stay as they are.
struct OwnFileCase {
  const char* name;
  const char* content;
  std::vector<std::string> sections;
};

TEST_F(MenuFilesTest, FilesWithSectionsAreLeftAlone) {
  const OwnFileCase cases[] = {
      {"separator only", "[-]\r\n", {"-"}},
      {"one entry", "[计算器]\r\n命令=calc.exe\r\n", {"计算器"}},
      {"entries and separator", "[a]\r\n\r\n[-]\r\n[b]\r\n", {"a", "-", "b"}},
      {"empty section name", "[]\r\n", {""}},
  };
  for (const OwnFileCase& c : cases) {
    ScratchDir dir;
    FixedEnvironment env(dir.path() + "Kelvarion.exe", "PC1", "bob");
    CTessarynApp app(env, HostFileSystem());
    WriteBytes(CommandMenuPath(app), c.content);
    WriteBytes(ConnectMenuPath(app), c.content);
    CTextList commands, folders;
    ReadCommandMenuSections(app, commands);
    ReadConnectMenuSections(app, folders);
    EXPECT_EQ(commands.Items(), c.sections) << c.name << ": command.ini sections";
    EXPECT_EQ(folders.Items(), c.sections) << c.name << ": connect.ini sections";
    EXPECT_EQ(ReadBytes(CommandMenuPath(app)), c.content) << c.name << ": command.ini must stay as it was";
    EXPECT_EQ(ReadBytes(ConnectMenuPath(app)), c.content) << c.name << ": connect.ini must stay as it was";
  }
}

TEST_F(MenuFilesTest, MissingKeysAreWrittenBackEmpty) {
  app_.GetLocalDirectory();
  WriteBytes(CommandIni(), "[计算器]\r\n命令=calc.exe\r\n[-]\r\n");
  CommandMenuEntry calc = ReadCommandMenuEntry(app_, "计算器");
  EXPECT_EQ(calc.commandLine, "calc.exe");
  EXPECT_EQ(calc.startIn, "");
  EXPECT_EQ(ReadBytes(CommandIni()), "[计算器]\r\n命令=calc.exe\r\n起始位置=\r\n[-]\r\n")
      << "the missing working directory is added empty to its own section";

  WriteBytes(ConnectIni(), "[共享]\r\n目录=\\\\server\\共享\r\n");
  ConnectMenuEntry share = ReadConnectMenuEntry(app_, "共享");
  EXPECT_EQ(share.folder, "\\\\server\\共享");
  EXPECT_EQ(share.user, "");
  EXPECT_EQ(share.password, "");
  EXPECT_EQ(ReadBytes(ConnectIni()), "[共享]\r\n目录=\\\\server\\共享\r\n用户名=\r\n密码=\r\n")
      << "user name and password are added empty";

  ConnectMenuEntry none = ReadConnectMenuEntry(app_, "无");
  EXPECT_EQ(none.folder, "");
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), ConnectIni(), "无", "密码"), "");
  CTextList keys;
  EXPECT_EQ(ReadIniSectionKeys(HostFileSystem(), ConnectIni(), "无", keys), 3)
      << "a missing section is created with its three keys empty";
}

TEST_F(MenuFilesTest, FolderEntryWithoutFolderReadsNothingElse) {
  app_.GetLocalDirectory();
  WriteBytes(ConnectIni(), "[空]\r\n用户名=u\r\n");
  ConnectMenuEntry entry{"x", "y", "z"};
  EXPECT_FALSE(ReadConnectFolderEntry(app_, "空", entry)) << "a section without a folder opens nothing";
  EXPECT_EQ(entry.folder, "");
  EXPECT_EQ(entry.user, "") << "nothing of a previous entry may remain";
  EXPECT_EQ(ReadBytes(ConnectIni()), "[空]\r\n用户名=u\r\n目录=\r\n")
      << "only the folder key is written back, the password key is not touched";

  WriteBytes(ConnectIni(), "[网]\r\n目录=\\\\srv\\d\r\n用户名=bob\r\n密码=secret\r\n");
  ASSERT_TRUE(ReadConnectFolderEntry(app_, "网", entry));
  EXPECT_EQ(entry.folder, "\\\\srv\\d");
  EXPECT_EQ(entry.user, "bob");
  EXPECT_EQ(entry.password, "secret");
}

// The menu files are the user's own: when the examples or a missing line
// break cannot be written for a full disk, what the user wrote stays whole.
TEST(MenuFilesOnAFullDisk, TheUsersTextStaysWhole) {
  const std::string notes = "; 我的命令, no sections yet";
  using Reader = void (*)(CTessarynApp&, CTextList&);
  const std::pair<const char*, Reader> files[] = {{"command.ini", ReadCommandMenuSections},
                                                  {"connect.ini", ReadConnectMenuSections}};
  for (const auto& [name, read] : files) {
    MemoryFileSystem fs;
    FixedEnvironment env("C:\\K\\Kelvarion.exe", "PC1", "alice");
    CTessarynApp app(env, fs);
    const std::string file = app.GetLocalDirectory() + name;
    fs.PutFile(file, notes);
    fs.writeLimit = 10;
    CTextList sections;
    read(app, sections);
    EXPECT_EQ(fs.GetFile(file), notes) << name << " was cut";
  }
}

TEST(MenuFilesText, ExplorerCommandLineNamesTheExplorerAndQuotesTheFolder) {
  const std::string explorer = "C:\\windows\\explorer.exe";
  const std::string start = "\"C:\\windows\\explorer.exe\" ";
  const struct {
    std::string folder, expected;
  } cases[] = {
      // The backslash before the closing quote is doubled, or it would escape the quote.
      {"c:\\", start + "\"c:\\\\\""},
      {"\\\\127.0.0.1\\", start + "\"\\\\127.0.0.1\\\\\""},
      {"d:\\a\\\\", start + "\"d:\\a\\\\\\\\\""},
      {"D:\\My Files", start + "\"D:\\My Files\""},
      {"D:\\My Files\\乗", start + "\"D:\\My Files\\乗\""},  // trail byte 0x5C is no backslash
      {"D:\\乗\\", start + "\"D:\\乗\\\\\""},
      {"c:\\\" /select,\"c:\\x", ""},  // a quote would add arguments
      {"\"c:\\\"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExplorerCommandLine(explorer, c.folder), c.expected) << "folder " << c.folder;
  EXPECT_EQ(ExplorerCommandLine("", "c:\\"), "") << "no explorer path, no command line";
}

TEST(MenuFilesText, OnlyDoubleBackslashPathsAreNetworkFolders) {
  const struct {
    std::string folder;
    bool network;
  } cases[] = {
      {"\\\\server\\share", true}, {"\\\\127.0.0.1\\", true}, {"c:\\", false}, {"Z:", false},
      {"\\temp", false},           {"\\\\", false},           {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsNetworkFolder(c.folder), c.network) << "folder " << c.folder;
}

}  // namespace
}  // namespace kelvarion
