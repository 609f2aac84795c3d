// The screen lock's rules, apart from its windows: the two roles and the
// titles by which the two lock processes find each other, what a lock
// process does when it starts and on every partner check, and the password
// check of the password dialog. The windows (lock_screen_win) ask the system
// what these rules need and carry out what they answer.
#pragma once

#include <string>
#include <string_view>

namespace kelvarion {

// The two lock windows: role 1 holds the lock, role 2 guards it; each
// restarts the other when it is gone.
inline constexpr int kLockRoleNone = 0;
inline constexpr int kLockRoleMain = 1;
inline constexpr int kLockRoleGuard = 2;

inline constexpr char kLockMainTitle[] = "6666cd76f96956469e7be39d750cc7d9";
inline constexpr char kLockGuardTitle[] = "fcbaf14d6be23d33cce826286088180b";

// Posted by one lock process to the other: close, the lock is over.
inline constexpr unsigned kLockCloseMessage = 0x401;
inline constexpr unsigned kLockTimerId = 1;
inline constexpr unsigned kLockCheckPeriodMs = 1000;

// The picture of the screen taken when the lock starts, in the local
// directory; every lock window of that lock paints it.
inline constexpr char kLockBackgroundFile[] = "background.bmp";

// The program's messages, code page 936.
inline constexpr char kLockNoPasswordMessage[] =
    "您还没有设定屏幕锁定的密码. 退出时请按 F1 ,可以在那里修改密码.";
inline constexpr char kLockWrongPasswordMessage[] = "您输入了错误的密码!";
inline constexpr char kLockNewPasswordsDifferMessage[] = "您输入的两次新密码不一致.";
inline constexpr char kLockEnterNewPasswordMessage[] = "请输入新密码.";

// The title of a role's window, and of the window its partner has.
const char* LockWindowTitle(int role);
const char* LockPartnerTitle(int role);

// What a new lock process does, from the lock windows that exist already.
enum class LockStart {
  kRaiseGuard,  // both exist: bring the guard forward and end at once
  kGuard,       // only the main one: become the guard
  kMain,        // none: take the picture of the screen and hold the lock
};
LockStart ChooseLockStart(bool mainWindowExists, bool guardWindowExists);

// One partner check: what the window does, given its role, whether it is
// visible and whether its partner's window exists.
struct LockPartnerStep {
  int role = kLockRoleNone;  // the role after the check
  bool show = false;         // show the window (SW_SHOW)
  bool retitle = false;      // it took over: its title becomes the main one's
  bool startPartner = false; // start another lock process (it becomes the guard)
};
LockPartnerStep CheckLockPartner(int role, bool visible, bool partnerExists);

// True when a password is set: the stored value is a digest's 32 digits.
bool HasLockPassword(const std::string& stored);

// The stored form of a password: the MD5 digest of its bytes as 32
// upper-case hexadecimal digits.
std::string LockPasswordDigest(std::string_view password);

// With nothing stored only the empty password is right; otherwise the
// password's digest must equal the stored value exactly (so a stored value
// that is no digest text never matches).
bool IsLockPasswordRight(const std::string& stored, const std::string& password);

// What OK in the password dialog comes to.
enum class LockPasswordOutcome {
  kWrong,            // "您输入了错误的密码!", the dialog ends, the lock stays
  kUnlock,           // right: the lock ends
  kNewDiffers,       // "您输入的两次新密码不一致.": the dialog stays
  kNewEmpty,         // "请输入新密码.": the dialog stays
  kUnlockNewStored,  // right, and newStored is to be written before the lock ends
};
struct LockPasswordAnswer {
  LockPasswordOutcome outcome = LockPasswordOutcome::kWrong;
  std::string newStored;  // the new password's digest with kUnlockNewStored
};
LockPasswordAnswer CheckLockPassword(const std::string& stored, const std::string& password, bool changePassword,
                                     const std::string& newPassword, const std::string& newPasswordAgain);

}  // namespace kelvarion
