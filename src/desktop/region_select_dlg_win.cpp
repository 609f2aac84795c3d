#include "desktop/region_select_dlg_win.h"

#include <windowsx.h>

#include <algorithm>

#include "desktop/screen_capture_win.h"
#include "res/resource_ids.h"

namespace kelvarion {

CRegionSelectDlg::CRegionSelectDlg(HINSTANCE instance)
    : instance_(instance), cursor_(LoadCursorW(instance, MAKEINTRESOURCEW(IDCUR_CROSSHAIR))) {
  if (!cursor_) cursor_ = LoadCursorW(nullptr, IDC_CROSS);
}

INT_PTR CRegionSelectDlg::Run(HWND parent) {
  // The picture is taken before the window exists, so the window is not in it.
  if (!FreezeScreen()) return -1;
  return DoModal(parent, IDD_REGION_SELECT, instance_);
}

bool CRegionSelectDlg::FreezeScreen() {
  width_ = GetSystemMetrics(SM_CXSCREEN);
  height_ = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  displayBits_ = GetDeviceCaps(screen, BITSPIXEL);
  picture_.reset(CreateCompatibleDC(screen));
  pictureBitmap_.reset(picture_ ? CreateCompatibleBitmap(screen, width_, height_) : nullptr);
  bool copied = false;
  if (pictureBitmap_) {
    const HGDIOBJ old = SelectObject(picture_.get(), pictureBitmap_.get());
    copied = old && old != HGDI_ERROR &&
             BitBlt(picture_.get(), 0, 0, width_, height_, screen, 0, 0, SRCCOPY) != FALSE;
  }
  ReleaseDC(nullptr, screen);
  return copied;
}

int CRegionSelectDlg::CopySelection(CByteBuffer& image) const {
  if (!picture_) return kCaptureNoMemoryDc;
  return CopyDcToCaptureImage(picture_.get(), selection_, displayBits_, image);
}

BOOL CRegionSelectDlg::OnInitDialog() {
  SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, width_, height_, SWP_NOACTIVATE | SWP_NOCOPYBITS);
  SetCursor(cursor_);
  return TRUE;
}

void CRegionSelectDlg::DrawSelection() const {
  if (IsRectEmpty(&selection_)) return;
  HDC dc = GetDC(Hwnd());
  if (!dc) return;
  DrawFocusRect(dc, &selection_);
  ReleaseDC(Hwnd(), dc);
}

INT_PTR CRegionSelectDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: return SetMessageResult(1);
    case WM_PAINT: {
      // The frozen picture, with the rubber band over it while dragging.
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Hwnd(), &paint);
      BitBlt(dc, 0, 0, width_, height_, picture_.get(), 0, 0, SRCCOPY);
      if (buttonDown_ && !IsRectEmpty(&selection_)) DrawFocusRect(dc, &selection_);
      EndPaint(Hwnd(), &paint);
      return TRUE;
    }
    case WM_SETCURSOR:
      SetCursor(cursor_);
      return SetMessageResult(TRUE);
    case WM_LBUTTONDOWN: {
      SetCapture(Hwnd());
      buttonDown_ = true;
      anchor_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      selection_ = {anchor_.x, anchor_.y, anchor_.x, anchor_.y};
      return TRUE;
    }
    case WM_MOUSEMOVE: {
      if (!buttonDown_) return TRUE;
      // Clamped to the screen: with the mouse captured a drag may leave it.
      const int x = std::clamp<int>(GET_X_LPARAM(lParam), 0, width_);
      const int y = std::clamp<int>(GET_Y_LPARAM(lParam), 0, height_);
      DrawSelection();  // the focus rectangle inverts: drawn again it is gone
      selection_ = {std::min<LONG>(anchor_.x, x), std::min<LONG>(anchor_.y, y), std::max<LONG>(anchor_.x, x),
                    std::max<LONG>(anchor_.y, y)};
      DrawSelection();
      return TRUE;
    }
    case WM_LBUTTONUP:
      if (!buttonDown_) return TRUE;
      buttonDown_ = false;
      ReleaseCapture();
      ShowWindow(Hwnd(), SW_HIDE);
      EndDialog(IDOK);
      return TRUE;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a system dialog, a switch): the drag
      // is over and nothing was chosen.
      if (buttonDown_ && (msg == WM_CANCELMODE || reinterpret_cast<HWND>(lParam) != Hwnd())) {
        buttonDown_ = false;
        EndDialog(IDCANCEL);
      }
      return FALSE;
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

}  // namespace kelvarion
