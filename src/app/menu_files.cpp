#include "app/menu_files.h"

#include <iterator>
#include <string_view>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/ini.h"

namespace kelvarion {

namespace {

constexpr char kCommandKey[] = "命令";
constexpr char kStartInKey[] = "起始位置";
constexpr char kFolderKey[] = "目录";
constexpr char kUserKey[] = "用户名";
constexpr char kPasswordKey[] = "密码";
constexpr char kLineEnd[] = "\r\n";

struct ExampleValue {
  std::string section, key, value;
};

bool EndsWithLineEnd(std::string_view text) { return text.size() >= 2 && text.substr(text.size() - 2) == kLineEnd; }

// Values are written one line each, so a trailing CR LF of an example cannot
// reach the file through the value itself; it becomes an empty line after the
// key, provided the key was just appended at the end of the file (always so
// while the examples go into a file without sections).
void WriteExample(FileSystem& fs, const std::string& file, const ExampleValue& example) {
  std::string before;
  if (ReadTextFile(fs, file, before) < 0) before.clear();
  ReadIniString(fs, file, example.section, example.key, example.value);
  if (!EndsWithLineEnd(example.value)) return;
  std::string after;
  if (ReadTextFile(fs, file, after) < 0) return;
  if (after.size() > before.size() && after.compare(0, before.size(), before) == 0 && EndsWithLineEnd(after))
    ReplaceTextFile(fs, file, after + kLineEnd);
}

void WriteExamples(FileSystem& fs, const std::string& file, const ExampleValue* examples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) WriteExample(fs, file, examples[i]);
}

void ReadSections(FileSystem& fs, const std::string& file, CTextList& sections, void (*writeExamples)(CTessarynApp&),
                  CTessarynApp& app) {
  ReadIniSectionNames(fs, file, sections);
  if (!sections.IsEmpty()) return;
  // Only lines ended by CR LF hold sections; a file ending in a bare LF (or
  // in no line break) would glue the first example header to its last line
  // and hide it from the menu.
  std::string text;
  if (ReadTextFile(fs, file, text) > 0 && !EndsWithLineEnd(text)) ReplaceTextFile(fs, file, text + kLineEnd);
  writeExamples(app);
  ReadIniSectionNames(fs, file, sections);
}

}  // namespace

std::string CommandMenuPath(CTessarynApp& app) { return app.GetLocalDirectory() + kCommandMenuFile; }
std::string ConnectMenuPath(CTessarynApp& app) { return app.GetLocalDirectory() + kConnectMenuFile; }

void WriteCommandMenuExamples(CTessarynApp& app) {
  const std::string local = app.GetLocalDirectory();
  const ExampleValue examples[] = {
      {"范例-&N记事本", kCommandKey, "notepad.exe"},
      {"范例-&N记事本", kStartInKey, kLineEnd},
      {"-", kCommandKey, std::string("[-]作为分隔符") + kLineEnd},
      {"范例-&C配置命令菜单", kCommandKey, "notepad.exe \"" + CommandMenuPath(app) + "\""},
      {"范例-&C配置命令菜单", kStartInKey, local + kLineEnd},
      {"范例-&C配置打开文件夹菜单", kCommandKey, "notepad.exe \"" + ConnectMenuPath(app) + "\""},
      {"范例-&C配置打开文件夹菜单", kStartInKey, ""},
  };
  WriteExamples(app.GetFileSystem(), CommandMenuPath(app), examples, std::size(examples));
}

void WriteConnectMenuExamples(CTessarynApp& app) {
  const ExampleValue examples[] = {
      {"范例-打开&C盘", kFolderKey, "c:\\"},
      {"范例-打开&C盘", kUserKey, ""},
      {"范例-打开&C盘", kPasswordKey, kLineEnd},
      {"-", kFolderKey, "[-]作为分隔符,不起作用"},
      {"-", kUserKey, "如果是您本机上的目录,不用输入用户名和密码,如上例"},
      {"-", kPasswordKey, std::string("如果是网络上其它机器的目录,可以设定用户名和密码,如下例") + kLineEnd},
      {"范例-打开网络上的目录", kFolderKey, "\\\\127.0.0.1\\"},
      {"范例-打开网络上的目录", kUserKey, GetUserNameText(app.GetEnvironment())},
      {"范例-打开网络上的目录", kPasswordKey, std::string("如果是网上邻居上的目录,可以在此值写入密码") + kLineEnd},
  };
  WriteExamples(app.GetFileSystem(), ConnectMenuPath(app), examples, std::size(examples));
}

void ReadCommandMenuSections(CTessarynApp& app, CTextList& sections) {
  ReadSections(app.GetFileSystem(), CommandMenuPath(app), sections, WriteCommandMenuExamples, app);
}

void ReadConnectMenuSections(CTessarynApp& app, CTextList& sections) {
  ReadSections(app.GetFileSystem(), ConnectMenuPath(app), sections, WriteConnectMenuExamples, app);
}

CommandMenuEntry ReadCommandMenuEntry(CTessarynApp& app, const std::string& section) {
  FileSystem& fs = app.GetFileSystem();
  const std::string file = CommandMenuPath(app);
  CommandMenuEntry entry;
  // The working directory is read first: the run item changes to it before
  // it starts the command.
  entry.startIn = ReadIniString(fs, file, section, kStartInKey, "");
  entry.commandLine = ReadIniString(fs, file, section, kCommandKey, "");
  return entry;
}

ConnectMenuEntry ReadConnectMenuEntry(CTessarynApp& app, const std::string& section) {
  FileSystem& fs = app.GetFileSystem();
  const std::string file = ConnectMenuPath(app);
  ConnectMenuEntry entry;
  entry.folder = ReadIniString(fs, file, section, kFolderKey, "");
  entry.user = ReadIniString(fs, file, section, kUserKey, "");
  entry.password = ReadIniString(fs, file, section, kPasswordKey, "");
  return entry;
}

bool ReadConnectFolderEntry(CTessarynApp& app, const std::string& section, ConnectMenuEntry& entry) {
  FileSystem& fs = app.GetFileSystem();
  const std::string file = ConnectMenuPath(app);
  entry = ConnectMenuEntry{};
  entry.folder = ReadIniString(fs, file, section, kFolderKey, "");
  if (entry.folder.empty()) return false;
  entry.user = ReadIniString(fs, file, section, kUserKey, "");
  entry.password = ReadIniString(fs, file, section, kPasswordKey, "");
  return true;
}

bool IsNetworkFolder(const std::string& folder) { return folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\'; }

std::string ExplorerCommandLine(const std::string& explorerPath, const std::string& folder) {
  // '"' is below 0x40, so it is never the trail byte of a double-byte character.
  if (explorerPath.empty() || folder.find('"') != std::string::npos) return std::string();
  // A trail byte 0x5C ("乗" is 81 5C) is no backslash: in the wide command
  // line it is part of one character and escapes nothing.
  std::size_t trailing = 0;
  for (std::string_view rest = folder; EndsWithChar(rest, '\\'); rest.remove_suffix(1)) ++trailing;
  return "\"" + explorerPath + "\" \"" + folder + std::string(trailing, '\\') + "\"";
}

}  // namespace kelvarion
