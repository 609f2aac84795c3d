// Giving the focus back to the window the user worked in and pasting there.
#pragma once

#include <windows.h>

namespace kelvarion {

// Brings the window back to the front (restored when minimised) and, when
// paste is true and it really is in front, presses Ctrl+V in it. Returns
// false when the window did not come to the front within the deadline; no
// keys are sent then, so the paste cannot land in another window.
bool PasteIntoPreviousWindow(HWND previous, bool paste);

}  // namespace kelvarion
