// Where the main window stands between runs: restored once at its first
// show, saved at the exit (and when a logoff ends the session).
#pragma once

#include <windows.h>

#include "settings/settings.h"

namespace kelvarion {

// Moves the frame to the stored MainX and MainY (its current place when none
// is stored), kept on the screen: each at least 0 and at most the screen's
// size less 20 pixels, so that a part of it can always be grabbed.
void RestoreFramePlacement(HWND frame, CTessarynApp& app);

// Saves the frame's place and size (only when they were restored, and the
// size only when it is not minimised) and the auto-paste flag.
void SaveFramePlacement(HWND frame, CTessarynApp& app, bool placementRestored, bool autoPaste);

}  // namespace kelvarion
