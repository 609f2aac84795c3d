// The main window's toolbar: saving the clipboard (all formats, file names)
// and the screen captures, whose window pick starts from its button.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace kelvarion {

class CPickToolBar {
 public:
  // A flat toolbar along the top of parent, from the bitmap strip of the
  // resources; false when it cannot be made.
  bool Create(HWND parent, HINSTANCE instance);

  HWND Hwnd() const { return bar_; }
  bool IsVisible() const { return bar_ && IsWindowVisible(bar_); }
  void Show(bool shown);
  // The height it takes at the top of its parent, 0 while hidden.
  int Height() const;
  // Answers the tool tip's question for a button's text (the part of the
  // command's string after its "\n"); false for any other notice.
  bool OnNotify(NMHDR* header);

 private:
  HWND bar_ = nullptr;
  HINSTANCE instance_ = nullptr;
  wchar_t tip_[80] = {};
};

}  // namespace kelvarion
