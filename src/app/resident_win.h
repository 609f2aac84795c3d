// The resident clipboard manager: one per user, guarded by a mutex named like
// the main window's title.
#pragma once

#include "settings/shell_context_win.h"

namespace kelvarion {

// Runs the resident program to its end and returns the process's exit code.
// A second start only brings the first one's window to the front.
int RunResident(ShellContext& context);

}  // namespace kelvarion
