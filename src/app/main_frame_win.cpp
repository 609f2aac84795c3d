#include "app/main_frame_win.h"

#include <algorithm>

#include "app/frame_placement_win.h"
#include "app/paste_menu_win.h"
#include "desktop/screen_commands_win.h"
#include "history/history_view_win.h"
#include "res/resource_ids.h"
#include "settings/about_box_win.h"
#include "settings/registry_win.h"
#include "settings/settings_dlg_win.h"
#include "win/popup_menu_win.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {
constexpr wchar_t kOwnerClass[] = L"KelvarionOwner";
constexpr wchar_t kFrameClass[] = L"KelvarionFrame";
// The windows hidden by the desktop switch, kept while there are any.
constexpr char kHiddenWindowsFile[] = "HiddenWindows.txt";
}  // namespace

CMainFrame::CMainFrame(ShellContext& context)
    : context_(context),
      listening_(context.app.IsListenClipboard()),
      desktop_(context.files, context.app.GetLocalDirectory() + kHiddenWindowsFile),
      trayIcon_(context.instance),
      formats_(context.files, context.app.GetExePath(), context.app.GetLocalDirectory()) {
  formats_.LoadFormatList();
}

CMainFrame::~CMainFrame() {
  // Destroying the window saves the format list with the rest.
  if (Hwnd()) DestroyWindow(Hwnd());
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
  args.width = context_.app.GetMainWidth();
  args.height = context_.app.GetMainHeight();
  args.parent = owner_.Hwnd();
  args.menuOrId = LoadMenuW(context_.instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  args.instance = context_.instance;
  taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
  return Create(kFrameClass, args) != nullptr;
}

LRESULT CMainFrame::OnCreate() {
  chain_.SetWindow(Hwnd());
  trayIcon_.SetOwner(Hwnd());
  if (!toolBar_.Create(Hwnd(), context_.instance)) return -1;
  view_ = std::make_unique<CTessarynView>(context_, formats_, clipboardSource_);
  if (!view_->CreateView(Hwnd())) return -1;
  toolBar_.SetPickedHandler([this](const RECT& rect) {
    CaptureSaveContext save = MakeCaptureSaveContext();
    CaptureRectToHistory(Hwnd(), rect, save);
  });
  view_->SetCancelPick([this] { return toolBar_.CancelPick(); });
  return 0;
}

void CMainFrame::OnInitialUpdate() {
  // Windows that an earlier run hid and could not show again (it was killed
  // or the session ended abruptly) come back first.
  desktop_.ShowWindowsLeftHidden(desktopWindows_);
  view_->OnInitialUpdate();
  RegisterPasteHotKey();
  AddTrayIcon();
}

void CMainFrame::LayoutChildren() {
  RECT client;
  GetClientRect(Hwnd(), &client);
  const int top = toolBar_.Height();
  if (view_ && view_->Hwnd())
    MoveWindow(view_->Hwnd(), 0, top, client.right, std::max<int>(0, client.bottom - top), TRUE);
}

void CMainFrame::OnShowWindow(bool shown) {
  if (!shown || placementRestored_) return;
  RestoreFramePlacement(Hwnd(), context_.app);
  if (!context_.app.IsToolBarShown()) {
    toolBar_.Show(false);
    LayoutChildren();
  }
  if (context_.app.IsAutoPaste()) autoPaste_ = true;
  SetTransparency(context_.app.GetDiaphaneity());
  placementRestored_ = true;
  JoinClipboardChain();
  if (!context_.app.IsListenClipboard()) LeaveClipboardChain();
  SetAlwaysOnTop(context_.app.IsAlwaysOnTop());
}

void CMainFrame::OnSize(UINT type) {
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
  // Destroying saves auto-paste with the placement.
  DestroyWindow(Hwnd());
}

void CMainFrame::OnDestroy() {
  RemoveTrayIcon();
  RestoreDesktopWindows();
  SaveSessionState();
  PostQuitMessage(0);
}

void CMainFrame::SaveSessionState() {
  SaveFramePlacement(Hwnd(), context_.app, placementRestored_, autoPaste_);
  formats_.SaveFormatList();
}

void CMainFrame::JoinClipboardChain() {
  chain_.Join();
  listening_ = true;
  UpdateTrayIcon();
}

void CMainFrame::LeaveClipboardChain() {
  listening_ = false;
  chain_.Leave();
  UpdateTrayIcon();
}

void CMainFrame::OnDrawClipboard() {
  if (listening_ && view_) view_->CaptureClipboardText();
  chain_.ForwardChange();
  clipboardSource_.Record();
}

bool CMainFrame::RegisterPasteHotKey() {
  return hotKey_.Register(Hwnd(), static_cast<UINT>(context_.app.GetHotKeyFlags()),
                          static_cast<UINT>(context_.app.GetHotKey()));
}

bool CMainFrame::UnregisterPasteHotKey() { return hotKey_.Unregister(); }

void CMainFrame::AddTrayIcon() { trayIcon_.Add(TrayState()); }
void CMainFrame::UpdateTrayIcon() { trayIcon_.Update(TrayState()); }
void CMainFrame::RemoveTrayIcon() { trayIcon_.Remove(); }

void CMainFrame::ShowPasteMenu(WPARAM, LPARAM) {
  if (view_) RunPasteMenu(context_, *view_, Hwnd(), {listening_, autoPaste_, windowListOpen_});
}

void CMainFrame::SwitchDesktop() {
  std::vector<WindowId> excluded = {ToWindowId(Hwnd())};
  if (windowListDialog_ && windowListDialog_->Hwnd()) excluded.push_back(ToWindowId(windowListDialog_->Hwnd()));
  desktop_.SwitchDesktop(desktopWindows_, excluded);
  UpdateTrayIcon();
}

void CMainFrame::EditWindowDisplay() {
  windowListOpen_ = true;
  RunWindowDisplayList(desktop_, desktopWindows_, Hwnd(), context_.instance, windowListDialog_);
  windowListOpen_ = false;
}

void CMainFrame::RestoreDesktopWindows() { desktop_.RestoreDesktopWindows(desktopWindows_); }

void CMainFrame::OnToggleListen() {
  context_.app.SetListenClipboard(!listening_);
  if (listening_) LeaveClipboardChain();
  else JoinClipboardChain();
}

void CMainFrame::OnToggleToolBar() {
  const bool shown = !toolBar_.IsVisible();
  context_.app.SetToolBarShown(shown);
  toolBar_.Show(shown);
  LayoutChildren();
}

void CMainFrame::OnSettings() {
  // The chain and the hot key are released while the user may change them.
  LeaveClipboardChain();
  UnregisterPasteHotKey();
  Win32Registry registry;
  CSettingsDlg dialog(context_.app, registry, context_.instance);
  if (dialog.DoModal(Hwnd()) == IDOK) context_.app.ResetSettingsCache();
  if (context_.app.IsListenClipboard()) JoinClipboardChain();
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
    case ID_TOGGLE_AUTO_PASTE: autoPaste_ = !autoPaste_; return true;
    case ID_OPACITY_UP: IncreaseOpacity(); return true;
    case ID_OPACITY_DOWN: DecreaseOpacity(); return true;
    case ID_SETTINGS: OnSettings(); return true;
    case ID_APP_ABOUT: ShowAboutBox(Hwnd(), context_.app); return true;
    case ID_SWITCH_DESKTOP: SwitchDesktop(); return true;
    case ID_WINDOW_DISPLAY:
      if (!windowListOpen_) EditWindowDisplay();
      return true;
    // Screen captures: the tools are the desktop's, the rows the view's.
    case ID_CAPTURE_SCREEN:
      if (view_) {
        CaptureSaveContext save = MakeCaptureSaveContext();
        CaptureWholeScreen(Hwnd(), save);
      }
      return true;
    case ID_CAPTURE_REGION:
      if (view_) {
        CaptureSaveContext save = MakeCaptureSaveContext();
        CaptureRegion(Hwnd(), context_.instance, save);
      }
      return true;
  }
  return view_ && view_->OnCommand(id);
}

CaptureSaveContext CMainFrame::MakeCaptureSaveContext() {
  return CaptureSaveContext{context_.files,          context_.clock, context_.app.GetHistoryDirectory(),
                            context_.app.GetExePath(), view_->ScreenSaveType(), *view_,
                            view_->Stamps(),
                            context_.notice,         context_.app.GetMainWindowTitle()};
}

void CMainFrame::GetCommandState(UINT id, bool& enabled, bool& checked) {
  switch (id) {
    case ID_TOGGLE_LISTEN: checked = listening_; break;
    case ID_TOGGLE_TOOLBAR: checked = toolBar_.IsVisible(); break;
    case ID_TOGGLE_AUTO_PASTE: checked = autoPaste_; break;
    case ID_TOGGLE_LISTEN_FILE_NAMES:
      // Names of files are listened to only while the clipboard is.
      enabled = listening_;
      checked = listening_ && view_ && view_->Capture().listenToFileNames;
      break;
    case ID_OPACITY_UP:
    case ID_OPACITY_DOWN:
    case ID_SETTINGS:
    case ID_APP_ABOUT: break;
    default:
      if (view_) view_->GetCommandState(id, enabled, checked);
  }
}

bool CMainFrame::PreTranslateMessage(MSG& msg) {
  // Alt+F4 does not close the frame: it is closed from the paste menu.
  return msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (msg.hwnd == Hwnd() || IsChild(Hwnd(), msg.hwnd));
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (taskbarCreatedMessage_ && msg == taskbarCreatedMessage_) {
    trayIcon_.Restore(TrayState());
    return DefaultProc(msg, wParam, lParam);
  }
  switch (msg) {
    case WM_CREATE: {
      LRESULT r = DefaultProc(msg, wParam, lParam);
      return r == -1 ? -1 : OnCreate();
    }
    case WM_DRAWCLIPBOARD: OnDrawClipboard(); return 0;
    case WM_CHANGECBCHAIN:
      chain_.OnChangeChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_SHOWWINDOW: {
      LRESULT r = DefaultProc(msg, wParam, lParam);
      OnShowWindow(wParam != 0);
      return r;
    }
    case WM_SIZE: OnSize(static_cast<UINT>(wParam)); return 0;
    case WM_SYSCOMMAND:
      // A click or double click on the window-menu box does nothing.
      if (wParam == 0xF093 || wParam == 0xF063) return 0;
      return DefaultProc(msg, wParam, lParam);
    case WM_CONTEXTMENU: return 0;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam))) return 0;
      return DefaultProc(msg, wParam, lParam);
    case WM_INITMENUPOPUP:
      UpdateMenuStates(reinterpret_cast<HMENU>(wParam),
                       [this](UINT id, bool& enabled, bool& checked) { GetCommandState(id, enabled, checked); });
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (toolBar_.OnNotify(header)) return 0;
      if (view_ && header->hwndFrom == view_->Hwnd()) return view_->OnNotify(header);
      return DefaultProc(msg, wParam, lParam);
    }
    case kTrayMessage:
      // A left click on the icon toggles listening, a right click opens the paste menu.
      if (lParam == WM_LBUTTONDOWN) OnToggleListen();
      else if (lParam == WM_RBUTTONDOWN) ShowPasteMenu(0, 0);
      return 0;
    case WM_HOTKEY: ShowPasteMenu(wParam, lParam); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_QUERYENDSESSION:
      // Saved here already: when another program holds the logoff up and the
      // user forces it, this process is ended before WM_ENDSESSION arrives.
      SaveSessionState();
      return TRUE;
    case WM_ENDSESSION:
      // A logoff or shutdown ends the process after this without WM_CLOSE or
      // WM_DESTROY, so what they would save is saved now, and the windows
      // the desktop switch hid are shown again.
      if (wParam) {
        SaveSessionState();
        RestoreDesktopWindows();
      }
      return 0;
    case WM_SETFOCUS:
      if (view_ && view_->Hwnd()) SetFocus(view_->Hwnd());
      return 0;
  }
  return DefaultProc(msg, wParam, lParam);
}

}  // namespace kelvarion
