// The screen lock's windows: two lock processes, each with one full-screen
// topmost window over a frozen picture of the screen, each restarting the
// other when it is gone, until F1 and the right password end both.
#pragma once

#include <windows.h>

#include "settings/shell_context_win.h"
#include "win/dialog.h"

namespace kelvarion {

// The lock mode of a "/L" start. Returns false when the process is to end at
// once (a lock with both windows is on already: its guard is brought
// forward); otherwise it returns after this process's lock window closed.
bool LockScreenMain(ShellContext& context);

// The password dialog: the password, and a new one twice when the check box
// is ticked. IDOK when the lock is to end (a new password is then stored).
class CLockPasswordDlg : public Dialog {
 public:
  explicit CLockPasswordDlg(ShellContext& context) : context_(context) {}
  INT_PTR DoModal(HWND owner);

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void EnableNewPasswordBoxes();
  ShellContext& context_;
};

class CLockScreenDlg : public Dialog {
 public:
  explicit CLockScreenDlg(ShellContext& context) : context_(context) {}
  void SetRole(int role) { role_ = role; }
  int GetRole() const { return role_; }
  INT_PTR DoModal();

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  // Enter and Escape reach these; the lock stays.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  void CheckLockPartner();
  void OnKeyDown(WPARAM key);
  void PaintBackground(HDC dc);
  // Ends this lock window for good: no partner check runs from now on, so
  // nothing restarts the partner that is closing too.
  void EndLock();

  ShellContext& context_;
  int role_ = 0;
  bool ending_ = false;
  CLockPasswordDlg* passwordDialog_ = nullptr;
};

}  // namespace kelvarion
