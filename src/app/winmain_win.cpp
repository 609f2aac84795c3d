// Kelvarion.exe: the command line chooses the role of this process.
#include <windows.h>

#include "app/command_line.h"
#include "app/settings.h"
#include "base/notice.h"
#include "platform/win32/win32_ports.h"
#include "win/text_win.h"

using namespace kelvarion;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Win32FileSystem files;
  Win32Environment environment;
  MessageBoxUserNotice notice;
  SetUserNotice(&notice);
  CTessarynApp app(environment, files);

  const std::string commandLine = Narrow(GetCommandLineW());
  const RoleChoice choice = ChooseRole(commandLine);
  switch (choice.role) {
    case Role::kBadSwitch:
      MessageBoxW(nullptr, L"Error Parm", L"", MB_OK);
      return 0;
    case Role::kConnectFolder:
    case Role::kArchive:
    case Role::kSearch:
    case Role::kLock:
      // These secondary roles arrive with their features; until then the
      // process ends at once, as each of them does when its work is done.
      return 0;
    case Role::kResident:
      break;
  }

  // The settings start-up of the resident program: the local directory (and
  // its entry in the program settings file), the history directory, and the
  // user settings file with every setting's default written back.
  app.GetLocalDirectory();
  app.LoadStartupSettings();
  return 0;
}
