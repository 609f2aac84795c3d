#include "win/dialog.h"

namespace kelvarion {

namespace {

HINSTANCE OrExecutable(HINSTANCE instance) { return instance ? instance : GetModuleHandleW(nullptr); }

}  // namespace

Dialog::~Dialog() {
  if (hwnd_ && !modal_) DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal(HWND parent, int resourceId, HINSTANCE instance) {
  if (hwnd_) return -1;
  modal_ = true;
  INT_PTR result = DialogBoxParamW(OrExecutable(instance), MAKEINTRESOURCEW(resourceId), parent,
                                   &Dialog::RouteMessage, reinterpret_cast<LPARAM>(this));
  modal_ = false;
  return result;
}

INT_PTR Dialog::DoModalIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate, HINSTANCE instance) {
  if (hwnd_) return -1;
  modal_ = true;
  INT_PTR result = DialogBoxIndirectParamW(OrExecutable(instance), dialogTemplate, parent, &Dialog::RouteMessage,
                                           reinterpret_cast<LPARAM>(this));
  modal_ = false;
  return result;
}

HWND Dialog::CreateModeless(HWND parent, int resourceId, HINSTANCE instance) {
  if (hwnd_) return nullptr;
  modal_ = false;
  return CreateDialogParamW(OrExecutable(instance), MAKEINTRESOURCEW(resourceId), parent, &Dialog::RouteMessage,
                            reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModelessIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate, HINSTANCE instance) {
  if (hwnd_) return nullptr;
  modal_ = false;
  return CreateDialogIndirectParamW(OrExecutable(instance), dialogTemplate, parent, &Dialog::RouteMessage,
                                    reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(INT_PTR result) {
  if (!hwnd_) return;
  if (modal_)
    ::EndDialog(hwnd_, result);
  else
    DestroyWindow(hwnd_);
}

INT_PTR Dialog::DialogProc(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOK();
          return TRUE;
        case IDCANCEL:
          OnCancel();
          return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR Dialog::SetMessageResult(LRESULT result) {
  SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK Dialog::RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    if (!self) return TRUE;
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return self->DialogProc(msg, wParam, lParam);
  }
  // Before WM_INITDIALOG (WM_SETFONT, the creation messages) no object is
  // attached yet; the dialog manager handles those alone.
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (msg != WM_NCDESTROY) return self->DialogProc(msg, wParam, lParam);

  INT_PTR result = self->DialogProc(msg, wParam, lParam);
  SetWindowLongPtrW(hwnd, DWLP_USER, 0);
  self->hwnd_ = nullptr;
  return result;
}

}  // namespace kelvarion
