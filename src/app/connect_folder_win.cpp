#include "app/connect_folder_win.h"

#include <windows.h>
#include <winnetwk.h>

#include "app/menu_files.h"
#include "win/handles.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

// Connects with the stored credentials, dropping an earlier connection to the
// same resource first so that a changed user name takes effect. The result is
// of no consequence: the explorer is opened either way and shows what it can.
void ConnectNetworkFolder(const ConnectMenuEntry& entry) {
  std::wstring remote = Widen(entry.folder);
  const std::wstring user = Widen(entry.user);
  const std::wstring password = Widen(entry.password);
  WNetCancelConnection2W(remote.c_str(), 0, TRUE);
  NETRESOURCEW resource = {};
  resource.dwScope = RESOURCE_CONNECTED;
  resource.dwType = RESOURCETYPE_ANY;
  resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
  resource.lpRemoteName = remote.data();
  WNetAddConnection2W(&resource, password.c_str(), user.c_str(), 0);
}

bool StartShown(const std::string& commandLine) {
  std::wstring line = Widen(commandLine);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  KernelHandle thread(process.hThread), handle(process.hProcess);
  return true;
}

}  // namespace

bool OpenConnectFolder(CTessarynApp& app, const std::string& section) {
  ConnectMenuEntry entry;
  if (!ReadConnectFolderEntry(app, section, entry)) return false;
  const std::string commandLine = ExplorerCommandLine(entry.folder);
  if (commandLine.empty()) return false;
  // A local path or drive letter is never cancelled: forcing a cancel on "Z:"
  // would cut a mapped drive the user relies on, open files and all.
  if (IsNetworkFolder(entry.folder)) ConnectNetworkFolder(entry);
  return StartShown(commandLine);
}

}  // namespace kelvarion
