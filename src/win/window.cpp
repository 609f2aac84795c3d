#include "win/window.h"

#include <commctrl.h>

namespace kelvarion {

namespace {

HINSTANCE OrExecutable(HINSTANCE instance) { return instance ? instance : GetModuleHandleW(nullptr); }

}  // namespace

bool RegisterWindowClass(const WindowClassArgs& args) {
  if (!args.name) return false;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = args.style;
  wc.lpfnWndProc = &Window::RouteMessage;
  wc.hInstance = OrExecutable(args.instance);
  wc.hIcon = args.icon;
  wc.hIconSm = args.smallIcon;
  wc.hCursor = args.cursor ? args.cursor : LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = args.background;
  wc.lpszMenuName = args.menuName;
  wc.lpszClassName = args.name;
  if (RegisterClassExW(&wc)) return true;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Window::~Window() {
  if (hwnd_) DestroyWindow(hwnd_);
}

HWND Window::Create(const wchar_t* className, const CreateArgs& args) {
  if (hwnd_) return nullptr;
  HWND hwnd = CreateWindowExW(args.exStyle, className, args.title, args.style, args.x, args.y, args.width,
                              args.height, args.parent, args.menuOrId, OrExecutable(args.instance), this);
  // A window that failed after WM_NCCREATE has already been through
  // WM_NCDESTROY, which cleared hwnd_.
  return hwnd;
}

bool Window::Destroy() {
  if (!hwnd_) return false;
  DestroyWindow(hwnd_);
  return true;
}

LRESULT Window::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return DefaultProc(msg, wParam, lParam); }

LRESULT Window::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Window::RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    if (auto* created = static_cast<Window*>(cs->lpCreateParams)) {
      created->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and windows made without
  // an object get the default handling.
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg != WM_NCDESTROY) return self->WindowProc(msg, wParam, lParam);

  LRESULT result = self->WindowProc(msg, wParam, lParam);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  self->hwnd_ = nullptr;
  // May delete the object; nothing of it is touched after this.
  self->OnFinalMessage(hwnd);
  return result;
}

SubclassedControl::~SubclassedControl() { Detach(); }

bool SubclassedControl::Attach(HWND control) {
  if (hwnd_ || !control) return false;
  if (!SetWindowSubclass(control, &SubclassedControl::RouteMessage, reinterpret_cast<UINT_PTR>(this),
                         reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hwnd_ = control;
  return true;
}

void SubclassedControl::Detach() {
  if (!hwnd_) return;
  RemoveWindowSubclass(hwnd_, &SubclassedControl::RouteMessage, reinterpret_cast<UINT_PTR>(this));
  hwnd_ = nullptr;
}

LRESULT SubclassedControl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultProc(msg, wParam, lParam);
}

LRESULT SubclassedControl::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR refData) {
  auto* self = reinterpret_cast<SubclassedControl*>(refData);
  if (msg != WM_NCDESTROY) return self->WindowProc(msg, wParam, lParam);

  LRESULT result = self->WindowProc(msg, wParam, lParam);
  self->Detach();
  self->OnFinalMessage(hwnd);
  return result;
}

}  // namespace kelvarion
