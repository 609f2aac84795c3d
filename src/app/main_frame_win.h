// The one top-level window: it keeps the program resident in the clipboard
// viewer chain, owns the hot key, the notification-area icon, the toolbar and
// the format-icon table, and holds the history list. It coordinates; the
// pieces it owns do the work.
#pragma once

#include <windows.h>

#include <memory>

#include "app/clipboard_viewer_chain_win.h"
#include "app/paste_hot_key_win.h"
#include "app/tray_icon_win.h"
#include "clip/format_list.h"
#include "desktop/capture_save.h"
#include "desktop/desktop_lists.h"
#include "desktop/desktop_windows_win.h"
#include "desktop/pick_toolbar_win.h"
#include "desktop/window_info_win.h"
#include "desktop/window_list_dlg_win.h"
#include "settings/shell_context_win.h"
#include "win/window.h"

namespace kelvarion {

class CTessarynView;

class CMainFrame : public Window {
 public:
  explicit CMainFrame(ShellContext& context);
  ~CMainFrame() override;

  // Creates the hidden owner window, the frame, its toolbar and the view.
  bool CreateFrame();
  // The view's first fill from the history directory, then the hot key and
  // the tray icon.
  void OnInitialUpdate();
  // Our message loop calls this first; true means the message was eaten.
  bool PreTranslateMessage(MSG& msg);

  virtual void ShowPasteMenu(WPARAM wParam, LPARAM lParam);

  void JoinClipboardChain();
  void LeaveClipboardChain();
  bool RegisterPasteHotKey();
  bool UnregisterPasteHotKey();
  void AddTrayIcon();
  void RemoveTrayIcon();
  void UpdateTrayIcon();
  void SetAlwaysOnTop(bool on);
  void SetTransparency(int alpha);
  void IncreaseOpacity();
  void DecreaseOpacity();
  bool IsListening() const { return listening_; }

  // The second desktop: flips between the two, edits which windows belong
  // to this one, and shows every hidden window again at the end.
  void SwitchDesktop();
  void EditWindowDisplay();
  void RestoreDesktopWindows();

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnCreate();
  void OnShowWindow(bool shown);
  void OnSize(UINT type);
  void OnClose();
  void OnDestroy();
  // Placement, auto-paste and the format-icon table, as the exit saves them.
  void SaveSessionState();
  void OnToggleListen();
  void OnToggleToolBar();
  void OnSettings();
  void OnDrawClipboard();
  bool OnCommand(UINT id);
  // The checks and grays of the window menu's commands.
  void GetCommandState(UINT id, bool& enabled, bool& checked);
  void LayoutChildren();
  // What a screen capture needs to become a history row (the view exists).
  CaptureSaveContext MakeCaptureSaveContext();
  TrayIcon::State TrayState() const { return {listening_, desktop_.State()}; }

  ShellContext& context_;
  CPickToolBar toolBar_;
  bool listening_;
  PasteHotKey hotKey_;
  bool placementRestored_ = false;
  // Set while the window display dialog that the paste menu opens is running.
  bool windowListOpen_ = false;
  bool autoPaste_ = false;
  Window owner_;
  ClipboardViewerChain chain_;
  // The desktop state and its two window lists; the dialog while it runs.
  CDesktopLists desktop_;
  Win32DesktopWindows desktopWindows_;
  CWindowListDlg* windowListDialog_ = nullptr;
  ForegroundClipboardOrigin clipboardSource_;
  TrayIcon trayIcon_;
  UINT taskbarCreatedMessage_ = 0;
  CFormatListTable formats_;
  std::unique_ptr<CTessarynView> view_;
};

}  // namespace kelvarion
