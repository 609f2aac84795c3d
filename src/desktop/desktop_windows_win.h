// The desktop switch's view of the real window system.
#pragma once

#include <windows.h>

#include <vector>

#include "desktop/desktop_lists.h"

namespace kelvarion {

// Shows (or hides) a window only when it answers WM_NULL within a second:
// ShowWindow on a hung window of another program would block us for good.
// False when it did not answer or is gone; true when it answered, also when
// the answer was non-zero and it was therefore left as it was.
bool ShowWindowIfResponsive(HWND window, int command);

inline HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }
inline WindowId ToWindowId(HWND window) { return reinterpret_cast<WindowId>(window); }

// The taskbar ("Shell_TrayWnd"), the desktop ("Progman") and the indicator
// window ("Indicator"), those that exist now.
std::vector<HWND> FindShellWindows();

class Win32DesktopWindows : public DesktopWindowPort {
 public:
  std::vector<WindowId> TopLevelWindows() override;
  bool IsWindow(WindowId window) override;
  bool IsVisible(WindowId window) override;
  std::uint32_t ProcessId(WindowId window) override;
  bool ShowIfResponsive(WindowId window, bool show) override;
  std::vector<WindowId> ShellWindows() override;
};

}  // namespace kelvarion
