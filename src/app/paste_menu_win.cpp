#include "app/paste_menu_win.h"

#include "app/menu_files.h"
#include "app/paste_menu.h"
#include "app/paste_win.h"
#include "base/ini.h"
#include "base/strings.h"
#include "history/history_view_win.h"
#include "res/resource_ids.h"
#include "settings/about_box_win.h"
#include "win/popup_menu_win.h"
#include "win/process.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

PasteMenuInput GatherPasteMenu(ShellContext& context, CTessarynView& view, HWND frame, const PasteMenuFlags& flags) {
  CTessarynApp& app = context.app;
  PasteMenuInput input;
  view.GetRecentRows(app.GetPasteMenuCount(), input.recentTexts, input.recentFiles);
  input.editList = app.IsEditListMenu();
  input.runList = app.IsRunListMenu();
  input.folderList = app.IsOpenDirListMenu();
  CTextList sections;
  if (input.runList) {
    ReadCommandMenuSections(app, sections);
    input.commandSections = sections.Items();
  }
  if (input.folderList) {
    ReadConnectMenuSections(app, sections);
    input.folderSections = sections.Items();
  }
  input.frameVisible = IsWindowVisible(frame) != FALSE;
  input.listening = flags.listening;
  input.listenFileNames = view.Capture().listenToFileNames;
  input.autoPaste = flags.autoPaste;
  input.clipboardHasFiles = context.clipboard.IsFormatAvailable(kCfHdrop);
  input.clipboardHasFormats = context.clipboard.CountFormats() > 0;
  input.windowListOpen = flags.windowListOpen;
  input.relabel = [&context, userIni = app.GetUserIniPath()](const std::string& label) {
    return ReadIniString(context.files, userIni, "MenuText", label, label);
  };
  return input;
}

// A built-in entry; true when it showed the frame.
bool RunBuiltinCommand(ShellContext& context, CTessarynView& view, HWND frame, int number) {
  CTessarynApp& app = context.app;
  switch (number) {
    case kBuiltinShowFrame:
      if (IsWindowVisible(frame)) {
        ShowWindow(frame, SW_HIDE);
        return false;
      }
      ShowWindow(frame, SW_SHOWNORMAL);
      SetForegroundWindow(frame);
      return true;
    case kBuiltinListen: SendMessageW(frame, WM_COMMAND, ID_TOGGLE_LISTEN, 0); break;
    case kBuiltinAutoPaste: SendMessageW(frame, WM_COMMAND, ID_TOGGLE_AUTO_PASTE, 0); break;
    case kBuiltinSettings: SendMessageW(frame, WM_COMMAND, ID_SETTINGS, 0); break;
    case kBuiltinExit: PostMessageW(frame, WM_CLOSE, 0, 0); break;
    case kBuiltinListenFileNames: view.OnCommand(ID_TOGGLE_LISTEN_FILE_NAMES); break;
    case kBuiltinPasteFileNames: view.CaptureClipboardFileNames(); break;
    case kBuiltinPasteAllFormats: view.CaptureAllFormats(); break;
    case kBuiltinSearch: StartProgram(OwnCommandLine(app.GetExePath(), " /F"), SW_SHOWNORMAL); break;
    case kBuiltinLockScreen: StartProgram(OwnCommandLine(app.GetExePath(), " /L"), SW_SHOWNORMAL); break;
    case kBuiltinOpenHistoryFolder:
      StartProgram(ExplorerCommandLine(ExplorerPath(), app.GetHistoryDirectory()), SW_SHOWNORMAL);
      break;
    case kBuiltinAbout: ShowAboutBox(frame, app); break;
    case kBuiltinSwitchDesktop:
    case kBuiltinWindowDisplay:
      // The desktop tools come with their own windows.
      break;
  }
  return false;
}

// Carries out a choice; paste is set when the previous window gets Ctrl+V,
// and the result says whether the frame was shown.
bool CarryOut(ShellContext& context, CTessarynView& view, HWND frame, const PasteMenuFlags& flags,
              const PasteMenuChoice& choice, bool& paste) {
  CTessarynApp& app = context.app;
  // The menu ran a message loop: captures meanwhile add rows at the top, so
  // the chosen item is found again by its file (and left alone when it went).
  const int row = choice.fileName.empty() ? -1 : view.FindRow(choice.fileName);
  using Kind = PasteMenuChoice::Kind;
  switch (choice.kind) {
    case Kind::kNone:
      break;
    case Kind::kRecent:
      if (row < 0) break;
      view.RestoreHistoryItem(row);
      paste = flags.autoPaste;
      break;
    case Kind::kEdit:
      if (row >= 0) view.OpenHistoryRow(row);
      break;
    case Kind::kRun: {
      const CommandMenuEntry entry = ReadCommandMenuEntry(app, choice.label);
      // A start folder that is not there runs the command where we are, as
      // changing into it would have failed and left us there.
      const std::string folder = Trim(entry.startIn);
      StartProgram(entry.commandLine, SW_SHOWNORMAL,
                   !folder.empty() && context.files.IsDirectory(folder) ? folder : std::string());
      break;
    }
    case Kind::kFolder:
      StartProgram(OwnCommandLine(app.GetExePath(), " /D \"" + choice.label + "\""), SW_SHOWNORMAL);
      break;
    case Kind::kBuiltin:
      return RunBuiltinCommand(context, view, frame, choice.builtin);
    case Kind::kError: {
      const std::wstring text = Widen("Tessaryn:error\r\n" + IntToString(choice.position));
      MessageBoxW(frame, text.c_str(), L"", MB_OK);
      break;
    }
  }
  return false;
}

}  // namespace

void RunPasteMenu(ShellContext& context, CTessarynView& view, HWND frame, const PasteMenuFlags& flags) {
  // The window the user works in gets the focus (and the paste) back; the
  // frame comes to the front, as a popup menu needs its owner there.
  HWND previous = GetForegroundWindow();
  if (previous == frame || previous == GetWindow(frame, GW_OWNER)) previous = nullptr;
  SetForegroundWindow(frame);
  if (!view.Hwnd()) return;

  const PasteMenuList list = BuildPasteMenuList(GatherPasteMenu(context, view, frame, flags));
  const PasteMenuChoice choice = list.Resolve(PopupMenuFromList(list.texts, list.checks, list.grays, frame));
  bool paste = false;
  const bool shownFrame = CarryOut(context, view, frame, flags, choice, paste);
  if (previous && ReturnsToPreviousWindow(choice, shownFrame)) PasteIntoPreviousWindow(previous, paste);
}

}  // namespace kelvarion
