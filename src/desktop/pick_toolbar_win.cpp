#include "desktop/pick_toolbar_win.h"

#include <windowsx.h>

#include <cwchar>
#include <iterator>

#include "res/resource_ids.h"

namespace kelvarion {

void HighlightWindowFrame(HWND window) {
  if (!IsWindow(window)) return;
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  HDC dc = GetWindowDC(window);
  if (!dc) return;
  SetROP2(dc, R2_NOT);
  HPEN pen = CreatePen(PS_INSIDEFRAME, 3 * GetSystemMetrics(SM_CXBORDER), RGB(255, 0, 255));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  ReleaseDC(window, dc);
  if (pen) DeleteObject(pen);
}

CPickToolBar::~CPickToolBar() {
  // The cursors are shared resources of the executable: nothing to free.
  Detach();
}

bool CPickToolBar::Create(HWND parent, HINSTANCE instance) {
  instance_ = instance;
  bar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                         WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_TOOLBAR_BAR)), instance, nullptr);
  if (!bar_) return false;
  SendMessageW(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(bar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 15));
  TBADDBITMAP bitmap = {instance, IDB_TOOLBAR};
  if (SendMessageW(bar_, TB_ADDBITMAP, 5, reinterpret_cast<LPARAM>(&bitmap)) < 0) return false;
  const TBBUTTON buttons[] = {
      {0, ID_PASTE_ALL_FORMATS, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {1, ID_PASTE_FILE_NAMES, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
      {2, ID_PICK_WINDOW, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {3, ID_CAPTURE_REGION, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
      {4, ID_CAPTURE_SCREEN, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
  };
  if (!SendMessageW(bar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons))) return false;
  SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
  return Attach(bar_);
}

void CPickToolBar::Show(bool shown) {
  if (bar_) ShowWindow(bar_, shown ? SW_SHOW : SW_HIDE);
}

int CPickToolBar::Height() const {
  if (!IsVisible()) return 0;
  SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
  RECT bar;
  GetWindowRect(bar_, &bar);
  return bar.bottom - bar.top;
}

bool CPickToolBar::OnNotify(NMHDR* header) {
  if (header->code != TTN_GETDISPINFOW) return false;
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
  wchar_t text[256] = {};
  LoadStringW(instance_, static_cast<UINT>(header->idFrom), text, static_cast<int>(std::size(text)));
  const wchar_t* newline = std::wcschr(text, L'\n');
  std::wcsncpy(tip_, newline ? newline + 1 : text, std::size(tip_) - 1);
  info->lpszText = tip_;
  return true;
}

LRESULT CPickToolBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    // A second press soon after the first comes as a double click.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RECT button{};
      const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const LRESULT index = SendMessageW(bar_, TB_COMMANDTOINDEX, ID_PICK_WINDOW, 0);
      if (!picking_ && index >= 0 && SendMessageW(bar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button)) &&
          PtInRect(&button, at))
        StartPick();
      break;
    }
    case WM_MOUSEMOVE:
      if (picking_) TrackPick({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;
    case WM_LBUTTONUP:
      if (picking_) EndPick(true);
      break;
    case WM_SETCURSOR:
      if (picking_) {
        SetCursor(pickCursor_);
        return TRUE;
      }
      break;
    case WM_CAPTURECHANGED:
      // Another window took the mouse: the pick is over, nothing picked.
      if (picking_ && reinterpret_cast<HWND>(lParam) != bar_) CancelPick();
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

void CPickToolBar::StartPick() {
  picking_ = true;
  highlighted_ = nullptr;
  if (!pickCursor_) {
    pickCursor_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDCUR_PICK));
    endCursor_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDCUR_PICK_END));
    if (!pickCursor_) pickCursor_ = LoadCursorW(nullptr, IDC_HAND);
    if (!endCursor_) endCursor_ = LoadCursorW(nullptr, IDC_ARROW);
  }
  SetCursor(pickCursor_);
  SetCapture(bar_);
}

void CPickToolBar::TrackPick(POINT client) {
  POINT screen = client;
  ClientToScreen(bar_, &screen);
  HWND under = WindowFromPoint(screen);
  if (!under) return;
  DWORD process = 0;
  GetWindowThreadProcessId(under, &process);
  if (process == GetCurrentProcessId()) under = nullptr;  // never one of ours
  if (under == highlighted_) return;
  if (highlighted_) HighlightWindowFrame(highlighted_);
  highlighted_ = under;
  if (highlighted_) HighlightWindowFrame(highlighted_);
}

bool CPickToolBar::CancelPick() {
  if (!picking_) return false;
  // The frame is left for the repaint at the end to take away.
  highlighted_ = nullptr;
  EndPick(false);
  return true;
}

void CPickToolBar::EndPick(bool pick) {
  picking_ = false;
  if (GetCapture() == bar_) ReleaseCapture();
  SetCursor(endCursor_);
  const HWND window = highlighted_;
  highlighted_ = nullptr;
  if (window) {
    HighlightWindowFrame(window);
    RECT rect;
    if (pick && IsWindow(window) && GetWindowRect(window, &rect) && picked_) picked_(rect);
  }
  // Every window repaints, so no trace of a frame is left anywhere.
  InvalidateRect(nullptr, nullptr, FALSE);
}

}  // namespace kelvarion
