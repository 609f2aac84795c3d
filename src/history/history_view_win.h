// The history list of the main window: one row per history file, newest on
// top, shown by a virtual list view over our own row model.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "clip/capture.h"
#include "clip/format_list.h"
#include "history/history_rows.h"
#include "settings/shell_context_win.h"
#include "win/icon_cache_win.h"
#include "win/window.h"

namespace kelvarion {

// Every path of a drop, whatever its length, each followed by "\r\n", as a
// kept history text (base/history_text.h).
std::string ReadDroppedFileNames(HDROP drop);

// The document of the single-document window holds nothing: the rows live in
// the view, the files in the history directory.
class CTessarynDoc {};

class CTessarynView : public SubclassedControl, public HistorySink {
 public:
  // formats: the frame's format-icon table; origin: where the frame notes
  // the clipboard's content came from. What the frame owns (the hot key, the
  // tray icon, listening, opacity) the view asks for with commands to its
  // parent window.
  CTessarynView(ShellContext& context, CFormatListTable& formats, const ClipboardOrigin& origin);
  ~CTessarynView() override;

  bool CreateView(HWND parent);
  // The first fill from the history directory and the archive of old history.
  void OnInitialUpdate();

  int AddHistoryRow(const std::string& text, const std::string& fileName, const std::string& iconFile, int iconIndex,
                    int type) override;
  std::string GetRowFileName(int index) const { return rows_.GetRowFileName(index); }
  // The row of a history file, -1 when it is gone. Whatever waits for the
  // user (a menu, a dialog) notes the file name and looks the row up after.
  int FindRow(const std::string& fileName) const { return rows_.FindFileName(fileName); }
  // Deletes the row's file and the row; a file that stays (it cannot be
  // deleted) keeps its row, and the user is told.
  void DeleteHistoryRow(int index);
  void OpenHistoryRow(int index);
  // Puts the row's item back on the clipboard (silently does nothing when it
  // cannot be restored).
  void RestoreHistoryItem(int index);
  int GetFirstSelectedRow() const;

  // Escape in the list first asks this to end a running window pick; only
  // when it answers false (no pick) does Escape hide the main window.
  void SetCancelPick(std::function<bool()> cancelPick) { cancelPick_ = std::move(cancelPick); }

  void CaptureClipboardText();
  void CaptureAllFormats();
  void CaptureClipboardFileNames();

  bool OnCommand(UINT id);
  void GetCommandState(UINT id, bool& enabled, bool& checked);
  LRESULT OnNotify(NMHDR* header);

  CaptureState& Capture() { return capture_; }
  CHistoryRows& Rows() { return rows_; }
  const std::string& ScreenSaveType() const { return screenSaveType_; }
  CHistoryStamps& Stamps() { return stamps_; }

  // The row with what it shows read from its file; nullptr when out of range
  // or when the file turned out unreadable (the row then leaves the list).
  HistoryRow* ResolvedRow(int index);
  // The texts and file names of the newest rows that can be shown, at most
  // count, newest first.
  void GetRecentRows(int count, std::vector<std::string>& texts, std::vector<std::string>& fileNames);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnGetDisplayInfo(NMLVDISPINFOW* info);
  void OnContextMenu(int index);
  void OnKeyDown(WPARAM key);
  void OnDropFiles(HDROP drop);
  void EditMemo(const std::string& fileName);
  void ChangeFormatIcon(const std::string& fileName);
  void RemoveUnreadableRows();
  void RefreshCount();
  void CatchUpCount();
  void StartArchive(const std::string& cutOff);
  void ShowCaptureMessage(CaptureResult result);
  void ShowError(const std::string& text);
  CaptureContext MakeCaptureContext();

  ShellContext& context_;
  CFormatListTable& formats_;
  const ClipboardOrigin& origin_;
  CHistoryRows rows_;
  CHistoryStamps stamps_;  // of every history file listed or written: new names are checked here
  CaptureState capture_;
  std::unique_ptr<CIconCache> icons_;
  std::string screenSaveType_;
  std::wstring displayText_;  // the text handed to the list for the row being drawn
  bool removalPosted_ = false;  // unreadable rows wait for kRemoveUnreadableRows
  bool countStale_ = false;     // the list has not been told the row count
  bool catchUpPosted_ = false;  // kCatchUpCount is on its way
  int rowsAddedUnseen_ = 0;     // rows put on top since, by which the selection moves
  std::function<bool()> cancelPick_;
};

}  // namespace kelvarion
