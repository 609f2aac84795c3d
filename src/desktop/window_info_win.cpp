#include "desktop/window_info_win.h"

#include "base/dbcs.h"
#include "win/text_win.h"

namespace kelvarion {

HWND GetWindowProcessInfo(std::string& programPath, std::string& title, HWND window) {
  HWND target = window ? window : GetForegroundWindow();
  if (!target || !IsWindow(target)) return nullptr;
  // Asking the window for its process directly is far cheaper than walking
  // every process, and this runs on each clipboard change.
  DWORD processId = 0;
  GetWindowThreadProcessId(target, &processId);
  if (processId == 0) return nullptr;
  // Only visible top-level windows count: children and hidden windows are
  // never found. Asked of the window itself rather than by walking every
  // window on the desktop.
  if ((GetWindowLongW(target, GWL_STYLE) & WS_VISIBLE) == 0 || GetAncestor(target, GA_PARENT) != GetDesktopWindow())
    return nullptr;

  std::string path;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
    wchar_t buffer[MAX_PATH];
    DWORD size = MAX_PATH - 1;  // at most 259 characters
    if (QueryFullProcessImageNameW(process, 0, buffer, &size)) path = Narrow(std::wstring_view(buffer, size));
    CloseHandle(process);
  }
  // At most 255 bytes, never half a character.
  const std::string narrowTitle(CutOnCharacter(GetWindowTextCp936(target), 255));
  programPath = path;
  title = narrowTitle;
  return target;
}

void ForegroundClipboardOrigin::Record() {
  ClipboardSource source;
  if (!GetWindowProcessInfo(source.programPath, source.windowTitle)) source = ClipboardSource();
  source_ = std::move(source);
}

}  // namespace kelvarion
