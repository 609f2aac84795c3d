// Dialog base: the object reaches the dialog through WM_INITDIALOG's lParam,
// is kept in DWLP_USER, and sees every later message in its virtual
// DialogProc. Modal runs return the value given to EndDialog; a modeless
// dialog lives until EndDialog or DestroyWindow and needs IsDialogMessageW in
// the message loop that carries it.
#pragma once

#include <windows.h>

namespace kelvarion {

class Dialog {
 public:
  Dialog() = default;
  // A modeless dialog still open is destroyed.
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // -1 when the dialog could not be made (as DialogBoxParamW).
  INT_PTR DoModal(HWND parent, int resourceId, HINSTANCE instance = nullptr);
  INT_PTR DoModalIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate, HINSTANCE instance = nullptr);
  // Null when the dialog could not be made or one is already open.
  HWND CreateModeless(HWND parent, int resourceId, HINSTANCE instance = nullptr);
  HWND CreateModelessIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate, HINSTANCE instance = nullptr);

  // Ends a modal run with this result, or destroys a modeless dialog.
  void EndDialog(INT_PTR result);

  HWND Hwnd() const { return hwnd_; }
  bool IsModal() const { return modal_; }
  HWND GetItem(int id) const { return GetDlgItem(hwnd_, id); }

 protected:
  // Return TRUE for a handled message, FALSE to let the dialog manager act.
  // The default calls OnInitDialog, OnOK and OnCancel.
  virtual INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // TRUE: the dialog manager gives the focus to the first control.
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // For messages whose answer is a value rather than TRUE/FALSE (WM_NOTIFY):
  // stores it as the message result and returns TRUE for DialogProc to return.
  INT_PTR SetMessageResult(LRESULT result);

 private:
  static INT_PTR CALLBACK RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  bool modal_ = false;
};

}  // namespace kelvarion
