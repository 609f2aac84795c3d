// The history search window ("/F"): a frame with the search bar at the top
// (a combo box for the search words and the button "历史记录查找"), the
// result tree on the left and the text pane on the right of a splitter.
#pragma once

#include <windows.h>

#include <memory>

#include "archive/find_history.h"
#include "archive/find_views_win.h"
#include "settings/shell_context_win.h"
#include "win/dialog.h"
#include "win/window.h"

namespace kelvarion {

// The document of the text pane; it holds nothing of its own.
class CFind_KelvarionDoc {};

// The search bar: its commands go to the frame.
class CFindBar : public Dialog {
 public:
  explicit CFindBar(HWND frame) : frame_(frame) {}

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  HWND frame_;
};

class CFind_MainFrame : public Window {
 public:
  explicit CFind_MainFrame(ShellContext& context);
  ~CFind_MainFrame() override;

  bool CreateFrame();
  // Accelerators, the search bar's keys and the find dialog, before the
  // message is translated and dispatched.
  bool PreTranslateMessage(MSG& msg);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnCreate();
  void LayoutChildren();
  void OnCommand(int id, int code);
  void OnSearch();
  void OnComboChoice();
  void OnEditCommand(int id);
  void SaveHistory();
  HWND Combo() const;
  bool OnSplitterMouse(UINT msg, LPARAM lParam);

  ShellContext& context_;
  CFind_KelvarionDoc document_;
  HWND rebar_ = nullptr;
  std::unique_ptr<CFindBar> bar_;
  CFindHistory history_;
  HACCEL accelerators_ = nullptr;
  std::unique_ptr<CFind_KelvarionView> textView_;
  std::unique_ptr<CFind_LeftView> leftView_;
  int splitX_ = 200;  // the tree's width
  bool dragging_ = false;
  bool hintShown_ = false;
  bool historySaved_ = false;
};

// Runs the search window to its end; the process's exit code. A second
// start shows the first window and ends.
int RunSearchWindow(ShellContext& context);

}  // namespace kelvarion
