#include "app/connect_folder_win.h"

#include "win/process.h"
#include "win/text_win.h"

namespace kelvarion {

NetworkConnections SystemNetworkConnections() {
  NetworkConnections connections;
  connections.add = [](NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user) {
    return WNetAddConnection2W(&resource, password, user, 0);
  };
  connections.cancel = [](const wchar_t* name, BOOL force) { return WNetCancelConnection2W(name, 0, force); };
  return connections;
}

DWORD ConnectNetworkFolder(const ConnectMenuEntry& entry, const NetworkConnections& connections) {
  std::wstring remote = Widen(entry.folder);
  const std::wstring user = Widen(entry.user);
  const std::wstring password = Widen(entry.password);
  NETRESOURCEW resource = {};
  resource.dwScope = RESOURCE_CONNECTED;
  resource.dwType = RESOURCETYPE_ANY;
  resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
  resource.lpRemoteName = remote.data();
  auto connect = [&] {
    return connections.add(resource, password.empty() ? nullptr : password.c_str(),
                           user.empty() ? nullptr : user.c_str());
  };
  DWORD result = connect();
  if (result == ERROR_SESSION_CREDENTIAL_CONFLICT && connections.cancel(remote.c_str(), FALSE) == NO_ERROR)
    result = connect();
  return result;
}

bool OpenConnectFolder(CTessarynApp& app, const std::string& section) {
  ConnectMenuEntry entry;
  if (!ReadConnectFolderEntry(app, section, entry)) return false;
  const std::string commandLine = ExplorerCommandLine(ExplorerPath(), entry.folder);
  if (commandLine.empty()) return false;
  // Only a network folder is connected: a local path or drive letter needs
  // no credentials. The result is of no consequence: the explorer is opened
  // either way and shows what it can (or asks for what it needs).
  if (IsNetworkFolder(entry.folder)) ConnectNetworkFolder(entry, SystemNetworkConnections());
  return StartProgram(commandLine, SW_SHOWNORMAL);
}

}  // namespace kelvarion
