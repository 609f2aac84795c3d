// What the Win32 shell's windows are handed by the start-up code: the settings
// store and the ports, all owned by the application for its whole run.
#pragma once

#include <windows.h>

#include "platform/clipboard_port.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/user_notice.h"
#include "settings/settings.h"

namespace kelvarion {

struct ShellContext {
  CTessarynApp& app;
  FileSystem& files;
  ClipboardPort& clipboard;
  Clock& clock;
  UserNotice& notice;
  HINSTANCE instance;
};

}  // namespace kelvarion
