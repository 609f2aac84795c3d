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
  memo_ = GetWindowTextCp936(GetItem(IDC_MEMO_EDIT));
  EndDialog(IDOK);
}

}  // namespace kelvarion
