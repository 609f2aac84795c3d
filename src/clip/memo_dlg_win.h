// The memo dialog (resource 107, "请输入文件说明"): edits the memo of a
// clipboard file, shown at start and read back on OK.
#pragma once

#include <windows.h>

#include <string>

#include "win/dialog.h"

namespace kelvarion {

class CMemoDlg : public Dialog {
 public:
  explicit CMemoDlg(HWND parent) : parent_(parent) {}

  void SetMemo(const std::string& memo) { memo_ = memo; }
  // After OK the edited text; otherwise what was set.
  const std::string& GetMemo() const { return memo_; }

  // IDOK, IDCANCEL, or -1 when the dialog could not be made. The template
  // comes from resources (null: the executable).
  using Dialog::DoModal;
  INT_PTR DoModal(HINSTANCE resources = nullptr);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  HWND parent_;
  std::string memo_;
};

}  // namespace kelvarion
