// The history list of the main window: one row per history file, newest on
// top, shown by a virtual list view over our own row model.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "app/icon_cache_win.h"
#include "app/shell_context_win.h"
#include "clip/capture.h"
#include "history/history_rows.h"
#include "win/window.h"

namespace kelvarion {

class CMainFrame;

// Every path of a drop, whatever its length, each followed by "\r\n".
std::string ReadDroppedFileNames(HDROP drop);

// The document of the single-document window holds nothing: the rows live in
// the view, the files in the history directory.
class CTessarynDoc {};

class CTessarynView : public SubclassedControl, public HistorySink {
 public:
  CTessarynView(ShellContext& context, CMainFrame& frame);
  ~CTessarynView() override;

  bool CreateView(HWND parent);
  // The first fill from the history directory, the archive of old history,
  // the hot key and the tray icon.
  void OnInitialUpdate();

  int AddHistoryRow(const std::string& text, const std::string& fileName, const std::string& iconFile, int iconIndex,
                    int type) override;
  std::string GetRowFileName(int index) const { return rows_.GetRowFileName(index); }
  void DeleteHistoryRow(int index);
  void OpenHistoryRow(int index);
  // Puts the row's item back on the clipboard (silently does nothing when it
  // cannot be restored).
  void RestoreHistoryItem(int index);
  int GetFirstSelectedRow() const;

  void CaptureClipboardText();
  void CaptureAllFormats();
  void CaptureClipboardFileNames();

  bool OnCommand(UINT id);
  void GetCommandState(UINT id, bool& enabled, bool& checked);
  LRESULT OnNotify(NMHDR* header);

  CaptureState& Capture() { return capture_; }
  CHistoryRows& Rows() { return rows_; }
  const std::string& ScreenSaveType() const { return screenSaveType_; }

  // The row with what it shows read from its file; nullptr when out of range.
  HistoryRow* ResolvedRow(int index);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnGetDisplayInfo(NMLVDISPINFOW* info);
  void OnContextMenu(int index);
  void OnKeyDown(WPARAM key);
  void OnDropFiles(HDROP drop);
  void EditMemo(int index);
  void ChangeFormatIcon(int index);
  void RefreshCount();
  void StartArchive(const std::string& cutOff);
  void ShowCaptureMessage(CaptureResult result);
  CaptureContext MakeCaptureContext();

  ShellContext& context_;
  CMainFrame& frame_;
  CHistoryRows rows_;
  CaptureState capture_;
  std::unique_ptr<CIconCache> icons_;
  std::string screenSaveType_;
  std::wstring displayText_;  // the text handed to the list for the row being drawn
};

}  // namespace kelvarion
