#include "base/notice.h"

namespace kelvarion {

namespace {
UserNotice* installedNotice = nullptr;
}  // namespace

UserNotice* SetUserNotice(UserNotice* notice) {
  UserNotice* previous = installedNotice;
  installedNotice = notice;
  return previous;
}

void ShowUserNotice(const std::string& text, const std::string& caption) {
  if (installedNotice) installedNotice->Show(text, caption);
}

}  // namespace kelvarion
