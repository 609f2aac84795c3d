#include "settings/static_link_win.h"

#include <shellapi.h>

#include "win/text_win.h"

namespace kelvarion {

INT_PTR CHyperlink::Navigate() const {
  if (link_.empty()) return 0;
  return reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Widen(link_).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

HCURSOR GetLinkCursor() {
  static bool looked = false;
  static HCURSOR cursor = nullptr;
  if (looked) return cursor;
  looked = true;
  wchar_t directory[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::wstring help = std::wstring(directory, length) + L"\\winhlp32.exe";
    // As data only: nothing of that program runs in this process.
    HMODULE module = LoadLibraryExW(help.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module) {
      if (HCURSOR found = LoadCursorW(module, MAKEINTRESOURCEW(106)))
        cursor = reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(found)));
      FreeLibrary(module);
    }
  }
  if (!cursor) cursor = LoadCursorW(nullptr, IDC_HAND);
  return cursor;
}

CStaticLink::CStaticLink(const std::string& link, bool deleteOnDestroy)
    : link_(link), deleteOnDestroy_(deleteOnDestroy) {}

CStaticLink::~CStaticLink() {
  if (Hwnd() && over_) KillTimer(Hwnd(), timerId_);
  Detach();
  if (font_) DeleteObject(font_);
}

bool CStaticLink::SubclassDlgItem(int id, HWND dialog) {
  HWND control = GetDlgItem(dialog, id);
  return control && Attach(control);
}

void CStaticLink::SetColour(COLORREF colour) {
  colour_ = colour;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

HBRUSH CStaticLink::OnCtlColor(HDC dc) {
  const LONG_PTR style = GetWindowLongPtrW(Hwnd(), GWL_STYLE);
  if ((style & 0xFF) > SS_RIGHT) return nullptr;
  if (!font_) {
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
    if (!current) current = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW attributes = {};
    if (GetObjectW(current, sizeof(attributes), &attributes)) font_ = CreateFontIndirectW(&attributes);
  }
  if (font_) SelectObject(dc, font_);
  SetTextColor(dc, colour_);
  SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
}

void CStaticLink::OnLButtonDown() {
  if (link_.IsEmpty()) {
    const int id = GetDlgCtrlID(Hwnd());
    wchar_t* resource = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&resource), 0);
    if (length > 0 && resource) link_.SetText(Narrow(std::wstring_view(resource, length)));
    else link_.SetText(GetWindowTextCp936(Hwnd()));
    if (link_.IsEmpty()) return;
  }
  if (link_.Navigate() > 32) SetColour(kVisitedColour);
  else MessageBeep(0);
}

void CStaticLink::OnTimer() {
  const DWORD position = GetMessagePos();
  POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(Hwnd(), &point);
  RECT client;
  GetClientRect(Hwnd(), &client);
  if (PtInRect(&client, point)) return;
  over_ = false;
  KillTimer(Hwnd(), timerId_);
  SetColour(kUnvisitedColour);
  // The text is drawn without a background of its own: the parent repaints
  // what lies under it, with a margin below for the letters' descent.
  HWND parent = GetParent(Hwnd());
  if (parent) {
    MapWindowPoints(Hwnd(), parent, reinterpret_cast<POINT*>(&client), 2);
    client.bottom += 10;
    InvalidateRect(parent, &client, TRUE);
  }
}

LRESULT CStaticLink::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST:
      if (!over_) {
        over_ = true;
        SetColour(kOverColour);
        SetTimer(Hwnd(), timerId_, kTimerMilliseconds, nullptr);
      }
      // A static answers HTTRANSPARENT and would never see the mouse.
      return HTCLIENT;
    case WM_LBUTTONDOWN:
      OnLButtonDown();
      return 0;
    case WM_SETCURSOR:
      if (HCURSOR hand = GetLinkCursor()) {
        SetCursor(hand);
        return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (wParam == timerId_) OnTimer();
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

void CStaticLink::OnFinalMessage(HWND) {
  if (deleteOnDestroy_) delete this;
}

}  // namespace kelvarion
