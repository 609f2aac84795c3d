#include "app/frame_placement_win.h"

#include <algorithm>

namespace kelvarion {

void RestoreFramePlacement(HWND frame, CTessarynApp& app) {
  RECT r;
  GetWindowRect(frame, &r);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int x = std::clamp(app.GetMainX(r.left), 0, std::max(0, screenWidth - 20));
  const int y = std::clamp(app.GetMainY(r.top), 0, std::max(0, screenHeight - 20));
  SetWindowPos(frame, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(frame, nullptr, TRUE);
}

void SaveFramePlacement(HWND frame, CTessarynApp& app, bool placementRestored, bool autoPaste) {
  RECT r;
  GetWindowRect(frame, &r);
  CTessarynApp::MainWindowState state;
  state.placementKnown = placementRestored;
  state.x = r.left;
  state.y = r.top;
  state.width = r.right - r.left;
  state.height = r.bottom - r.top;
  state.minimized = IsIconic(frame) != FALSE;
  state.autoPaste = autoPaste;
  app.SaveMainWindowState(state);
}

}  // namespace kelvarion
