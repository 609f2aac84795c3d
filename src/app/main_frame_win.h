// The one top-level window: it keeps the program resident in the clipboard
// viewer chain, owns the hot key and the notification-area icon, and holds
// the toolbar and the history list.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "settings/shell_context_win.h"
#include "clip/format_list.h"
#include "win/window.h"

namespace kelvarion {

class CTessarynView;

inline constexpr UINT kTrayIconId = 0x402;
inline constexpr UINT kTrayMessage = WM_USER + 1;

class CMainFrame : public Window {
 public:
  explicit CMainFrame(ShellContext& context);
  ~CMainFrame() override;

  // Creates the hidden owner window, the frame, its toolbar and the view.
  bool CreateFrame();
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
  void GetClipboardSource(std::string& program, std::string& title) const;

  bool IsListening() const { return listening_; }
  CTessarynView* GetView() const { return view_.get(); }
  CFormatListTable& Formats() { return formats_; }
  ShellContext& Context() { return context_; }
  std::string GetWindowTextCp936() const;

  // Read and written by the paste menu.
  bool autoPaste = false;
  bool windowListOpen = false;
  // Owned by the desktop switch.
  int desktopState = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnCreate();
  void OnShowWindow(bool shown);
  void OnSize(UINT type, int width, int height);
  void OnClose();
  void OnDestroy();
  // Placement, auto-paste and the format-icon table, as the exit saves them.
  void SaveSessionState();
  void OnEndSession(bool ending);
  void OnTrayNotify(LPARAM mouseMessage);
  void OnToggleListen();
  void OnToggleToolBar();
  void OnToggleAutoPaste();
  void OnSettings();
  // Carries out built-in paste-menu entry 1..20; true when it showed the frame.
  bool RunBuiltinCommand(int number);
  void OnInitMenuPopup(HMENU menu);
  void OnDrawClipboard();
  void OnChangeClipboardChain(HWND removed, HWND next);
  void RecordClipboardSource();
  bool OnCommand(UINT id);
  void LayoutChildren();
  bool IsToolBarVisible() const;

  ShellContext& context_;
  HWND toolBar_ = nullptr;
  bool listening_;
  int hotKeyId_ = 0;
  bool placementRestored_ = false;
  Window owner_;
  HWND nextViewer_ = nullptr;
  bool inChain_ = false;  // joined the clipboard viewer chain and not left it since
  std::string sourceProgram_;
  std::string sourceTitle_;
  UINT taskbarCreatedMessage_ = 0;
  CFormatListTable formats_;
  std::unique_ptr<CTessarynView> view_;
};

}  // namespace kelvarion
