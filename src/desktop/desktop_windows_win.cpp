#include "desktop/desktop_windows_win.h"

#include "desktop/window_collector_win.h"

namespace kelvarion {

namespace {
constexpr UINT kAnswerTimeoutMs = 1000;
// More top-level windows than a session can hold.
constexpr std::size_t kTopLevelCapacity = 65536;
}  // namespace

bool ShowWindowIfResponsive(HWND window, int command) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer)) return false;
  if (answer != 0) return true;
  ShowWindow(window, command);
  return true;
}

std::vector<HWND> FindShellWindows() {
  std::vector<HWND> found;
  for (const wchar_t* name : {L"Shell_TrayWnd", L"Progman", L"Indicator"})
    if (HWND window = FindWindowW(name, nullptr)) found.push_back(window);
  return found;
}

std::vector<WindowId> Win32DesktopWindows::TopLevelWindows() {
  CWindowCollector collector(kTopLevelCapacity);
  collector.Collect();
  std::vector<WindowId> windows;
  windows.reserve(collector.Count());
  for (HWND window : collector.Windows()) windows.push_back(ToWindowId(window));
  return windows;
}

bool Win32DesktopWindows::IsWindow(WindowId window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

bool Win32DesktopWindows::IsVisible(WindowId window) { return IsWindowVisible(ToHwnd(window)) != FALSE; }

std::uint32_t Win32DesktopWindows::ProcessId(WindowId window) {
  DWORD processId = 0;
  if (!GetWindowThreadProcessId(ToHwnd(window), &processId)) return 0;
  return processId;
}

bool Win32DesktopWindows::ShowIfResponsive(WindowId window, bool show) {
  return ShowWindowIfResponsive(ToHwnd(window), show ? SW_SHOW : SW_HIDE);
}

std::vector<WindowId> Win32DesktopWindows::ShellWindows() {
  std::vector<WindowId> windows;
  for (HWND window : FindShellWindows()) windows.push_back(ToWindowId(window));
  return windows;
}

}  // namespace kelvarion
