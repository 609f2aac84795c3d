#include "desktop/lock_screen.h"

#include "desktop/md5.h"

namespace kelvarion {

const char* LockWindowTitle(int role) { return role == kLockRoleGuard ? kLockGuardTitle : kLockMainTitle; }

const char* LockPartnerTitle(int role) { return role == kLockRoleGuard ? kLockMainTitle : kLockGuardTitle; }

LockStart ChooseLockStart(bool mainWindowExists, bool guardWindowExists) {
  if (!mainWindowExists) return LockStart::kMain;
  return guardWindowExists ? LockStart::kRaiseGuard : LockStart::kGuard;
}

LockPartnerStep CheckLockPartner(int role, bool visible, bool partnerExists) {
  LockPartnerStep step;
  step.role = role;
  if (role == kLockRoleMain && !visible) step.show = true;
  if (partnerExists) return step;
  if (role == kLockRoleGuard) {
    // The main window is gone: the guard holds the lock from now on, and the
    // process started next guards it.
    step.role = kLockRoleMain;
    step.retitle = true;
    step.show = true;
  }
  step.startPartner = true;
  return step;
}

bool HasLockPassword(const std::string& stored) { return stored.size() == 32; }

std::string LockPasswordDigest(std::string_view password) { return Md5HexUpper(password); }

bool IsLockPasswordRight(const std::string& stored, const std::string& password) {
  if (stored.empty()) return password.empty();
  return LockPasswordDigest(password) == stored;
}

LockPasswordAnswer CheckLockPassword(const std::string& stored, const std::string& password, bool changePassword,
                                     const std::string& newPassword, const std::string& newPasswordAgain) {
  LockPasswordAnswer answer;
  if (!IsLockPasswordRight(stored, password)) {
    answer.outcome = LockPasswordOutcome::kWrong;
    return answer;
  }
  if (!changePassword) {
    answer.outcome = LockPasswordOutcome::kUnlock;
    return answer;
  }
  if (newPassword != newPasswordAgain) {
    answer.outcome = LockPasswordOutcome::kNewDiffers;
    return answer;
  }
  if (newPassword.empty()) {
    answer.outcome = LockPasswordOutcome::kNewEmpty;
    return answer;
  }
  answer.outcome = LockPasswordOutcome::kUnlockNewStored;
  answer.newStored = LockPasswordDigest(newPassword);
  return answer;
}

}  // namespace kelvarion
