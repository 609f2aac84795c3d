// The "/D" role: opens one folder of "connect.ini" in the file explorer,
// connecting a network folder with the section's user name and password first.
#pragma once

#include <windows.h>
#include <winnetwk.h>

#include <functional>
#include <string>

#include "app/menu_files.h"
#include "settings/settings.h"

namespace kelvarion {

// The two network calls the role makes (WNetAddConnection2W and
// WNetCancelConnection2W without flags), so that tests can see their order.
struct NetworkConnections {
  std::function<DWORD(NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user)> add;
  std::function<DWORD(const wchar_t* name, BOOL force)> cancel;
};
NetworkConnections SystemNetworkConnections();

// Connects the entry's network folder with its user name and password; an
// empty one is passed as null, which means the user's own credentials (an
// empty text would mean "no password"). A connection that is there already
// is used as it is, never cut: only when the system refuses because another
// connection to the server holds other credentials is the one to this folder
// cancelled (without force, so open files keep it alive) and the connection
// tried once more. Returns the system's last answer.
DWORD ConnectNetworkFolder(const ConnectMenuEntry& entry, const NetworkConnections& connections);

// False when the section names no folder ("目录" empty or missing) or the
// explorer could not be started; the explorer is not waited for.
bool OpenConnectFolder(CTessarynApp& app, const std::string& section);

}  // namespace kelvarion
