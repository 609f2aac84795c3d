#include "app/paste_win.h"

#include <vector>

namespace kelvarion {

namespace {

constexpr ULONGLONG kForegroundDeadlineMs = 1000;

bool IsInFront(HWND window) {
  HWND foreground = GetForegroundWindow();
  return foreground && (foreground == window || GetAncestor(foreground, GA_ROOT) == window);
}

// The foreground lock lets a thread move the foreground only while it shares
// input state with the thread that has it: attach to that thread (and to the
// target's) for the call.
void BringToFront(HWND window) {
  const DWORD ours = GetCurrentThreadId();
  const HWND foreground = GetForegroundWindow();
  const DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  const DWORD targetThread = GetWindowThreadProcessId(window, nullptr);
  std::vector<DWORD> attached;
  for (DWORD thread : {foregroundThread, targetThread}) {
    if (thread && thread != ours && (attached.empty() || attached[0] != thread) &&
        AttachThreadInput(ours, thread, TRUE))
      attached.push_back(thread);
  }
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  BringWindowToTop(window);
  SetForegroundWindow(window);
  for (DWORD thread : attached) AttachThreadInput(ours, thread, FALSE);
}

INPUT Key(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  if (vk == VK_LWIN || vk == VK_RWIN) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  return input;
}

}  // namespace

bool PasteIntoPreviousWindow(HWND previous, bool paste) {
  if (!previous || !IsWindow(previous)) return false;
  BringToFront(previous);
  // The keys go to whichever window has the focus when they are read, so
  // they wait until the window really is in front (asking again now and then:
  // the system may still be switching away from our menu).
  const ULONGLONG deadline = GetTickCount64() + kForegroundDeadlineMs;
  ULONGLONG nextTry = GetTickCount64() + 100;
  while (!IsInFront(previous)) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    if (now >= nextTry) {
      BringToFront(previous);
      nextTry = now + 100;
    }
    Sleep(5);
  }
  if (!paste) return true;
  // Ctrl goes down first; then the other modifiers the user may still hold
  // from the hot key are let up, so that the target sees Ctrl+V and not
  // Ctrl+Alt+V or Ctrl+Shift+V (and with Ctrl down, letting Alt or the
  // Windows key up opens neither a menu bar nor the Start menu).
  std::vector<INPUT> keys{Key(VK_CONTROL, false)};
  for (WORD vk : {VK_MENU, VK_SHIFT, VK_LWIN, VK_RWIN})
    if (GetAsyncKeyState(vk) < 0) keys.push_back(Key(vk, true));
  keys.push_back(Key('V', false));
  keys.push_back(Key('V', true));
  keys.push_back(Key(VK_CONTROL, true));
  return SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)) == keys.size();
}

}  // namespace kelvarion
