// A static control that works as a hyperlink: its text is drawn blue, red
// while the mouse is over it and purple once its link has been opened; the
// hand cursor shows over it, and a click opens the link with the shell. An
// icon static keeps its picture but gets the cursor and the click all the same.
#pragma once

#include <windows.h>

#include <string>

#include "win/window.h"

namespace kelvarion {

// The address a link opens; empty means the control's own text is used.
class CHyperlink {
 public:
  CHyperlink() = default;
  explicit CHyperlink(std::string link) : link_(std::move(link)) {}
  const std::string& Text() const { return link_; }
  void SetText(std::string link) { link_ = std::move(link); }
  bool IsEmpty() const { return link_.empty(); }
  // 0 for an empty link, otherwise what ShellExecute answers for "open"
  // (more than 32 when the link was opened).
  INT_PTR Navigate() const;

 private:
  std::string link_;
};

class CStaticLink : public SubclassedControl {
 public:
  static constexpr COLORREF kUnvisitedColour = RGB(0, 0, 255);
  static constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
  static constexpr COLORREF kOverColour = RGB(255, 0, 0);
  static constexpr UINT_PTR kTimerId = 1;
  static constexpr UINT kTimerMilliseconds = 100;

  // Without a link the click takes the string resource of the control's id,
  // or else its text. With deleteOnDestroy the object deletes itself once its
  // control is gone (for links made with new and left to the dialog).
  explicit CStaticLink(const std::string& link = "", bool deleteOnDestroy = false);
  ~CStaticLink() override;

  // Attaches to control id of the dialog; false when there is none.
  bool SubclassDlgItem(int id, HWND dialog);
  void SetLink(const std::string& link) { link_.SetText(link); }
  const std::string& GetLink() const { return link_.Text(); }
  COLORREF GetColour() const { return colour_; }

  // The parent hands the control's WM_CTLCOLORSTATIC here (MFC's reflection,
  // done by hand). A text static gets its font and colour on a hollow brush;
  // null for an icon static, whose parent then answers as usual.
  HBRUSH OnCtlColor(HDC dc);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND) override;

 private:
  void OnLButtonDown();
  void OnTimer();
  void SetColour(COLORREF colour);

  CHyperlink link_;
  COLORREF colour_ = kUnvisitedColour;
  HFONT font_ = nullptr;
  int reserved_ = 0;
  bool deleteOnDestroy_ = false;
  bool over_ = false;
  UINT_PTR timerId_ = kTimerId;
};

// The hand cursor shared by every link of the process: cursor 106 of
// winhlp32.exe in the Windows directory, looked for once; the system's own
// hand when that file offers none.
HCURSOR GetLinkCursor();

}  // namespace kelvarion
