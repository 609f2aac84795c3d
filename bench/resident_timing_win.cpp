// Timings of the resident program as a user meets them, taken from inside one
// Windows program so that starting this program is not part of any figure.
//
//   resident_timing.exe capture EXE [--small N] [--large N]
//       starts EXE (a fresh installation), then copies N texts of 1 KB and N
//       texts of 1 MB; for each, the time from CloseClipboard to the new ".spt"
//       in the history folder and to the new row in the list view, first with
//       the main window on the screen, then with it in the notification area
//   resident_timing.exe startup EXE ROWS [--runs N] [--empty KIB]
//       starts EXE over a history folder already holding ROWS files, N times:
//       the time from CreateProcess to the main window showing ROWS rows, and
//       the memory of the running program then: its commit charge (private
//       memory committed, summed over its address space, which Wine reports
//       where the process counters say 0), and with --empty (the commit charge
//       of a start over an empty history, in KiB) what each row adds
//   resident_timing.exe menu EXE [--runs N]
//       starts EXE (with AutoPaste on and its history in place) and notepad;
//       with notepad in front, presses the hot key Ctrl+F1: the time to the
//       paste menu on screen; then presses "1": the time to the text in notepad
//
// The history folder is the default one, <folder of EXE>\<user>\CPasteClipboard.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <initializer_list>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kMainTitle[] = L" Kelvarion";

double Frequency() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return frequency;
}

long long Ticks() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

double Ms(long long from, long long to) { return 1000.0 * static_cast<double>(to - from) / Frequency(); }

struct Summary {
  double median = 0, p90 = 0, max = 0;
};

Summary Summarise(std::vector<double> values) {
  Summary s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  s.median = values[values.size() / 2];
  s.p90 = values[std::min(values.size() - 1, (values.size() * 9 + 9) / 10 - 1)];
  s.max = values.back();
  return s;
}

std::wstring Directory(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring HistoryFolder(const std::wstring& exe) {
  wchar_t user[257];
  DWORD n = static_cast<DWORD>(std::size(user));
  if (!GetUserNameW(user, &n)) return {};
  return Directory(exe) + L"\\" + user + L"\\CPasteClipboard\\";
}

struct Program {
  PROCESS_INFORMATION process{};
  HWND frame = nullptr;
  HWND list = nullptr;
};

BOOL CALLBACK FindList(HWND child, LPARAM param) {
  wchar_t name[64] = {};
  GetClassNameW(child, name, static_cast<int>(std::size(name)));
  if (wcscmp(name, WC_LISTVIEWW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(param) = child;
  return FALSE;
}

struct FrameQuery {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM param) {
  auto* q = reinterpret_cast<FrameQuery*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != q->pid) return TRUE;
  wchar_t title[64] = {};
  GetWindowTextW(hwnd, title, static_cast<int>(std::size(title)));
  if (wcscmp(title, kMainTitle) != 0) return TRUE;
  q->found = hwnd;
  return FALSE;
}

// -1 when the list does not answer within the timeout.
long long ItemCount(HWND list, UINT timeoutMs = 5000) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, timeoutMs, &count)) return -1;
  return static_cast<long long>(count);
}

bool Start(const std::wstring& exe, Program& program) {
  std::wstring line = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  const std::wstring folder = Directory(exe);
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &program.process) != 0;
}

// Waits for the frame of that process showing its list with at least rows
// rows; false when it does not come within the timeout.
bool WaitShown(Program& program, long long rows, double timeoutMs) {
  const long long start = Ticks();
  while (Ms(start, Ticks()) < timeoutMs) {
    if (!program.frame) {
      FrameQuery q{program.process.dwProcessId, nullptr};
      EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&q));
      program.frame = q.found;
    }
    if (program.frame && !program.list) EnumChildWindows(program.frame, FindList, reinterpret_cast<LPARAM>(&program.list));
    if (program.list && IsWindowVisible(program.frame) && IsWindowVisible(program.list) &&
        ItemCount(program.list) >= rows)
      return true;
    Sleep(1);
  }
  return false;
}

void Stop(Program& program) {
  if (program.frame) PostMessageW(program.frame, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(program.process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(program.process.hProcess, 1);
    WaitForSingleObject(program.process.hProcess, 5000);
  }
  CloseHandle(program.process.hThread);
  CloseHandle(program.process.hProcess);
  program = Program{};
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeOwnerWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ResidentTimingOwner";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"resident timing", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

bool OpenClipboardWithin(HWND owner, DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  while (!OpenClipboard(owner)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(1);
  }
  return true;
}

// Puts the text on the clipboard; closeAt gets the counter just before
// CloseClipboard, which is what tells the viewers.
bool SetClipboardText(HWND owner, const std::wstring& text, long long& closeAt) {
  if (!OpenClipboardWithin(owner, 2000)) return false;
  EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = memory != nullptr;
  if (ok) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!ok) GlobalFree(memory);
  }
  closeAt = Ticks();
  return CloseClipboard() && ok;
}

// A text of about that many bytes in code page 936: ASCII with some Chinese,
// made unique by its number so that no copy repeats the last one.
std::wstring MakeText(int number, size_t bytes) {
  std::wstring text = L"第" + std::to_wstring(number) + L"段 ";
  const std::wstring line = L"Kelvarion 粘贴板历史 capture latency text line\r\n";
  while (text.size() * 3 / 2 < bytes) text += line;  // about 1.5 bytes a character in 936
  return text;
}

// Watches the history folder for a new ".spt" arriving under its final name;
// the folder's change notices make this cheap however many files it holds.
class FolderWatch {
 public:
  explicit FolderWatch(const std::wstring& folder) {
    dir_ = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~FolderWatch() {
    if (dir_ != INVALID_HANDLE_VALUE) {
      CancelIo(dir_);
      CloseHandle(dir_);
    }
    CloseHandle(overlapped_.hEvent);
  }
  bool Arm() {
    ResetEvent(overlapped_.hEvent);
    return dir_ != INVALID_HANDLE_VALUE &&
           ReadDirectoryChangesW(dir_, buffer_, sizeof buffer_, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr,
                                 &overlapped_, nullptr);
  }
  // The counter when a history text appeared, 0 when none within the time.
  long long WaitForText(double timeoutMs) {
    const long long start = Ticks();
    for (;;) {
      double left = timeoutMs - Ms(start, Ticks());
      if (left <= 0 || WaitForSingleObject(overlapped_.hEvent, static_cast<DWORD>(left)) != WAIT_OBJECT_0) return 0;
      const long long at = Ticks();
      DWORD got = 0;
      if (!GetOverlappedResult(dir_, &overlapped_, &got, FALSE)) return 0;
      bool found = false;
      for (DWORD offset = 0; got > 0;) {
        auto* info = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(buffer_ + offset);
        std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
        if ((info->Action == FILE_ACTION_ADDED || info->Action == FILE_ACTION_RENAMED_NEW_NAME) &&
            name.size() == 20 && name.compare(16, 4, L".spt") == 0)
          found = true;
        if (!info->NextEntryOffset) break;
        offset += info->NextEntryOffset;
      }
      if (found) return at;
      if (!Arm()) return 0;
    }
  }

 private:
  HANDLE dir_ = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped_{};
  alignas(DWORD) BYTE buffer_[64 * 1024];
};

struct Sample {
  double file = -1, row = -1, close = 0;
};

// One copy and the two times after it: the folder's notice, and the list's
// row count polled by a thread of its own.
bool Measure(HWND owner, Program& program, FolderWatch& watch, const std::wstring& text, long long rowsBefore,
             Sample& sample) {
  std::atomic<bool> go{false};
  std::atomic<long long> rowAt{0};
  const double timeoutMs = 20000;
  std::thread rows([&] {
    while (!go) Sleep(0);
    const long long start = Ticks();
    while (Ms(start, Ticks()) < timeoutMs) {
      if (ItemCount(program.list) > rowsBefore) {
        rowAt = Ticks();
        return;
      }
      Sleep(0);
    }
  });
  if (!watch.Arm()) {
    go = true;
    rows.join();
    return false;
  }
  long long closeAt = 0;
  bool set = SetClipboardText(owner, text, closeAt);
  const long long closed = Ticks();
  go = true;
  const long long fileAt = set ? watch.WaitForText(timeoutMs) : 0;
  rows.join();
  if (!set || !fileAt || !rowAt) return false;
  sample.file = Ms(closeAt, fileAt);
  sample.row = Ms(closeAt, rowAt);
  sample.close = Ms(closeAt, closed);
  return true;
}

void Print(const char* what, const std::vector<double>& values) {
  Summary s = Summarise(values);
  std::printf("  %-34s median %8.2f ms   p90 %8.2f ms   max %8.2f ms\n", what, s.median, s.p90, s.max);
}

int RunCapture(const std::wstring& exe, int smallRuns, int largeRuns) {
  const std::wstring folder = HistoryFolder(exe);
  HWND owner = MakeOwnerWindow();
  // Joining the viewer chain captures what is there; start from nothing.
  if (!owner || !OpenClipboardWithin(owner, 2000)) return 1;
  EmptyClipboard();
  CloseClipboard();
  Program program;
  if (!Start(exe, program) || !WaitShown(program, 0, 30000)) {
    std::printf("Kelvarion did not show its list\n");
    return 1;
  }
  FolderWatch watch(folder);
  int number = 0;
  auto series = [&](const char* name, size_t bytes, int runs) -> bool {
    std::vector<double> file, row, close;
    // The first copies of a kind warm up caches (Wine's, the icon cache).
    for (int i = -2; i < runs; ++i) {
      const long long rows = ItemCount(program.list);
      Sample sample;
      if (!Measure(owner, program, watch, MakeText(++number, bytes), rows, sample)) {
        std::printf("copy %d of %s: no new file or row within 20 s\n", number, name);
        return false;
      }
      if (i < 0) continue;
      file.push_back(sample.file);
      row.push_back(sample.row);
      close.push_back(sample.close);
    }
    std::printf("%s text, %d copies, from CloseClipboard:\n", name, runs);
    Print("to the .spt in the history folder", file);
    Print("to the row in the list", row);
    Print("(CloseClipboard itself)", close);
    return true;
  };
  // First with the main window on the screen, then minimised to the
  // notification area, where it spends the day.
  std::printf("-- the main window on the screen\n");
  bool ok = series("1 KB", 1024, smallRuns) && series("1 MB", 1024 * 1024, largeRuns);
  if (ok) {
    PostMessageW(program.frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    const long long start = Ticks();
    while (IsWindowVisible(program.frame) && Ms(start, Ticks()) < 10000) Sleep(1);
    ok = !IsWindowVisible(program.frame);
    if (!ok) std::printf("the main window did not go to the notification area\n");
  }
  if (ok) {
    std::printf("-- the main window hidden in the notification area\n");
    ok = series("1 KB", 1024, smallRuns) && series("1 MB", 1024 * 1024, largeRuns);
  }
  Stop(program);
  DestroyWindow(owner);
  return ok ? 0 : 1;
}

// The private memory committed in a process: what it adds to the system's
// commit charge.
unsigned long long CommitCharge(HANDLE process) {
  unsigned long long total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const char* at = nullptr; VirtualQueryEx(process, at, &info, sizeof info) == sizeof info;
       at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (info.RegionSize == 0) break;
  }
  return total;
}

int RunStartup(const std::wstring& exe, long long rows, int runs, long long emptyKib) {
  std::vector<double> shown, idle, commit;
  PROCESS_MEMORY_COUNTERS_EX last{};
  for (int run = 0; run < runs; ++run) {
    Program program;
    const long long start = Ticks();
    if (!Start(exe, program)) return 1;
    if (!WaitShown(program, rows, 120000)) {
      std::printf("%lld rows: the list did not show them within 120 s (it has %lld)\n", rows,
                  program.list ? ItemCount(program.list) : -1);
      Stop(program);
      return 1;
    }
    const long long at = Ticks();
    // The list answers again once the first paint is through.
    DWORD_PTR unused = 0;
    SendMessageTimeoutW(program.list, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &unused);
    const long long ready = Ticks();
    shown.push_back(Ms(start, at));
    idle.push_back(Ms(start, ready));
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(program.process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters))
      last = counters;
    commit.push_back(static_cast<double>(CommitCharge(program.process.hProcess)));
    Stop(program);
  }
  std::printf("%lld history files, %d starts, from CreateProcess:\n", rows, runs);
  Print("to the window showing every row", shown);
  Print("to the list answering after that", idle);
  // Wine reports no private bytes (0) in the process counters: what the
  // program itself holds is the commit charge below.
  std::printf("  memory then: working set %.1f MiB (peak %.1f MiB)\n", last.WorkingSetSize / 1048576.0,
              last.PeakWorkingSetSize / 1048576.0);
  const double charge = Summarise(commit).median;
  std::printf("  commit charge %.1f MiB (%.0f KiB)", charge / 1048576.0, charge / 1024.0);
  if (emptyKib >= 0 && rows > 0) {
    const double above = charge - static_cast<double>(emptyKib) * 1024.0;
    std::printf(", %.1f MiB above an empty start: %.0f bytes a row", above / 1048576.0, above / static_cast<double>(rows));
  }
  std::printf("\n");
  return 0;
}

struct WindowQuery {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM param) {
  auto* q = reinterpret_cast<WindowQuery*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
  if ((q->pid && pid != q->pid) || wcscmp(name, q->className) != 0 || !IsWindowVisible(hwnd)) return TRUE;
  q->found = hwnd;
  return FALSE;
}

HWND WaitWindow(DWORD pid, const wchar_t* className, double timeoutMs) {
  const long long start = Ticks();
  while (Ms(start, Ticks()) < timeoutMs) {
    WindowQuery q{pid, className, nullptr};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&q));
    if (q.found) return q.found;
    Sleep(0);
  }
  return nullptr;
}

void Keys(std::initializer_list<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> inputs;
  for (auto [vk, up] : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

int RunMenu(const std::wstring& exe, int runs) {
  Program program;
  if (!Start(exe, program) || !WaitShown(program, 1, 30000)) {
    std::printf("Kelvarion did not show its list\n");
    return 1;
  }
  const long long rows = ItemCount(program.list);
  PROCESS_INFORMATION notepad{};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = L"notepad.exe";
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &notepad)) return 1;
  HWND window = WaitWindow(notepad.dwProcessId, L"Notepad", 30000);
  HWND edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
  if (!edit) {
    std::printf("notepad did not open\n");
    return 1;
  }
  std::vector<double> menu, paste;
  bool ok = true;
  for (int i = -2; i < runs && ok; ++i) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    SetForegroundWindow(window);
    const long long front = Ticks();
    while (GetForegroundWindow() != window && Ms(front, Ticks()) < 5000) Sleep(1);
    Sleep(100);  // let the switch settle, as a user's hand would
    const long long pressed = Ticks();
    Keys({{VK_CONTROL, false}, {VK_F1, false}, {VK_F1, true}, {VK_CONTROL, true}});
    HWND shown = WaitWindow(0, L"#32768", 10000);
    const long long opened = Ticks();
    if (!shown) {
      std::printf("the paste menu did not open\n");
      ok = false;
      break;
    }
    Sleep(50);
    const long long chosen = Ticks();
    Keys({{'1', false}, {'1', true}});
    while (SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) == 0 && Ms(chosen, Ticks()) < 10000) Sleep(0);
    const long long pasted = Ticks();
    if (SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) == 0) {
      std::printf("nothing was pasted into notepad\n");
      ok = false;
      break;
    }
    if (i < 0) continue;
    menu.push_back(Ms(pressed, opened));
    paste.push_back(Ms(chosen, pasted));
  }
  if (ok) {
    std::printf("%lld rows in the menu, %d openings:\n", std::min<long long>(rows, 20), runs);
    Print("hot key to the menu on screen", menu);
    Print("choice to the text in notepad", paste);
  }
  TerminateProcess(notepad.hProcess, 0);
  CloseHandle(notepad.hThread);
  CloseHandle(notepad.hProcess);
  Stop(program);
  return ok ? 0 : 1;
}

int IntOption(int argc, wchar_t** argv, const wchar_t* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (wcscmp(argv[i], name) == 0) return _wtoi(argv[i + 1]);
  return fallback;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && wcscmp(argv[1], L"capture") == 0)
    return RunCapture(argv[2], IntOption(argc, argv, L"--small", 50), IntOption(argc, argv, L"--large", 10));
  if (argc >= 4 && wcscmp(argv[1], L"startup") == 0)
    return RunStartup(argv[2], std::wcstoll(argv[3], nullptr, 10), IntOption(argc, argv, L"--runs", 3),
                      IntOption(argc, argv, L"--empty", -1));
  if (argc >= 3 && wcscmp(argv[1], L"menu") == 0) return RunMenu(argv[2], IntOption(argc, argv, L"--runs", 20));
  std::fprintf(stderr, "usage: resident_timing.exe capture EXE [--small N] [--large N]\n"
                       "       resident_timing.exe startup EXE ROWS [--runs N] [--empty KIB]\n"
                       "       resident_timing.exe menu EXE [--runs N]\n");
  return 2;
}
