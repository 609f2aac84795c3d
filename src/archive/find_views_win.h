// The two panes of the search window: the result tree on the left, which
// runs the searches, and the text pane on the right, an edit control with
// the standard edit commands, find and replace included.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/archive_database.h"
#include "settings/shell_context_win.h"
#include "win/handles.h"

namespace kelvarion {

// The right pane: the text of the selected node. It wraps long lines and
// keeps one tab stop of 16 dialog units.
class CFind_KelvarionView {
 public:
  explicit CFind_KelvarionView(HINSTANCE instance) : instance_(instance) {}
  CFind_KelvarionView(const CFind_KelvarionView&) = delete;
  CFind_KelvarionView& operator=(const CFind_KelvarionView&) = delete;

  bool Create(HWND parent, int id);
  HWND Hwnd() const { return edit_; }

  std::wstring GetText() const;
  void SetText(const std::wstring& text);

  // The find and replace dialogs, modeless, owned by the frame; the frame
  // passes their registered message to OnFindReplace.
  void OpenFind(HWND owner, bool replace);
  void FindNextAgain(HWND owner);
  void OnFindReplace(const FINDREPLACEW& request);
  // The open find or replace dialog, for IsDialogMessageW; null when none.
  HWND FindDialog() const { return findDialog_; }
  static UINT FindReplaceMessage();

  // Finds what in the pane's text after the selection (or before it, when
  // not down), wrapping round once; selects it. False when it is not there.
  bool FindInPane(const std::wstring& what, bool down, bool matchCase, bool wholeWord);

 private:
  bool SelectionMatches(const std::wstring& what, bool matchCase) const;
  void ReplaceAll(const std::wstring& what, const std::wstring& with, bool matchCase, bool wholeWord);

  HINSTANCE instance_;
  HWND edit_ = nullptr;
  GdiObject<HFONT> font_;
  FINDREPLACEW request_{};
  wchar_t findWhat_[256] = {};
  wchar_t replaceWith_[256] = {};
  HWND findDialog_ = nullptr;
  DWORD lastFlags_ = FR_DOWN;
};

// The left pane: one top-level node per search, labelled with its text,
// whose text is the count; under it one node per hit, labelled with the
// first 255 characters of the item, whose text is the whole item.
//
// The hits of a search are counted at once, but their nodes are inserted in
// timed batches from WM_TIMER (which comes after input and painting), so a
// search with hundreds of thousands of hits leaves the window answering
// while its nodes arrive. A hit's label and text are read from the
// database when the tree shows it and when it is selected, not kept.
class CFind_LeftView {
 public:
  static constexpr UINT_PTR kFillTimer = 1;

  CFind_LeftView(ShellContext& context, CFind_KelvarionView& textView) : context_(context), textView_(textView) {}
  CFind_LeftView(const CFind_LeftView&) = delete;
  CFind_LeftView& operator=(const CFind_LeftView&) = delete;

  // timerWindow gets the fill timer's WM_TIMER and passes it to OnFillTimer.
  bool Create(HWND parent, int id, HWND timerWindow);
  HWND Hwnd() const { return tree_; }

  // One search with the text as the frame made it (code page 936).
  void Search(const std::string& text);
  bool IsBusy() const { return busy_; }

  LRESULT OnNotify(NMHDR* header);
  void OnFillTimer();

 private:
  struct Node {
    HTREEITEM item = nullptr;
    std::int64_t rowid = -1;  // -1: a search node
  };
  struct PendingFill {
    HTREEITEM parent = nullptr;
    std::vector<std::int64_t> rowids;
    std::size_t next = 0;
  };

  int InsertNode(HTREEITEM parent, const std::wstring* label, int image, std::int64_t rowid);
  void SetNodeText(int index, std::wstring text) { texts_[index] = std::move(text); }
  std::wstring NodeText(int index);
  void OnSelChanged(const NMTREEVIEWW& change);
  void OnGetDispInfo(NMTVDISPINFOW& info);
  bool OpenDatabase();
  bool CompleteIndex(int searchNode, const std::wstring& label);
  HWND Frame() const { return GetAncestor(tree_, GA_ROOT); }

  ShellContext& context_;
  CFind_KelvarionView& textView_;
  HWND tree_ = nullptr;
  HWND timerWindow_ = nullptr;
  ImageListHandle images_;
  CArchiveDatabase db_;
  int selected_ = -1;
  std::vector<Node> nodes_;
  // Node texts that are not (or no longer) the database's: the counts, and
  // the texts of nodes that were shown, with what was typed into them.
  std::unordered_map<int, std::wstring> texts_;
  std::deque<PendingFill> fills_;
  bool busy_ = false;
  std::wstring labelBuffer_;
};

// UTF-8 from the database straight to UTF-16, so characters outside code
// page 936 show whole; lone line feeds become CR LF for the edit control.
std::wstring WidenUtf8(std::string_view utf8);
std::wstring WithCrLf(std::wstring text);

}  // namespace kelvarion
