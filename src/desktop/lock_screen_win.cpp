#include "desktop/lock_screen_win.h"

#include <string>
#include <utility>
#include <vector>

#include "base/byte_buffer.h"
#include "base/file_utils.h"
#include "desktop/lock_screen.h"
#include "desktop/screen_capture_win.h"
#include "res/resource_ids.h"
#include "win/process.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

// Sent to itself by the main lock window once it is on the screen: the hint
// that no password is set then shows over the lock rather than before it.
constexpr UINT kShowNoPasswordHint = WM_APP + 1;

HWND FindLockWindow(const char* title) { return FindWindowW(nullptr, Widen(title).c_str()); }

// The whole desktop, every monitor: the lock covers them all.
RECT VirtualScreenRect() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

std::string BackgroundPath(CTessarynApp& app) { return app.GetLocalDirectory() + kLockBackgroundFile; }

// The program's name as message boxes show it: the main window's title
// without the blank in front, so that no message box of the lock is ever
// taken for the resident program's window.
std::wstring MessageCaption(CTessarynApp& app) {
  std::string title = app.GetMainWindowTitle();
  if (!title.empty() && title[0] == ' ') title.erase(0, 1);
  return Widen(title);
}

// The picture of the screen that every window of this lock paints. When the
// screen cannot be copied, no picture of an earlier lock is left to paint.
void SaveLockBackground(ShellContext& context) {
  const std::string path = BackgroundPath(context.app);
  CByteBuffer buffer;
  if (CaptureScreenRect(buffer, VirtualScreenRect()) != 0 || buffer.GetLength() <= 0) {
    context.files.Remove(path);
    return;
  }
  const int written = ReplaceFileContents(context.files, path, [&buffer](File& file) {
    const auto length = static_cast<std::size_t>(buffer.GetLength());
    return file.Write(buffer.GetData(), length) == length;
  });
  if (written != 0) context.files.Remove(path);
}

// Every other visible window of this thread: the hint, the password dialog,
// their message boxes.
std::vector<HWND> LockPopups(HWND lockWindow) {
  std::vector<HWND> popups;
  struct Collect {
    static BOOL CALLBACK Add(HWND hwnd, LPARAM param) {
      auto* self = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(param);
      if (hwnd != self->first && IsWindowVisible(hwnd)) self->second->push_back(hwnd);
      return TRUE;
    }
  };
  std::pair<HWND, std::vector<HWND>*> param{lockWindow, &popups};
  EnumThreadWindows(GetCurrentThreadId(), Collect::Add, reinterpret_cast<LPARAM>(&param));
  return popups;
}

// The popups go back over the lock windows, bottom one first so that their
// order stays: a lock window started after them, as the partner that
// replaced one, would otherwise cover them where they wait for the user.
void RaisePopupsOverLock(HWND lockWindow) {
  const std::vector<HWND> popups = LockPopups(lockWindow);
  for (auto it = popups.rbegin(); it != popups.rend(); ++it)
    SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::string ItemText(HWND dialog, int id) { return GetWindowTextCp936(GetDlgItem(dialog, id)); }

}  // namespace

bool LockScreenMain(ShellContext& context) {
  HWND guard = FindLockWindow(kLockGuardTitle);
  switch (ChooseLockStart(FindLockWindow(kLockMainTitle) != nullptr, guard != nullptr)) {
    case LockStart::kRaiseGuard:
      ShowWindow(guard, SW_SHOW);
      SetForegroundWindow(guard);
      return false;
    case LockStart::kGuard: {
      CLockScreenDlg lock(context);
      lock.SetRole(kLockRoleGuard);
      lock.DoModal();
      return true;
    }
    case LockStart::kMain: {
      CLockScreenDlg lock(context);
      SaveLockBackground(context);
      lock.SetRole(kLockRoleMain);
      lock.DoModal();
      return true;
    }
  }
  return false;
}

// --- the lock window

INT_PTR CLockScreenDlg::DoModal() { return Dialog::DoModal(nullptr, IDD_LOCK_SCREEN, context_.instance); }

BOOL CLockScreenDlg::OnInitDialog() {
  SetWindowTextW(Hwnd(), Widen(LockWindowTitle(role_)).c_str());
  CheckLockPartner();
  const RECT screen = VirtualScreenRect();
  SetWindowPos(Hwnd(), nullptr, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetTimer(Hwnd(), kLockTimerId, kLockCheckPeriodMs, nullptr);
  if (role_ == kLockRoleMain && !HasLockPassword(context_.app.GetLockScreenPass()))
    PostMessageW(Hwnd(), kShowNoPasswordHint, 0, 0);
  return TRUE;
}

void CLockScreenDlg::CheckLockPartner() {
  if (ending_) return;
  const LockPartnerStep step =
      kelvarion::CheckLockPartner(role_, IsWindowVisible(Hwnd()) != FALSE, FindLockWindow(LockPartnerTitle(role_)));
  role_ = step.role;
  if (step.retitle) SetWindowTextW(Hwnd(), Widen(LockWindowTitle(role_)).c_str());
  if (step.show) ShowWindow(Hwnd(), SW_SHOW);
  // A failed start is not told: the next tick tries again.
  if (step.startPartner) StartProgram(OwnCommandLine(context_.app.GetExePath(), " /L"), SW_SHOWNORMAL);
}

void CLockScreenDlg::EndLock() {
  ending_ = true;
  KillTimer(Hwnd(), kLockTimerId);
  // Nothing of the lock stays on the unlocked screen: a hint or message box
  // still open here (the partner was unlocked meanwhile) closes too, and the
  // modal loop it runs returns to end this window.
  for (HWND popup : LockPopups(Hwnd())) PostMessageW(popup, WM_CLOSE, 0, 0);
  EndDialog(IDCANCEL);
}

void CLockScreenDlg::OnKeyDown(WPARAM key) {
  if (key != VK_F1 || ending_ || passwordDialog_) return;
  CLockPasswordDlg password(context_);
  passwordDialog_ = &password;
  const INT_PTR result = password.DoModal(Hwnd());
  passwordDialog_ = nullptr;
  if (result != IDOK || ending_) return;
  EndLock();
  if (HWND partner = FindLockWindow(LockPartnerTitle(role_))) PostMessageW(partner, kLockCloseMessage, 0, 0);
}

void CLockScreenDlg::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(Hwnd(), &client);
  HBITMAP picture = static_cast<HBITMAP>(
      LoadImageW(nullptr, Widen(BackgroundPath(context_.app)).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  BITMAP info{};
  HDC memory = picture ? CreateCompatibleDC(dc) : nullptr;
  if (!picture || !memory || !GetObjectW(picture, sizeof(info), &info)) {
    // No picture to freeze the screen with: black, never what lies beneath.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  } else {
    HGDIOBJ old = SelectObject(memory, picture);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
  if (picture) DeleteObject(picture);
}

INT_PTR CLockScreenDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wParam));
      return SetMessageResult(TRUE);
    case WM_TIMER:
      if (wParam == kLockTimerId) {
        CheckLockPartner();
        if (!ending_) RaisePopupsOverLock(Hwnd());
      }
      return TRUE;
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      break;
    case kShowNoPasswordHint:
      if (!ending_)
        MessageBoxW(Hwnd(), Widen(kLockNoPasswordMessage).c_str(), MessageCaption(context_.app).c_str(),
                    MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
      return TRUE;
    case kLockCloseMessage:
      // The partner was unlocked. A password dialog open here goes too.
      if (passwordDialog_) passwordDialog_->EndDialog(IDCANCEL);
      EndLock();
      break;
    case WM_DESTROY:
      KillTimer(Hwnd(), kLockTimerId);
      break;
    default:
      break;
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

// --- the password dialog

INT_PTR CLockPasswordDlg::DoModal(HWND owner) {
  return Dialog::DoModal(owner, IDD_LOCK_PASSWORD, context_.instance);
}

BOOL CLockPasswordDlg::OnInitDialog() {
  EnableNewPasswordBoxes();
  // Over both lock windows, whichever of them came last.
  SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Hwnd());
  return TRUE;
}

void CLockPasswordDlg::EnableNewPasswordBoxes() {
  const bool change = IsDlgButtonChecked(Hwnd(), IDC_LOCK_CHANGE_PASSWORD) == BST_CHECKED;
  EnableWindow(GetItem(IDC_LOCK_NEW_PASSWORD), change);
  EnableWindow(GetItem(IDC_LOCK_NEW_PASSWORD_AGAIN), change);
}

void CLockPasswordDlg::OnOK() {
  const LockPasswordAnswer answer =
      CheckLockPassword(context_.app.GetLockScreenPass(), ItemText(Hwnd(), IDC_LOCK_PASSWORD),
                        IsDlgButtonChecked(Hwnd(), IDC_LOCK_CHANGE_PASSWORD) == BST_CHECKED,
                        ItemText(Hwnd(), IDC_LOCK_NEW_PASSWORD), ItemText(Hwnd(), IDC_LOCK_NEW_PASSWORD_AGAIN));
  const std::wstring caption = MessageCaption(context_.app);
  switch (answer.outcome) {
    case LockPasswordOutcome::kWrong:
      MessageBoxW(Hwnd(), Widen(kLockWrongPasswordMessage).c_str(), caption.c_str(), MB_OK);
      EndDialog(IDCANCEL);
      break;
    case LockPasswordOutcome::kUnlock:
      EndDialog(IDOK);
      break;
    case LockPasswordOutcome::kNewDiffers:
      MessageBoxW(Hwnd(), Widen(kLockNewPasswordsDifferMessage).c_str(), caption.c_str(), MB_OK);
      SetFocus(GetItem(IDC_LOCK_NEW_PASSWORD));
      break;
    case LockPasswordOutcome::kNewEmpty:
      SetFocus(GetItem(IDC_LOCK_NEW_PASSWORD));
      MessageBoxW(Hwnd(), Widen(kLockEnterNewPasswordMessage).c_str(), caption.c_str(), MB_OK);
      break;
    case LockPasswordOutcome::kUnlockNewStored:
      context_.app.SetLockScreenPass(answer.newStored);
      // A new password that did not reach the settings file would leave the
      // user believing in a password that the next lock does not know.
      if (context_.app.GetLockScreenPass() != answer.newStored) {
        MessageBoxW(Hwnd(), Widen("新密码未能保存: 无法写入设置文件\r\n" + context_.app.GetUserIniPath()).c_str(),
                    caption.c_str(), MB_OK | MB_ICONERROR);
        break;
      }
      EndDialog(IDOK);
      break;
  }
}

INT_PTR CLockPasswordDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_LOCK_CHANGE_PASSWORD && HIWORD(wParam) == BN_CLICKED) {
    EnableNewPasswordBoxes();
    return TRUE;
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

}  // namespace kelvarion
