// A second process that owns the clipboard: sets text, a registered format and
// a bitmap handle from its own window and keeps that window (and so the
// ownership) until told to exit.
#include <windows.h>

#include <cstring>

#include "clip_setter_protocol.h"

namespace {

using namespace kelvarion::clip_setter;

// Never outlive the test that started us by much, even when it died.
constexpr DWORD kLifetimeMs = 60000;

bool SetGlobal(UINT format, const void* bytes, SIZE_T size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!memory) return false;
  void* p = GlobalLock(memory);
  if (!p) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(p, bytes, size);
  GlobalUnlock(memory);
  if (SetClipboardData(format, memory)) return true;
  GlobalFree(memory);
  return false;
}

bool SetBitmap() {
  const DWORD pixels[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, pixels);
  if (!bitmap) return false;
  if (SetClipboardData(CF_BITMAP, bitmap)) return true;
  DeleteObject(bitmap);
  return false;
}

bool FillClipboard(HWND owner) {
  if (!OpenClipboard(owner)) return false;
  const UINT registered = RegisterClipboardFormatW(kRegisteredFormat);
  const bool ok = EmptyClipboard() && SetGlobal(CF_UNICODETEXT, kText, sizeof kText) && registered != 0 &&
                  SetGlobal(registered, kRegisteredBytes, sizeof kRegisteredBytes) && SetBitmap();
  CloseClipboard();
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return kExitUsage;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
  HANDLE exitEvent = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
  if (!ready || !exitEvent) return kExitUsage;

  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KelvarionClipSetter";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"clip_setter", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  if (!window) return kExitNoWindow;
  if (!FillClipboard(window)) return kExitClipboard;
  SetEvent(ready);

  // Pump messages: taking the clipboard away sends WM_DESTROYCLIPBOARD here.
  const ULONGLONG deadline = GetTickCount64() + kLifetimeMs;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return kExitTimedOut;
    DWORD woke = MsgWaitForMultipleObjects(1, &exitEvent, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DestroyWindow(window);
  return kExitOk;
}
