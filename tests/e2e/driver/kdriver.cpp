// kdriver.exe: drives and inspects Kelvarion's windows from another process,
// as a user or another program would. One command per run; exit 0 on success,
// 1 when the condition did not come true before the deadline, 2 on bad usage.
//   kdriver wait-window [--title T] [--text T] [--class C] [--timeout S]
//       waits for a top-level window with that title, class, and a child with
//       that text; prints its handle as a decimal number
//   kdriver wait-gone HWND [--timeout S]
//   kdriver command HWND ID        posts WM_COMMAND ID (IDOK is 1)
//   kdriver list                   prints every visible top-level window
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Query {
  std::wstring title, text, className;
  bool hasTitle = false, hasText = false, hasClass = false;
  HWND found = nullptr;
};

std::wstring WindowText(HWND hwnd) {
  wchar_t buffer[1024] = {};
  DWORD_PTR result = 0;
  // WM_GETTEXT is marshalled across processes; a hung window does not stall us.
  SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 500,
                      &result);
  return buffer;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetClassNameW(hwnd, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

BOOL CALLBACK FindChildText(HWND child, LPARAM param) {
  auto* q = reinterpret_cast<Query*>(param);
  if (WindowText(child) == q->text) {
    q->found = child;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
  auto* q = reinterpret_cast<Query*>(param);
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (q->hasClass && ClassOf(hwnd) != q->className) return TRUE;
  if (q->hasTitle && WindowText(hwnd) != q->title) return TRUE;
  if (q->hasText) {
    Query inner = *q;
    inner.found = nullptr;
    EnumChildWindows(hwnd, FindChildText, reinterpret_cast<LPARAM>(&inner));
    if (!inner.found) return TRUE;
  }
  q->found = hwnd;
  return FALSE;
}

bool WaitUntil(double seconds, auto condition) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
}

BOOL CALLBACK PrintWindow(HWND hwnd, LPARAM) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  RECT r;
  GetWindowRect(hwnd, &r);
  std::wprintf(L"%llu\t%ls\t%ls\t%ld,%ld,%ld,%ld\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
               ClassOf(hwnd).c_str(), WindowText(hwnd).c_str(), r.left, r.top, r.right, r.bottom);
  return TRUE;
}

HWND ParseHandle(const wchar_t* text) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(text, nullptr, 10))); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring command = argv[1];
  double timeout = 15;
  Query q;
  std::vector<std::wstring> positional;
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    auto next = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
    if (a == L"--title") { q.title = next(); q.hasTitle = true; }
    else if (a == L"--text") { q.text = next(); q.hasText = true; }
    else if (a == L"--class") { q.className = next(); q.hasClass = true; }
    else if (a == L"--timeout") { timeout = std::wcstod(next().c_str(), nullptr); }
    else positional.push_back(a);
  }
  if (command == L"wait-window") {
    bool ok = WaitUntil(timeout, [&] {
      q.found = nullptr;
      EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&q));
      return q.found != nullptr;
    });
    if (!ok) return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(q.found)));
    return 0;
  }
  if (command == L"wait-gone" && positional.size() == 1) {
    HWND hwnd = ParseHandle(positional[0].c_str());
    return WaitUntil(timeout, [&] { return !IsWindow(hwnd); }) ? 0 : 1;
  }
  if (command == L"command" && positional.size() == 2) {
    HWND hwnd = ParseHandle(positional[0].c_str());
    return PostMessageW(hwnd, WM_COMMAND, std::wcstoul(positional[1].c_str(), nullptr, 10), 0) ? 0 : 1;
  }
  if (command == L"list") {
    EnumWindows(PrintWindow, 0);
    return 0;
  }
  return 2;
}
