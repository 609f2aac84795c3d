#include "app/main_frame_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "app/menu_files.h"
#include "app/paste_menu.h"
#include "app/paste_win.h"
#include "win/popup_menu_win.h"
#include "res/resource_ids.h"
#include "base/ini.h"
#include "base/strings.h"
#include "desktop/window_info_win.h"
#include "history/history_view_win.h"
#include "win/process.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr wchar_t kOwnerClass[] = L"KelvarionOwner";
constexpr wchar_t kFrameClass[] = L"KelvarionFrame";
// How long a hung next viewer may hold up our forwarding of a clipboard
// change; the chain's order is kept, we just stop waiting for it.
constexpr UINT kForwardTimeoutMs = 1000;

std::string TrimLeadingBlanks(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

std::string ReadSetup(ShellContext& context, const std::string& key, const std::string& defaultValue) {
  return ReadIniString(context.files, context.app.GetUserIniPath(), "Setup", key, defaultValue);
}

void WriteSetup(ShellContext& context, const std::string& key, const std::string& value) {
  WriteIniString(context.files, context.app.GetUserIniPath(), "Setup", key, value);
}

CMainFrame::CMainFrame(ShellContext& context)
    : context_(context),
      listening_(ReadSetup(context, "ListenClipboard", "Y") == "Y"),
      formats_(context.files, context.app.GetExePath(), context.app.GetLocalDirectory()) {
  formats_.LoadFormatList();
}

CMainFrame::~CMainFrame() {
  // Destroying the window saves the format list with the rest.
  if (Hwnd()) DestroyWindow(Hwnd());
}

std::string CMainFrame::GetWindowTextCp936() const {
  wchar_t buffer[512] = {};
  int n = GetWindowTextW(Hwnd(), buffer, static_cast<int>(std::size(buffer)));
  return Narrow(std::wstring_view(buffer, n > 0 ? n : 0));
}

bool CMainFrame::CreateFrame() {
  WindowClassArgs ownerClass;
  ownerClass.name = kOwnerClass;
  ownerClass.instance = context_.instance;
  WindowClassArgs frameClass;
  frameClass.name = kFrameClass;
  frameClass.instance = context_.instance;
  frameClass.icon = LoadIconW(context_.instance, MAKEINTRESOURCEW(IDI_KELVARION));
  frameClass.smallIcon = static_cast<HICON>(
      LoadImageW(context_.instance, MAKEINTRESOURCEW(IDI_KELVARION), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  frameClass.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  if (!RegisterWindowClass(ownerClass) || !RegisterWindowClass(frameClass)) return false;

  // The frame is owned by an invisible popup, so it has no taskbar button.
  Window::CreateArgs ownerArgs;
  ownerArgs.style = WS_POPUP;
  ownerArgs.instance = context_.instance;
  if (!owner_.Create(kOwnerClass, ownerArgs)) return false;

  Window::CreateArgs args;
  args.style = WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX;
  std::wstring title = Widen(context_.app.GetMainWindowTitle());
  args.title = title.c_str();
  args.width = StrToInt(ReadSetup(context_, "MainWidth", "208"));
  args.height = StrToInt(ReadSetup(context_, "MainHeight", "240"));
  args.parent = owner_.Hwnd();
  args.menuOrId = LoadMenuW(context_.instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  args.instance = context_.instance;
  taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
  return Create(kFrameClass, args) != nullptr;
}

LRESULT CMainFrame::OnCreate() {
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0, 0,
                             0, 0, Hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_TOOLBAR_BAR)),
                             context_.instance, nullptr);
  if (!toolBar_) return -1;
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolBar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 15));
  TBADDBITMAP bitmap = {context_.instance, IDB_TOOLBAR};
  if (SendMessageW(toolBar_, TB_ADDBITMAP, 5, reinterpret_cast<LPARAM>(&bitmap)) < 0) return -1;
  const TBBUTTON buttons[] = {
      {0, ID_PASTE_ALL_FORMATS, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {1, ID_PASTE_FILE_NAMES, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
      {2, ID_PICK_WINDOW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {3, ID_CAPTURE_REGION, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {4, ID_CAPTURE_SCREEN, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
  };
  if (!SendMessageW(toolBar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons))) return -1;
  SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);

  view_ = std::make_unique<CTessarynView>(context_, *this);
  if (!view_->CreateView(Hwnd())) return -1;
  return 0;
}

void CMainFrame::LayoutChildren() {
  RECT client;
  GetClientRect(Hwnd(), &client);
  int top = 0;
  if (toolBar_ && IsWindowVisible(toolBar_)) {
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
    RECT bar;
    GetWindowRect(toolBar_, &bar);
    top = bar.bottom - bar.top;
  }
  if (view_ && view_->Hwnd())
    MoveWindow(view_->Hwnd(), 0, top, client.right, std::max<int>(0, client.bottom - top), TRUE);
}

bool CMainFrame::IsToolBarVisible() const { return toolBar_ && IsWindowVisible(toolBar_); }

void CMainFrame::OnShowWindow(bool shown) {
  if (!shown || placementRestored_) return;
  RECT r;
  GetWindowRect(Hwnd(), &r);
  int x = StrToInt(ReadSetup(context_, "MainX", IntToString(r.left)));
  int y = StrToInt(ReadSetup(context_, "MainY", IntToString(r.top)));
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  x = std::clamp(x, 0, std::max(0, screenWidth - 20));
  y = std::clamp(y, 0, std::max(0, screenHeight - 20));
  SetWindowPos(Hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(Hwnd(), nullptr, TRUE);
  if (ReadSetup(context_, "ToolBar", "1") == "0") {
    ShowWindow(toolBar_, SW_HIDE);
    LayoutChildren();
  }
  if (ReadSetup(context_, "AutoPaste", "0") == "1") autoPaste = true;
  SetTransparency(context_.app.GetDiaphaneity());
  placementRestored_ = true;
  JoinClipboardChain();
  if (ReadSetup(context_, "ListenClipboard", "Y") != "Y") LeaveClipboardChain();
  SetAlwaysOnTop(context_.app.IsAlwaysOnTop());
}

void CMainFrame::OnSize(UINT type, int, int) {
  if (type == SIZE_MINIMIZED) {
    // Minimising sends the frame to the tray.
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    ShowWindow(Hwnd(), SW_HIDE);
    return;
  }
  LayoutChildren();
}

void CMainFrame::OnClose() {
  LeaveClipboardChain();
  UnregisterPasteHotKey();
  WriteSetup(context_, "AutoPaste", autoPaste ? "1" : "0");
  DestroyWindow(Hwnd());
}

void CMainFrame::OnDestroy() {
  RemoveTrayIcon();
  SaveSessionState();
  PostQuitMessage(0);
}

void CMainFrame::SaveSessionState() {
  IniEntries entries;
  if (placementRestored_) {
    RECT r;
    GetWindowRect(Hwnd(), &r);
    entries = {{"MainX", IntToString(r.left)}, {"MainY", IntToString(r.top)}};
    if (IsIconic(Hwnd())) {
      entries.emplace_back("MainState", "1");
    } else {
      entries.emplace_back("MainState", "0");
      entries.emplace_back("MainWidth", IntToString(r.right - r.left));
      entries.emplace_back("MainHeight", IntToString(r.bottom - r.top));
    }
  }
  entries.emplace_back("AutoPaste", autoPaste ? "1" : "0");
  WriteIniStrings(context_.files, context_.app.GetUserIniPath(), "Setup", entries);
  formats_.SaveFormatList();
}

void CMainFrame::OnEndSession(bool ending) {
  // A logoff or shutdown ends the process after this without WM_CLOSE or
  // WM_DESTROY, so what they would save is saved now.
  if (ending) SaveSessionState();
}

void CMainFrame::JoinClipboardChain() {
  // Joining twice would make the frame its own next viewer, and leaving a
  // chain the frame is not in would send the chain a removal it never asked
  // for: both are kept to one step.
  if (!inChain_) {
    inChain_ = true;
    nextViewer_ = SetClipboardViewer(Hwnd());
  }
  listening_ = true;
  UpdateTrayIcon();
}

void CMainFrame::LeaveClipboardChain() {
  listening_ = false;
  if (inChain_) {
    ChangeClipboardChain(Hwnd(), nextViewer_ == Hwnd() ? nullptr : nextViewer_);
    inChain_ = false;
    nextViewer_ = nullptr;
  }
  UpdateTrayIcon();
}

void CMainFrame::OnDrawClipboard() {
  if (listening_ && view_) view_->CaptureClipboardText();
  if (nextViewer_ && nextViewer_ != Hwnd()) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(nextViewer_, WM_DRAWCLIPBOARD, 0, 0, SMTO_ABORTIFHUNG, kForwardTimeoutMs, &result);
  }
  RecordClipboardSource();
}

void CMainFrame::OnChangeClipboardChain(HWND removed, HWND next) {
  if (removed == nextViewer_) {
    nextViewer_ = next;
  } else if (nextViewer_) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(nextViewer_, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed),
                        reinterpret_cast<LPARAM>(next), SMTO_ABORTIFHUNG, kForwardTimeoutMs, &result);
  }
}

void CMainFrame::RecordClipboardSource() {
  std::string program, title;
  if (!GetWindowProcessInfo(program, title)) program.clear(), title.clear();
  sourceProgram_ = program;
  sourceTitle_ = title;
}

void CMainFrame::GetClipboardSource(std::string& program, std::string& title) const {
  program = sourceProgram_;
  title = sourceTitle_;
}

bool CMainFrame::RegisterPasteHotKey() {
  if (hotKeyId_) UnregisterPasteHotKey();
  std::wstring atomName = Widen(GetWindowTextCp936()) + L"Tessaryn-hotkey-atom";
  hotKeyId_ = GlobalAddAtomW(atomName.c_str()) & 0xFFFF;
  UINT modifiers = static_cast<UINT>(context_.app.GetHotKeyFlags());
  UINT key = static_cast<UINT>(context_.app.GetHotKey());
  if (RegisterHotKey(Hwnd(), hotKeyId_, modifiers, key)) return true;
  DWORD error = GetLastError();
  if (error > 0) {
    wchar_t* systemText = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
    std::wstring caption = systemText ? systemText : L"";
    if (systemText) LocalFree(systemText);
    while (!caption.empty() && (caption.back() == L'\n' || caption.back() == L'\r')) caption.pop_back();
    MessageBoxW(Hwnd(), Widen("无法注册您所使用的热键,请重新设置").c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
  }
  return false;
}

bool CMainFrame::UnregisterPasteHotKey() {
  if (!hotKeyId_) return false;
  UnregisterHotKey(Hwnd(), hotKeyId_);
  GlobalDeleteAtom(static_cast<ATOM>(hotKeyId_));
  hotKeyId_ = 0;
  return true;
}

namespace {
NOTIFYICONDATAW TrayRecord(HWND frame) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = frame;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  return data;
}

void SetTip(NOTIFYICONDATAW& data, const std::string& tip) {
  std::wstring wide = Widen(TrimLeadingBlanks(tip));
  // The tip field holds 128 characters with its terminator.
  wide = wide.substr(0, std::size(data.szTip) - 1);
  std::copy(wide.begin(), wide.end(), data.szTip);
  data.szTip[wide.size()] = L'\0';
}
}  // namespace

void CMainFrame::AddTrayIcon() {
  NOTIFYICONDATAW data = TrayRecord(Hwnd());
  data.hIcon = LoadIconW(context_.instance, MAKEINTRESOURCEW(desktopState == 0 ? IDI_WATCHING : IDI_PAUSED));
  SetTip(data, GetWindowTextCp936());
  Shell_NotifyIconW(NIM_ADD, &data);
}

void CMainFrame::UpdateTrayIcon() {
  NOTIFYICONDATAW data = TrayRecord(Hwnd());
  data.hIcon = LoadIconW(context_.instance, MAKEINTRESOURCEW(listening_ ? IDI_WATCHING : IDI_PAUSED));
  SetTip(data, GetWindowTextCp936() + (listening_ ? " - 正在监听粘贴板" : " - 暂停监听粘贴板"));
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void CMainFrame::RemoveTrayIcon() {
  NOTIFYICONDATAW data = TrayRecord(Hwnd());
  data.uFlags = 0;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

void CMainFrame::OnTrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) OnToggleListen();
  else if (mouseMessage == WM_RBUTTONDOWN) ShowPasteMenu(0, 0);
}

void CMainFrame::ShowPasteMenu(WPARAM, LPARAM) {
  // The window the user works in gets the focus (and the paste) back; the
  // frame comes to the front, as a popup menu needs its owner there.
  HWND previous = GetForegroundWindow();
  if (previous == Hwnd() || previous == owner_.Hwnd()) previous = nullptr;
  SetForegroundWindow(Hwnd());
  if (!view_ || !view_->Hwnd()) return;

  CTessarynApp& app = context_.app;
  PasteMenuInput input;
  view_->GetRecentRows(app.GetPasteMenuCount(), input.recentTexts, input.recentFiles);
  input.editList = ReadSetup(context_, "EditListMenu", "Y") == "Y";
  input.runList = ReadSetup(context_, "RunListMenu", "Y") == "Y";
  input.folderList = ReadSetup(context_, "OpenDirListMenu", "Y") == "Y";
  CTextList sections;
  if (input.runList) {
    ReadCommandMenuSections(app, sections);
    input.commandSections = sections.Items();
  }
  if (input.folderList) {
    ReadConnectMenuSections(app, sections);
    input.folderSections = sections.Items();
  }
  input.frameVisible = IsWindowVisible(Hwnd()) != FALSE;
  input.listening = listening_;
  input.listenFileNames = view_->Capture().listenToFileNames;
  input.autoPaste = autoPaste;
  input.clipboardHasFiles = context_.clipboard.IsFormatAvailable(CF_HDROP);
  input.clipboardHasFormats = context_.clipboard.CountFormats() > 0;
  input.windowListOpen = windowListOpen;
  const std::string userIni = app.GetUserIniPath();
  input.relabel = [&](const std::string& label) {
    return ReadIniString(context_.files, userIni, "MenuText", label, label);
  };
  const PasteMenuList list = BuildPasteMenuList(input);

  const PasteMenuChoice choice = list.Resolve(PopupMenuFromList(list.texts, list.checks, list.grays, Hwnd()));
  // The menu ran a message loop: captures meanwhile add rows at the top, so
  // the chosen item is found again by its file (and left alone when it went).
  const int row = choice.fileName.empty() ? -1 : view_->FindRow(choice.fileName);
  bool paste = false;
  bool shownFrame = false;
  using Kind = PasteMenuChoice::Kind;
  switch (choice.kind) {
    case Kind::kNone:
      break;
    case Kind::kRecent:
      if (row < 0) break;
      view_->RestoreHistoryItem(row);
      paste = autoPaste;
      break;
    case Kind::kEdit:
      if (row >= 0) view_->OpenHistoryRow(row);
      break;
    case Kind::kRun: {
      const CommandMenuEntry entry = ReadCommandMenuEntry(app, choice.label);
      // A start folder that is not there runs the command where we are, as
      // changing into it would have failed and left us there.
      const std::string folder = Trim(entry.startIn);
      StartProgram(entry.commandLine, SW_SHOWNORMAL,
                   !folder.empty() && context_.files.IsDirectory(folder) ? folder : std::string());
      break;
    }
    case Kind::kFolder:
      StartProgram(OwnCommandLine(app.GetExePath(), " /D \"" + choice.label + "\""), SW_SHOWNORMAL);
      break;
    case Kind::kBuiltin:
      shownFrame = RunBuiltinCommand(choice.builtin);
      break;
    case Kind::kError: {
      const std::wstring text = Widen("Tessaryn:error\r\n" + IntToString(choice.position));
      MessageBoxW(Hwnd(), text.c_str(), L"", MB_OK);
      break;
    }
  }
  if (previous && ReturnsToPreviousWindow(choice, shownFrame)) PasteIntoPreviousWindow(previous, paste);
}

bool CMainFrame::RunBuiltinCommand(int number) {
  CTessarynApp& app = context_.app;
  switch (number) {
    case kBuiltinShowFrame:
      if (IsWindowVisible(Hwnd())) {
        ShowWindow(Hwnd(), SW_HIDE);
        return false;
      }
      ShowWindow(Hwnd(), SW_SHOWNORMAL);
      SetForegroundWindow(Hwnd());
      return true;
    case kBuiltinListen: OnToggleListen(); break;
    case kBuiltinListenFileNames: view_->OnCommand(ID_TOGGLE_LISTEN_FILE_NAMES); break;
    case kBuiltinAutoPaste: OnToggleAutoPaste(); break;
    case kBuiltinPasteFileNames: view_->CaptureClipboardFileNames(); break;
    case kBuiltinPasteAllFormats: view_->CaptureAllFormats(); break;
    case kBuiltinSearch: StartProgram(OwnCommandLine(app.GetExePath(), " /F"), SW_SHOWNORMAL); break;
    case kBuiltinSwitchDesktop:
    case kBuiltinWindowDisplay:
    case kBuiltinAbout:
      // The desktop tools and the about box come with their own windows.
      break;
    case kBuiltinLockScreen: StartProgram(OwnCommandLine(app.GetExePath(), " /L"), SW_SHOWNORMAL); break;
    case kBuiltinOpenHistoryFolder:
      StartProgram(ExplorerCommandLine(ExplorerPath(), app.GetHistoryDirectory()), SW_SHOWNORMAL);
      break;
    case kBuiltinSettings: OnSettings(); break;
    case kBuiltinExit: PostMessageW(Hwnd(), WM_CLOSE, 0, 0); break;
  }
  return false;
}

void CMainFrame::OnToggleListen() {
  if (listening_) {
    WriteSetup(context_, "ListenClipboard", "N");
    LeaveClipboardChain();
  } else {
    WriteSetup(context_, "ListenClipboard", "Y");
    JoinClipboardChain();
  }
}

void CMainFrame::OnToggleToolBar() {
  if (IsToolBarVisible()) {
    WriteSetup(context_, "ToolBar", "0");
    ShowWindow(toolBar_, SW_HIDE);
  } else {
    WriteSetup(context_, "ToolBar", "1");
    ShowWindow(toolBar_, SW_SHOW);
  }
  LayoutChildren();
}

void CMainFrame::OnToggleAutoPaste() { autoPaste = !autoPaste; }

void CMainFrame::OnSettings() {
  LeaveClipboardChain();
  UnregisterPasteHotKey();
  // The settings dialog runs here, with the chain and the hot key released
  // while the user may change them.
  if (ReadSetup(context_, "ListenClipboard", "Y") == "Y") JoinClipboardChain();
  RegisterPasteHotKey();
}

void CMainFrame::SetTransparency(int alpha) {
  alpha = std::clamp(alpha, 25, 255);
  SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE, GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(Hwnd(), 0, static_cast<BYTE>(alpha), LWA_ALPHA);
  context_.app.SetDiaphaneity(alpha);
}

void CMainFrame::IncreaseOpacity() { SetTransparency(context_.app.GetDiaphaneity() + 5); }
void CMainFrame::DecreaseOpacity() { SetTransparency(context_.app.GetDiaphaneity() - 5); }

void CMainFrame::SetAlwaysOnTop(bool on) {
  SetWindowPos(Hwnd(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool CMainFrame::OnCommand(UINT id) {
  switch (id) {
    case ID_TOGGLE_LISTEN: OnToggleListen(); return true;
    case ID_TOGGLE_TOOLBAR: OnToggleToolBar(); return true;
    case ID_TOGGLE_AUTO_PASTE: OnToggleAutoPaste(); return true;
    case ID_OPACITY_UP: IncreaseOpacity(); return true;
    case ID_OPACITY_DOWN: DecreaseOpacity(); return true;
    case ID_SETTINGS: OnSettings(); return true;
  }
  return view_ && view_->OnCommand(id);
}

void CMainFrame::OnInitMenuPopup(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    bool enabled = true, checked = false;
    switch (id) {
      case ID_TOGGLE_LISTEN: checked = listening_; break;
      case ID_TOGGLE_TOOLBAR: checked = IsToolBarVisible(); break;
      case ID_TOGGLE_AUTO_PASTE: checked = autoPaste; break;
      case ID_OPACITY_UP:
      case ID_OPACITY_DOWN:
      case ID_SETTINGS: break;
      default:
        if (view_) view_->GetCommandState(id, enabled, checked);
    }
    EnableMenuItem(menu, i, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, i, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

bool CMainFrame::PreTranslateMessage(MSG& msg) {
  // Alt+F4 does not close the frame: it is closed from the paste menu.
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (msg.hwnd == Hwnd() || IsChild(Hwnd(), msg.hwnd)))
    return true;
  return false;
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (taskbarCreatedMessage_ && msg == taskbarCreatedMessage_) {
    AddTrayIcon();
    return DefaultProc(msg, wParam, lParam);
  }
  switch (msg) {
    case WM_CREATE: {
      LRESULT r = DefaultProc(msg, wParam, lParam);
      return r == -1 ? -1 : OnCreate();
    }
    case WM_DRAWCLIPBOARD:
      OnDrawClipboard();
      return 0;
    case WM_CHANGECBCHAIN:
      OnChangeClipboardChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_SHOWWINDOW: {
      LRESULT r = DefaultProc(msg, wParam, lParam);
      OnShowWindow(wParam != 0);
      return r;
    }
    case WM_SIZE:
      OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SYSCOMMAND:
      // A click or double click on the window-menu box does nothing.
      if (wParam == 0xF093 || wParam == 0xF063) return 0;
      return DefaultProc(msg, wParam, lParam);
    case WM_CONTEXTMENU:
      return 0;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam))) return 0;
      return DefaultProc(msg, wParam, lParam);
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOW) {
        // Tool tips are the part of the command's string after its "\n".
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        static wchar_t tip[80];
        wchar_t text[256] = {};
        LoadStringW(context_.instance, static_cast<UINT>(header->idFrom), text, static_cast<int>(std::size(text)));
        const wchar_t* newline = wcschr(text, L'\n');
        wcsncpy(tip, newline ? newline + 1 : text, std::size(tip) - 1);
        info->lpszText = tip;
        return 0;
      }
      if (view_ && header->hwndFrom == view_->Hwnd()) return view_->OnNotify(header);
      return DefaultProc(msg, wParam, lParam);
    }
    case kTrayMessage:
      OnTrayNotify(lParam);
      return 0;
    case WM_HOTKEY:
      ShowPasteMenu(wParam, lParam);
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_QUERYENDSESSION:
      // Saved here already: when another program holds the logoff up and the
      // user forces it, this process is ended before WM_ENDSESSION arrives.
      OnEndSession(true);
      return TRUE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    case WM_SETFOCUS:
      if (view_ && view_->Hwnd()) SetFocus(view_->Hwnd());
      return 0;
  }
  return DefaultProc(msg, wParam, lParam);
}

}  // namespace kelvarion
