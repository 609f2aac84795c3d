// The main window's toolbar: saving the clipboard (all formats, file names)
// and the screen captures, whose window pick starts from its button.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "win/window.h"

namespace kelvarion {

// Draws the pick frame on a window, or takes it away: the frame inverts, so
// the same call does both.
void HighlightWindowFrame(HWND window);

// The window pick: pressing the left button on the pick button starts it, the
// window under the mouse carries the frame while the mouse moves, and
// releasing the button over a window picks that window's outer rectangle.
// The program's own windows are never picked.
class CPickToolBar : private SubclassedControl {
 public:
  // Called with the picked window's rectangle (screen coordinates) once its
  // frame is gone again.
  using PickedHandler = std::function<void(const RECT& rect)>;
  ~CPickToolBar() override;

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

  void SetPickedHandler(PickedHandler handler) { picked_ = std::move(handler); }
  bool IsPicking() const { return picking_; }
  // Ends a pick without picking anything; false when no pick was running.
  bool CancelPick();

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void StartPick();
  void TrackPick(POINT client);
  // Ends the pick; with pick, the highlighted window (if any) is captured.
  void EndPick(bool pick);

  HWND bar_ = nullptr;
  PickedHandler picked_;
  bool picking_ = false;
  HWND highlighted_ = nullptr;
  HCURSOR pickCursor_ = nullptr;
  HCURSOR endCursor_ = nullptr;
  HINSTANCE instance_ = nullptr;
  wchar_t tip_[80] = {};
};

}  // namespace kelvarion
