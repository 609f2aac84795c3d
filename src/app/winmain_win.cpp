// Kelvarion.exe: the command line chooses the role of this process.
#include <windows.h>
#include <commctrl.h>

#include "app/command_line.h"
#include "archive/archive_run.h"
#include "archive/find_frame_win.h"
#include "app/connect_folder_win.h"
#include "app/resident_win.h"
#include "clip/clipboard_file_viewer_win.h"
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
    case Role::kArchive: {
      // Hidden and unattended: what could not be done stays for the next run.
      ArchiveSettings settings;
      settings.historyDirectory = app.GetHistoryDirectory();
      settings.databasePath = app.GetMdbFile();
      settings.backup = app.IsBackupEnabled();
      settings.backupMove = app.IsBackupMove();
      ArchiveOldHistory(files, settings, choice.argument);
      return 0;
    }
    case Role::kSearch: {
      ShellContext context{app, files, clipboard, clock, notice, instance};
      return RunSearchWindow(context);
    }
    case Role::kLock: {
      ShellContext context{app, files, clipboard, clock, notice, instance};
      LockScreenMain(context);
      return 0;
    }
    case Role::kResident:
      break;
  }

  ShellContext context{app, files, clipboard, clock, notice, instance};
  // A clipboard file given on the command line opens the viewer instead of
  // the resident program.
  const std::string argument = ClipboardFileArgument(commandLine);
  if (!argument.empty() && HasClipboardFileEnding(argument) && files.Exists(argument))
    return RunClipFileViewer(context, argument);

  return RunResident(context);
}
