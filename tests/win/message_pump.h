// Waiting in the Win32 suites: pump this thread's messages until a condition
// holds or a deadline passes. Never a fixed sleep.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

namespace kelvarion::test {

inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

// For conditions no message announces (pixels reaching the screen): the
// same, looking again at least every intervalMs.
inline bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD intervalMs = 20) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, intervalMs)),
                              QS_ALLINPUT);
  }
}

}  // namespace kelvarion::test
