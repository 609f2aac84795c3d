// Test doubles of the environment and the notice port that work on every
// platform: the suites choose the executable path and names, and read back
// what would have been shown.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/environment.h"
#include "platform/user_notice.h"

namespace kelvarion {

// Module path, computer and user name as given (tests choose them).
class FixedEnvironment : public Environment {
 public:
  FixedEnvironment(std::string modulePath, std::string computer, std::string user)
      : modulePath_(std::move(modulePath)), computer_(std::move(computer)), user_(std::move(user)) {}
  std::string ModulePath() override { return modulePath_; }
  std::string ComputerName() override { return computer_; }
  std::string UserName() override { return user_; }

 private:
  std::string modulePath_, computer_, user_;
};

// Records what would have been shown.
class RecordingUserNotice : public UserNotice {
 public:
  void Show(const std::string& text, const std::string& caption, NoticeIcon icon) override {
    texts.push_back(text);
    captions.push_back(caption);
    icons.push_back(icon);
  }
  std::vector<std::string> texts, captions;
  std::vector<NoticeIcon> icons;
};

}  // namespace kelvarion
