// The screen capture commands: the main window steps aside, the screen is
// copied at once, the window comes back, and the picture goes to the history.
#pragma once

#include <windows.h>

#include "desktop/capture_save.h"

namespace kelvarion {

// Hides mainWindow while rect is copied (when it is visible), shows it again
// right after, then saves. A copy that fails saves nothing and says so.
void CaptureRectToHistory(HWND mainWindow, const RECT& rect, CaptureSaveContext& save);

// The whole primary screen.
void CaptureWholeScreen(HWND mainWindow, CaptureSaveContext& save);

// A rectangle the user drags over a frozen picture of the screen, cut from
// that picture. The main window is out of the way meanwhile and back after
// the save; a click without a drag, or Escape, saves nothing.
void CaptureRegion(HWND mainWindow, HINSTANCE instance, CaptureSaveContext& save);

}  // namespace kelvarion
