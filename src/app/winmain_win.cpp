// Kelvarion.exe: the command line chooses the role of this process.
#include <windows.h>
#include <commctrl.h>

#include "app/command_line.h"
#include "app/connect_folder_win.h"
#include "app/resident_win.h"
#include "desktop/lock_screen_win.h"
#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_ports.h"
#include "settings/settings.h"
#include "win/text_win.h"

using namespace kelvarion;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  Win32FileSystem files;
  Win32Clipboard clipboard;
  Win32Clock clock;
  Win32Environment environment;
  MessageBoxUserNotice notice;
  CTessarynApp app(environment, files);

  const std::string commandLine = Narrow(GetCommandLineW());
  const RoleChoice choice = ChooseRole(commandLine);
  switch (choice.role) {
    case Role::kBadSwitch:
      MessageBoxW(nullptr, L"Error Parm", L"", MB_OK);
      return 0;
    case Role::kConnectFolder:
      OpenConnectFolder(app, choice.argument);
      return 0;
    case Role::kLock: {
      ShellContext context{app, files, clipboard, clock, notice, instance};
      LockScreenMain(context);
      return 0;
    }
    case Role::kArchive:
    case Role::kSearch:
      // These secondary roles arrive with their features; until then the
      // process ends at once, as each of them does when its work is done.
      return 0;
    case Role::kResident:
      break;
  }

  // A clipboard file given on the command line opens the viewer, which comes
  // with its own window; until then such a start ends at once.
  const std::string argument = ClipboardFileArgument(commandLine);
  if (!argument.empty() && HasClipboardFileEnding(argument) && files.Exists(argument)) return 0;

  ShellContext context{app, files, clipboard, clock, notice, instance};
  return RunResident(context);
}
