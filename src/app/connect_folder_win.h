// The "/D" role: opens one folder of "connect.ini" in the file explorer,
// connecting a network folder with the section's user name and password first.
#pragma once

#include <string>

#include "app/settings.h"

namespace kelvarion {

// False when the section names no folder ("目录" empty or missing) or the
// explorer could not be started; the explorer is not waited for.
bool OpenConnectFolder(CTessarynApp& app, const std::string& section);

}  // namespace kelvarion
