// The window display list ("更改桌面窗口显示"): every visible top-level window
// ticked, then the windows hidden on this desktop unticked; what the user
// leaves ticked belongs to this desktop. Closing it by any means applies it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "desktop/desktop_lists.h"
#include "win/dialog.h"

namespace kelvarion {

class CWindowListDlg : public Dialog {
 public:
  // excluded: the main frame, never listed. hidden: the windows hidden on
  // the current desktop.
  CWindowListDlg(HWND excluded, std::vector<HWND> hidden) : excluded_(excluded), hidden_(std::move(hidden)) {}

  // Always IDOK once it ran (-1 when it could not be made).
  INT_PTR DoModal(HWND parent, HINSTANCE resources);

  // After the run: the ticked rows and the unticked ones, top to bottom.
  const std::vector<HWND>& Shown() const { return shown_; }
  const std::vector<HWND>& Hidden() const { return hidden_; }

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  // Escape and the close box apply the list like OK.
  void OnCancel() override { OnOK(); }

 private:
  void AddRow(HWND window, int position, bool ticked);
  int RowIcon(HWND window, const std::string& programPath);

  HINSTANCE resources_ = nullptr;
  HWND excluded_;
  HWND list_ = nullptr;
  HIMAGELIST images_ = nullptr;
  std::vector<HWND> hidden_;
  std::vector<HWND> shown_;
};

// Opens the list over the current desktop, modal to the frame, and applies
// it; running points at the dialog while it is open (a switch meanwhile must
// not hide it).
void RunWindowDisplayList(CDesktopLists& lists, DesktopWindowPort& port, HWND frame, HINSTANCE resources,
                          CWindowListDlg*& running);

}  // namespace kelvarion
