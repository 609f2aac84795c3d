// The paste menu's two user-edited menu files in the local directory:
// "command.ini" (programs to run) and "connect.ini" (folders to open, network
// folders with a user name and password). One section per menu entry in file
// order; a section named "-" is a separator. A file without any section gets
// example sections, so a new user sees what to edit.
#pragma once

#include <string>

#include "base/text_list.h"
#include "settings/settings.h"

namespace kelvarion {

inline constexpr char kCommandMenuFile[] = "command.ini";  // in the local directory
inline constexpr char kConnectMenuFile[] = "connect.ini";

std::string CommandMenuPath(CTessarynApp& app);  // local directory + "command.ini"
std::string ConnectMenuPath(CTessarynApp& app);  // local directory + "connect.ini"

// The example sections, written key by key through ReadIniString with the
// example as default (a key that holds a value keeps it). An example value
// that ends in CR LF leaves an empty line after its key when it is the last
// line written, which sets the sections apart in the file.
void WriteCommandMenuExamples(CTessarynApp& app);
void WriteConnectMenuExamples(CTessarynApp& app);

// Section names of "command.ini" / "connect.ini" in file order; when the file
// has no section (a missing file included) the examples are written first
// and the names read again.
void ReadCommandMenuSections(CTessarynApp& app, CTextList& sections);
void ReadConnectMenuSections(CTessarynApp& app, CTextList& sections);

struct CommandMenuEntry {
  std::string commandLine;  // "命令"
  std::string startIn;      // "起始位置"; empty: the current directory
};
struct ConnectMenuEntry {
  std::string folder;    // "目录": a local path or one that begins with "\\"
  std::string user;      // "用户名"
  std::string password;  // "密码"
};

// One section's keys; a missing key is written back empty, as ReadIniString
// does with an empty default.
CommandMenuEntry ReadCommandMenuEntry(CTessarynApp& app, const std::string& section);
ConnectMenuEntry ReadConnectMenuEntry(CTessarynApp& app, const std::string& section);

// What the "/D" process needs of a folder section: false, with only "目录"
// read (and written back empty when missing), when the section names no
// folder; otherwise the whole entry.
bool ReadConnectFolderEntry(CTessarynApp& app, const std::string& section, ConnectMenuEntry& entry);

// True for a folder that names a network resource ("\\server\share..."),
// the only kind that is connected with the section's user name and password.
bool IsNetworkFolder(const std::string& folder);

// The command line that opens the folder in the file explorer: the explorer
// by its full path (a program of that name beside ours or in the current
// directory must not run instead), then the folder in double quotes. The
// backslashes that end the folder are doubled, so that the last of them does
// not escape the closing quote ("c:\" becomes "c:\\"). Empty when the
// explorer path is empty, or when the folder holds a double quote, which no
// path can, and which would let the value add arguments of its own.
std::string ExplorerCommandLine(const std::string& explorerPath, const std::string& folder);

}  // namespace kelvarion
