// Plain top-level windows for the desktop tests, one per title given on the
// command line; a title after "--hung" gets a window whose thread stops
// answering messages once it is on screen. Prints each window's handle in
// decimal, one line each in the order given, then keeps them until killed
// (or two minutes have passed).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kLifetimeMs = 120000;
constexpr wchar_t kClass[] = L"KelvarionTestWindow";

HWND MakeWindow(const std::wstring& title, int index) {
  return CreateWindowExW(0, kClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40 + 30 * index,
                         40 + 30 * index, 320, 160, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

struct HungWindow {
  std::wstring title;
  int index = 0;
  HWND window = nullptr;
  HANDLE ready = nullptr;
};

DWORD WINAPI RunHung(void* param) {
  auto* hung = static_cast<HungWindow*>(param);
  hung->window = MakeWindow(hung->title, hung->index);
  // Let it draw and settle, then never look at a message again.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  SetEvent(hung->ready);
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassExW(&wc)) return 2;

  std::vector<HWND> windows;
  std::vector<HungWindow*> hung;
  for (int i = 1; i < argc; ++i) {
    const int index = static_cast<int>(windows.size());
    if (std::wstring(argv[i]) == L"--hung" && i + 1 < argc) {
      auto* h = new HungWindow{argv[++i], index, nullptr, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
      CloseHandle(CreateThread(nullptr, 0, RunHung, h, 0, nullptr));
      WaitForSingleObject(h->ready, 10000);
      windows.push_back(h->window);
      hung.push_back(h);
    } else {
      windows.push_back(MakeWindow(argv[i], index));
    }
    if (!windows.back()) return 3;
  }
  for (HWND window : windows) std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  std::fflush(stdout);

  const ULONGLONG deadline = GetTickCount64() + kLifetimeMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
  // The hung thread never returns; end the process without waiting for it.
  ExitProcess(0);
}
