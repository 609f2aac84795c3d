#include "clip/memo_dlg_win.h"

#include "res/resource_ids.h"
#include "win/text_win.h"

namespace kelvarion {

INT_PTR CMemoDlg::DoModal(HINSTANCE resources) { return Dialog::DoModal(parent_, IDD_MEMO, resources); }

BOOL CMemoDlg::OnInitDialog() {
  HWND edit = GetItem(IDC_MEMO_EDIT);
  SetWindowTextW(edit, Widen(memo_).c_str());
  return TRUE;
}

void CMemoDlg::OnOK() {
  HWND edit = GetItem(IDC_MEMO_EDIT);
  int length = GetWindowTextLengthW(edit);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  int got = GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  memo_ = Narrow(text);
  EndDialog(IDOK);
}

}  // namespace kelvarion
