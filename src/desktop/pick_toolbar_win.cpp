#include "desktop/pick_toolbar_win.h"

#include <cwchar>
#include <iterator>

#include "res/resource_ids.h"

namespace kelvarion {

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
  return true;
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

}  // namespace kelvarion
