// Where the core's few fixed messages ("Out of Memory.") go. The shell installs
// its message-box notice once at start-up; tests install a recorder.
#pragma once

#include <string>

#include "platform/user_notice.h"

namespace kelvarion {

// Installs the notice used from now on (nullptr: messages are dropped) and
// returns the one it replaces, so that a test can put it back.
UserNotice* SetUserNotice(UserNotice* notice);

// Shows the text through the installed notice; does nothing when there is none.
void ShowUserNotice(const std::string& text, const std::string& caption);

}  // namespace kelvarion
