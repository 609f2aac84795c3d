// kdriver.exe: drives and examines Kelvarion's windows and the clipboard from
// another process, as a user or another program would. One command per run;
// results go to stdout as UTF-8, one item a line. Exit 0 on success, 1 when the
// condition did not come true (or the operation failed), 2 on bad usage.
// Handles are decimal; numbers in arguments are decimal or 0x hexadecimal.
//
// Windows
//   wait-window [--title T] [--text T] [--class C] [--hidden] [--timeout S]
//       waits for a top-level window with that title and class and a child
//       with that text (visible ones only, unless --hidden); prints its handle
//   wait-gone HWND [--timeout S]
//   wait-visible HWND [--not] [--timeout S]
//   command HWND ID                 posts WM_COMMAND ID (IDOK is 1)
//   list                            every visible top-level window: handle, class, title, rectangle
//   tree HWND                       every descendant: handle, parent, class, text, visible
//   find-child HWND --class C [--text T]   first descendant of that class (and text)
//   rect HWND                       left top right bottom
//   move HWND X Y WIDTH HEIGHT      SetWindowPos, as a user dragging the window would leave it
//   post HWND MSG WPARAM LPARAM     PostMessage
//   send HWND MSG WPARAM LPARAM     SendMessageTimeout; prints the result
//   is-visible HWND                 prints 1 or 0; exit 0 when visible, 1 when not
//   window-text HWND
//   set-window-text HWND TEXT       WM_SETTEXT, as a program filling a box would
//   dlg-item HWND ID                the handle of a dialog's control (also: control HWND ID)
//   foreground HWND                 brings the window to the front
//   is-topmost HWND                 prints 1 or 0 (WS_EX_TOPMOST); exit 0 when topmost
//   control HWND ID                 a dialog's control by its id (GetDlgItem)
//   is-enabled HWND                 prints 1 or 0; exit 0 when the window takes input
//   pid HWND                        the id of the process that owns the window
//   kill HWND                       ends the window's process (TerminateProcess) and waits for its end
//   get-foreground                  the current foreground window
//   cursor [X Y]                    moves the mouse cursor there; prints where it is
//   click X Y [--right] [--double]  SendInput: moves the mouse there and clicks (left unless
//       --right; twice with --double)
//   mouse down|move|up X Y          SendInput: moves the mouse there, then presses or releases
//       the left button (nothing more for move); a drag is a down, moves and an up
//   send-keys KEYS...               SendInput; each KEYS is a chord such as
//       ctrl+f1, alt+f4, esc, ctrl+shift+v, a, 0x41 (pressed and released),
//       or "--vk CODE down|up" for one transition, or "--text T" to type T
//   list-rows HWND [--column N]     every row of a list view, one a line
//   wait-rows HWND COUNT [--at-least] [--timeout S]   waits for that row count; prints it
//   tree-items HWND [--top]         every item of a tree view, depth first: handle, depth, text
//       (only the top-level items with --top)
//   answer-times HWND TREE COUNT [--timeout S]   sends WM_NULL to HWND again and again until the
//       tree view TREE holds COUNT items; prints the longest wait for an answer in ms, the
//       number of answers and the seconds it took. Exit 1 when COUNT is not reached in time
//   combo-items HWND                every entry of a combo box's list, in list order
//   edit-text HWND                  a control's whole text (WM_GETTEXT with its full length)
//   item-rect HWND ROW              a list view row's bounds on the screen: left top right bottom
//   button-rect HWND ID             a toolbar button's bounds on the screen, by its command id
//   shell-restarted HWND ID         what a restart of the shell does to a program's tray icon: the
//       icon (window HWND, id ID) is gone, and the window gets "TaskbarCreated" (sent; returns once
//       it was handled)
// Clipboard (every set command returns after CloseClipboard)
//   set-text TEXT | set-text --from FILE    CF_UNICODETEXT (the file is UTF-8)
//   set-formats NAME=HEX|NAME=@FILE...      NAME: a format number or a registered name
//   set-files PATH...               CF_HDROP with wide names
//   get-text                        CF_UNICODETEXT as UTF-8; exit 1 when there is none
//   get-format NAME                 the bytes of one format as hexadecimal
//   formats                         id and name of every format, in clipboard order
//   clear                           empties the clipboard
//   sequence                        the clipboard sequence number
//   owner                           the clipboard owner's window handle (0 for none)
//   viewer --out FILE [--timeout S] [--no-read]
//       joins the clipboard viewer chain, prints its handle, appends a line per
//       event to FILE and leaves the chain on WM_CLOSE or after the timeout
// Processes
//   watch-processes NAME [--timeout S] [--until FILE]
//       for the time given, prints a line for every process with that
//       executable name that appears: pid, parent pid, command line; with
//       --until it ends, after one more look, as soon as FILE exists
//   wait-exit PID [--timeout S]     waits for the process to end (exit 0 also when it is gone already)
//   run-line LINE [--timeout S]     starts the command line exactly as given and waits
//       for it to end; prints its exit code. Exit 1 (the process ended by force) when
//       it is still running after the timeout
// Registry
//   key-sddl KEY [SDDL]             prints the DACL of a key (HKLM\..., HKCR\..., HKCU\...) as
//       SDDL; with SDDL sets it first (to refuse writes as a non-administrator meets them)
// Session
//   timestamp-ms                    wall-clock milliseconds since 1970 with decimals
//   hold [--timeout S]              keeps a hidden window until WM_CLOSE or the timeout;
//       Wine drops the window station, and with it the clipboard, when its last
//       program ends, so a test run keeps one program alive
#include "tests/win/pattern_window.h"
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

// ---------------------------------------------------------------- output

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

void Print(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}
void PrintLine(const std::wstring& text) { Print(Utf8(text) + "\n"); }
void PrintLine(const std::string& ascii) { Print(ascii + "\n"); }

std::string HandleText(HWND hwnd) { return std::to_string(reinterpret_cast<UINT_PTR>(hwnd)); }

// A line of a text that may hold line ends and tabs, kept on one line.
std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\\') out += L"\\\\";
    else if (c == L'\n') out += L"\\n";
    else if (c == L'\r') out += L"\\r";
    else if (c == L'\t') out += L"\\t";
    else out += c;
  }
  return out;
}

// ---------------------------------------------------------------- arguments

bool ParseNumber(const std::wstring& text, unsigned long long& value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  bool negative = text[0] == L'-';
  const wchar_t* start = text.c_str() + (negative ? 1 : 0);
  int base = (start[0] == L'0' && (start[1] == L'x' || start[1] == L'X')) ? 16 : 10;
  value = std::wcstoull(base == 16 ? start + 2 : start, &end, base);
  if (end == start || *end != L'\0') return false;
  if (negative) value = static_cast<unsigned long long>(-static_cast<long long>(value));
  return true;
}

bool ParseHandle(const std::wstring& text, HWND& hwnd) {
  unsigned long long value = 0;
  if (!ParseNumber(text, value)) return false;
  hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
  return true;
}

bool WaitUntil(double seconds, auto condition) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
}

// ---------------------------------------------------------------- windows

std::wstring WindowText(HWND hwnd) {
  wchar_t buffer[4096] = {};
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

struct Query {
  std::wstring title, text, className;
  bool hasTitle = false, hasText = false, hasClass = false, hidden = false;
  HWND found = nullptr;
};

BOOL CALLBACK FindDescendant(HWND child, LPARAM param) {
  auto* q = reinterpret_cast<Query*>(param);
  if (q->hasClass && ClassOf(child) != q->className) return TRUE;
  if (q->hasText && WindowText(child) != q->text) return TRUE;
  q->found = child;
  return FALSE;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
  auto* q = reinterpret_cast<Query*>(param);
  if (!q->hidden && !IsWindowVisible(hwnd)) return TRUE;
  if (q->hasClass && ClassOf(hwnd) != q->className) return TRUE;
  if (q->hasTitle && WindowText(hwnd) != q->title) return TRUE;
  if (q->hasText) {
    Query inner;
    inner.text = q->text;
    inner.hasText = true;
    EnumChildWindows(hwnd, FindDescendant, reinterpret_cast<LPARAM>(&inner));
    if (!inner.found) return TRUE;
  }
  q->found = hwnd;
  return FALSE;
}

BOOL CALLBACK PrintTopLevel(HWND hwnd, LPARAM) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  RECT r{};
  GetWindowRect(hwnd, &r);
  PrintLine(Utf8(std::to_wstring(reinterpret_cast<UINT_PTR>(hwnd)) + L"\t" + ClassOf(hwnd) + L"\t" +
                 Escape(WindowText(hwnd)) + L"\t" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
                 std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom)));
  return TRUE;
}

BOOL CALLBACK PrintDescendant(HWND hwnd, LPARAM) {
  PrintLine(Utf8(std::to_wstring(reinterpret_cast<UINT_PTR>(hwnd)) + L"\t" +
                 std::to_wstring(reinterpret_cast<UINT_PTR>(GetParent(hwnd))) + L"\t" + ClassOf(hwnd) + L"\t" +
                 Escape(WindowText(hwnd)) + L"\t" + (IsWindowVisible(hwnd) ? L"1" : L"0")));
  return TRUE;
}

// Brings a window of another process to the front. The foreground lock only
// lets a process that has the input move the focus, so share its input state.
bool BringToFront(HWND hwnd, double seconds) {
  return WaitUntil(seconds, [&] {
    HWND current = GetForegroundWindow();
    if (current == hwnd) return true;
    DWORD self = GetCurrentThreadId();
    DWORD target = GetWindowThreadProcessId(hwnd, nullptr);
    DWORD front = current ? GetWindowThreadProcessId(current, nullptr) : 0;
    if (front && front != self) AttachThreadInput(self, front, TRUE);
    if (target != self) AttachThreadInput(self, target, TRUE);
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    BringWindowToTop(hwnd);
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    if (target != self) AttachThreadInput(self, target, FALSE);
    if (front && front != self) AttachThreadInput(self, front, FALSE);
    return GetForegroundWindow() == hwnd;
  });
}

// A click as the mouse driver would report it: an absolute move, then the
// button down and up (twice for a double click). False when the cursor did
// not end up there or the input was refused.
INPUT AbsoluteMove(int x, int y) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT move{};
  move.type = INPUT_MOUSE;
  // Normalised to 0..65535 over the primary screen; the half pixel keeps the
  // truncation back to pixels on the intended one.
  move.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / width);
  move.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / height);
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return move;
}

bool OnScreen(int x, int y) {
  return x >= 0 && y >= 0 && x < GetSystemMetrics(SM_CXSCREEN) && y < GetSystemMetrics(SM_CYSCREEN);
}

// Sends the inputs and prints where the cursor is; false when it did not end
// up at (x, y) or the input was refused.
bool SendMouse(std::vector<INPUT>& inputs, int x, int y) {
  if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) return false;
  POINT p{};
  GetCursorPos(&p);
  PrintLine(std::to_string(p.x) + " " + std::to_string(p.y));
  return p.x == x && p.y == y;
}

bool Click(int x, int y, bool right, bool twice) {
  if (!OnScreen(x, y)) return false;
  std::vector<INPUT> inputs{AbsoluteMove(x, y)};
  for (int i = 0; i < (twice ? 2 : 1); ++i) {
    INPUT button{};
    button.type = INPUT_MOUSE;
    button.mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs.push_back(button);
    button.mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    inputs.push_back(button);
  }
  return SendMouse(inputs, x, y);
}

// One step of a drag: the move, then the left button's transition (none for
// a plain move).
bool MouseStep(int x, int y, DWORD buttonFlag) {
  if (!OnScreen(x, y)) return false;
  std::vector<INPUT> inputs{AbsoluteMove(x, y)};
  if (buttonFlag) {
    INPUT button{};
    button.type = INPUT_MOUSE;
    button.mi.dwFlags = buttonFlag;
    inputs.push_back(button);
  }
  return SendMouse(inputs, x, y);
}

// ---------------------------------------------------------------- keys

const std::map<std::wstring, WORD>& KeyNames() {
  static const std::map<std::wstring, WORD> names = {
      {L"ctrl", VK_CONTROL}, {L"control", VK_CONTROL}, {L"alt", VK_MENU},      {L"shift", VK_SHIFT},
      {L"win", VK_LWIN},     {L"esc", VK_ESCAPE},      {L"escape", VK_ESCAPE}, {L"enter", VK_RETURN},
      {L"return", VK_RETURN}, {L"tab", VK_TAB},         {L"space", VK_SPACE},   {L"backspace", VK_BACK},
      {L"del", VK_DELETE},   {L"delete", VK_DELETE},   {L"insert", VK_INSERT}, {L"ins", VK_INSERT},
      {L"home", VK_HOME},    {L"end", VK_END},         {L"pgup", VK_PRIOR},    {L"pageup", VK_PRIOR},
      {L"pgdn", VK_NEXT},    {L"pagedown", VK_NEXT},   {L"up", VK_UP},         {L"down", VK_DOWN},
      {L"left", VK_LEFT},    {L"right", VK_RIGHT},     {L"apps", VK_APPS},
  };
  return names;
}

bool KeyCode(std::wstring name, WORD& vk) {
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  if (auto it = KeyNames().find(name); it != KeyNames().end()) {
    vk = it->second;
    return true;
  }
  if (name.size() == 1 && ((name[0] >= L'a' && name[0] <= L'z') || (name[0] >= L'0' && name[0] <= L'9'))) {
    vk = static_cast<WORD>(std::towupper(name[0]));
    return true;
  }
  if (name.size() >= 2 && name[0] == L'f' && name[1] != L'0') {
    unsigned long long n = 0;
    if (ParseNumber(name.substr(1), n) && n >= 1 && n <= 24) {
      vk = static_cast<WORD>(VK_F1 + n - 1);
      return true;
    }
  }
  unsigned long long n = 0;
  if (name.size() > 2 && name.rfind(L"0x", 0) == 0 && ParseNumber(name, n) && n > 0 && n < 256) {
    vk = static_cast<WORD>(n);
    return true;
  }
  return false;
}

bool IsExtended(WORD vk) {
  switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_LWIN: case VK_APPS:
      return true;
    default:
      return false;
  }
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

// Builds the input of one argument list; false on a word it does not know.
bool ParseKeys(const std::vector<std::wstring>& args, std::vector<INPUT>& inputs) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (a == L"--vk") {
      if (i + 2 >= args.size()) return false;
      unsigned long long vk = 0;
      if (!ParseNumber(args[i + 1], vk) || vk == 0 || vk > 255) return false;
      if (args[i + 2] != L"down" && args[i + 2] != L"up") return false;
      inputs.push_back(KeyInput(static_cast<WORD>(vk), args[i + 2] == L"up"));
      i += 2;
    } else if (a == L"--text") {
      if (i + 1 >= args.size()) return false;
      for (wchar_t c : args[++i]) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = c;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(in);
        in.ki.dwFlags |= KEYEVENTF_KEYUP;
        inputs.push_back(in);
      }
    } else {
      std::vector<WORD> chord;
      size_t start = 0;
      for (;;) {
        size_t plus = a.find(L'+', start);
        WORD vk = 0;
        if (!KeyCode(a.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start), vk)) return false;
        chord.push_back(vk);
        if (plus == std::wstring::npos) break;
        start = plus + 1;
      }
      for (WORD vk : chord) inputs.push_back(KeyInput(vk, false));
      for (auto it = chord.rbegin(); it != chord.rend(); ++it) inputs.push_back(KeyInput(*it, true));
    }
  }
  return !inputs.empty();
}

// ---------------------------------------------------------------- list views in another process

// Memory in the list's process for one LVITEMW and its text buffer.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, SIZE_T size) : process_(process), size_(size) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* get() const { return static_cast<char*>(address_); }
  SIZE_T size() const { return size_; }

 private:
  HANDLE process_;
  SIZE_T size_;
  void* address_ = nullptr;
};

class RemoteList {
 public:
  explicit RemoteList(HWND list) : list_(list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                           FALSE, pid);
  }
  ~RemoteList() {
    if (process_) CloseHandle(process_);
  }
  RemoteList(const RemoteList&) = delete;
  RemoteList& operator=(const RemoteList&) = delete;

  bool ok() const { return process_ != nullptr; }

  // -1 when the window does not answer.
  long long Count() const {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list_, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) return -1;
    return static_cast<long long>(count);
  }

  // Reads one cell; grows the buffer while the text fills it.
  bool Text(int row, int column, std::wstring& text) {
    for (SIZE_T chars = 1024; chars <= (1u << 20); chars *= 4) {
      RemoteBuffer remote(process_, sizeof(LVITEMW) + chars * sizeof(wchar_t));
      if (!remote.get()) return false;
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t*>(remote.get() + sizeof(LVITEMW));
      item.cchTextMax = static_cast<int>(chars);
      SIZE_T done = 0;
      const wchar_t zero = 0;
      if (!WriteProcessMemory(process_, remote.get(), &item, sizeof item, &done) ||
          !WriteProcessMemory(process_, item.pszText, &zero, sizeof zero, &done))
        return false;
      DWORD_PTR length = 0;
      if (!SendMessageTimeoutW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG,
                               2000, &length))
        return false;
      // A virtual list may answer with a pointer of its own instead of
      // filling our buffer; the control copies it into ours either way.
      std::wstring buffer(chars, L'\0');
      if (!ReadProcessMemory(process_, item.pszText, buffer.data(), chars * sizeof(wchar_t), &done)) return false;
      buffer.resize(wcsnlen(buffer.c_str(), chars));
      if (buffer.size() + 1 < chars) {
        text = buffer;
        return true;
      }
    }
    return false;
  }

  bool SetCheck(int row, bool on) {
    RemoteBuffer remote(process_, sizeof(LVITEMW));
    if (!remote.get()) return false;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
    SIZE_T done = 0;
    if (!WriteProcessMemory(process_, remote.get(), &item, sizeof item, &done)) return false;
    DWORD_PTR ok = 0;
    return SendMessageTimeoutW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG,
                               2000, &ok) &&
           ok;
  }

  // A row's bounds in screen coordinates; false when the row does not exist.
  bool ItemRect(int row, RECT& rect) {
    RemoteBuffer remote(process_, sizeof(RECT));
    if (!remote.get()) return false;
    RECT in{};
    in.left = LVIR_BOUNDS;
    SIZE_T done = 0;
    if (!WriteProcessMemory(process_, remote.get(), &in, sizeof in, &done)) return false;
    DWORD_PTR ok = 0;
    if (!SendMessageTimeoutW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG,
                             2000, &ok) ||
        !ok)
      return false;
    if (!ReadProcessMemory(process_, remote.get(), &rect, sizeof rect, &done)) return false;
    MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return true;
  }

  // The same for a toolbar's button (the window is then a toolbar).
  bool ButtonRect(int command, RECT& rect) {
    DWORD_PTR index = 0;
    if (!SendMessageTimeoutW(list_, TB_COMMANDTOINDEX, command, 0, SMTO_ABORTIFHUNG, 2000, &index) ||
        static_cast<LONG_PTR>(index) < 0)
      return false;
    RemoteBuffer remote(process_, sizeof(RECT));
    if (!remote.get()) return false;
    DWORD_PTR ok = 0;
    SIZE_T done = 0;
    if (!SendMessageTimeoutW(list_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG,
                             2000, &ok) ||
        !ok || !ReadProcessMemory(process_, remote.get(), &rect, sizeof rect, &done))
      return false;
    MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return true;
  }

 private:
  HWND list_;
  HANDLE process_ = nullptr;
};

// Texts of a tree view in another process, through a buffer in its memory.
class RemoteTree {
 public:
  explicit RemoteTree(HWND tree) : tree_(tree) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                           FALSE, pid);
  }
  ~RemoteTree() {
    if (process_) CloseHandle(process_);
  }
  RemoteTree(const RemoteTree&) = delete;
  RemoteTree& operator=(const RemoteTree&) = delete;
  bool ok() const { return process_ != nullptr; }

  HTREEITEM Next(HTREEITEM item, WPARAM how) const {
    DWORD_PTR next = 0;
    if (!SendMessageTimeoutW(tree_, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG, 2000,
                             &next))
      return nullptr;
    return reinterpret_cast<HTREEITEM>(next);
  }

  bool Text(HTREEITEM item, std::wstring& text) {
    constexpr SIZE_T chars = 1024;
    RemoteBuffer remote(process_, sizeof(TVITEMW) + chars * sizeof(wchar_t));
    if (!remote.get()) return false;
    TVITEMW request{};
    request.mask = TVIF_TEXT | TVIF_HANDLE;
    request.hItem = item;
    request.pszText = reinterpret_cast<wchar_t*>(remote.get() + sizeof(TVITEMW));
    request.cchTextMax = static_cast<int>(chars);
    SIZE_T done = 0;
    const wchar_t zero = 0;
    if (!WriteProcessMemory(process_, remote.get(), &request, sizeof request, &done) ||
        !WriteProcessMemory(process_, request.pszText, &zero, sizeof zero, &done))
      return false;
    DWORD_PTR ok = 0;
    if (!SendMessageTimeoutW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG, 2000,
                             &ok) ||
        !ok)
      return false;
    // The control may point pszText at a buffer of its own.
    TVITEMW answer{};
    if (!ReadProcessMemory(process_, remote.get(), &answer, sizeof answer, &done)) return false;
    std::wstring buffer(chars, L'\0');
    if (!ReadProcessMemory(process_, answer.pszText, buffer.data(), chars * sizeof(wchar_t), &done)) return false;
    buffer.resize(wcsnlen(buffer.c_str(), chars));
    text = buffer;
    return true;
  }

 private:
  HWND tree_;
  HANDLE process_ = nullptr;
};

// ---------------------------------------------------------------- clipboard

const std::map<UINT, std::wstring>& PredefinedFormats() {
  // The names Kelvarion itself gives the predefined formats.
  static const std::map<UINT, std::wstring> names = {
      {CF_TEXT, L"TEXT"},          {CF_BITMAP, L"BITMAP"},       {CF_METAFILEPICT, L"METAFILEPICT"},
      {CF_SYLK, L"SYLK"},          {CF_DIF, L"DIF"},             {CF_TIFF, L"TIFF"},
      {CF_OEMTEXT, L"OEMTEXT"},    {CF_DIB, L"DIB"},             {CF_PALETTE, L"PALETTE"},
      {CF_PENDATA, L"PENDATA"},    {CF_RIFF, L"RIFF"},           {CF_WAVE, L"WAVE"},
      {CF_UNICODETEXT, L"UNICODETEXT"}, {CF_ENHMETAFILE, L"ENHMETAFILE"}, {CF_HDROP, L"HDROP"},
      {CF_LOCALE, L"LOCALE"},      {CF_DIBV5, L"DIBV5"},         {CF_OWNERDISPLAY, L"OWNERDISPLAY"},
      {CF_DSPTEXT, L"DSPTEXT"},    {CF_DSPBITMAP, L"DSPBITMAP"}, {CF_DSPMETAFILEPICT, L"DSPMETAFILEPICT"},
      {CF_DSPENHMETAFILE, L"DSPENHMETAFILE"},
  };
  return names;
}

// Formats whose data is a GDI or other handle rather than global memory.
bool IsHandleFormat(UINT format) {
  return format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_PALETTE || format == CF_ENHMETAFILE ||
         format == CF_DSPBITMAP || format == CF_DSPMETAFILEPICT || format == CF_DSPENHMETAFILE ||
         format == CF_OWNERDISPLAY || (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

std::wstring FormatName(UINT format) {
  if (auto it = PredefinedFormats().find(format); it != PredefinedFormats().end()) return it->second;
  wchar_t buffer[256] = {};
  int n = GetClipboardFormatNameW(format, buffer, static_cast<int>(std::size(buffer)));
  return std::wstring(buffer, n > 0 ? n : 0);
}

// A format given as a number or as a name to register.
UINT FormatId(const std::wstring& name) {
  unsigned long long n = 0;
  if (ParseNumber(name, n)) return n > 0 && n <= 0xFFFF ? static_cast<UINT>(n) : 0;
  for (auto& [id, predefined] : PredefinedFormats())
    if (predefined == name) return id;
  return RegisterClipboardFormatW(name.c_str());
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A hidden top-level window of our own, so that the clipboard has an owner as
// it does when a normal program copies.
HWND MakeWindow(const wchar_t* className, WNDPROC proc, const wchar_t* title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);
  return CreateWindowExW(0, className, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

// Another program may hold the clipboard for a moment (Wine's own clipboard
// bridge reads it after every change), so opening is retried briefly.
bool OpenClipboardWithin(HWND owner, DWORD milliseconds = 2000) {
  ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    if (OpenClipboard(owner)) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(5);
  }
}

bool PutGlobal(UINT format, const void* bytes, SIZE_T size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
  if (!memory) return false;
  if (size) {
    void* p = GlobalLock(memory);
    if (!p) {
      GlobalFree(memory);
      return false;
    }
    std::memcpy(p, bytes, size);
    GlobalUnlock(memory);
  }
  if (SetClipboardData(format, memory)) return true;  // the clipboard owns it now
  GlobalFree(memory);
  return false;
}

struct FormatData {
  UINT id;
  std::string bytes;
};

int SetClipboard(const std::vector<FormatData>& formats) {
  HWND owner = MakeWindow(L"KDriverClipboardOwner", PlainWindowProc, L"kdriver clipboard owner");
  if (!owner) return kFailed;
  bool ok = OpenClipboardWithin(owner);
  if (ok) {
    ok = EmptyClipboard() != FALSE;
    for (const auto& f : formats) ok = ok && PutGlobal(f.id, f.bytes.data(), f.bytes.size());
    ok = CloseClipboard() && ok;
  }
  DestroyWindow(owner);
  if (!ok) std::fprintf(stderr, "kdriver: could not set the clipboard (error %lu)\n", GetLastError());
  return ok ? kOk : kFailed;
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return false;
  char buffer[65536];
  size_t n;
  bytes.clear();
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return true;
}

bool ParseHex(const std::wstring& hex, std::string& bytes) {
  auto digit = [](wchar_t c) -> int {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  };
  if (hex.size() % 2) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = digit(hex[i]), lo = digit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

std::string WideBytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

// Reads one format's global memory while the clipboard is open.
bool ClipboardBytes(UINT format, std::string& bytes) {
  HANDLE data = GetClipboardData(format);
  if (!data) return false;
  const void* p = GlobalLock(data);
  if (!p) return false;
  bytes.assign(static_cast<const char*>(p), GlobalSize(data));
  GlobalUnlock(data);
  return true;
}

bool ClipboardText(HWND owner, std::wstring& text) {
  if (!OpenClipboardWithin(owner)) return false;
  std::string bytes;
  bool ok = ClipboardBytes(CF_UNICODETEXT, bytes);
  CloseClipboard();
  if (!ok) return false;
  text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  return true;
}

// ---------------------------------------------------------------- clipboard viewer

// A member of the viewer chain as any well-behaved program is: it passes every
// notice on to the next viewer and mends the chain when a viewer leaves.
struct Viewer {
  HWND hwnd = nullptr;
  HWND next = nullptr;
  FILE* out = nullptr;
  bool read = true;
  bool joined = false;
  bool joining = false;
  unsigned changes = 0;

  void Log(const std::wstring& line) {
    std::string bytes = Utf8(line) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fflush(out);
  }

  void Leave(const wchar_t* reason) {
    if (!joined) return;
    joined = false;
    ChangeClipboardChain(hwnd, next);
    Log(std::wstring(L"left\t") + reason);
  }
} viewer;

double NowMs() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  // 100-ns ticks since 1601 to milliseconds since 1970.
  return static_cast<double>(t.QuadPart - 116444736000000000ULL) / 10000.0;
}

std::wstring MsText(double ms) {
  wchar_t buffer[64];
  std::swprintf(buffer, std::size(buffer), L"%.3f", ms);
  return buffer;
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD: {
      double at = NowMs();
      std::wstring text;
      bool hasText = viewer.read && ClipboardText(hwnd, text);
      // The notice SetClipboardViewer sends to a new member is not a change.
      std::wstring kind = viewer.joining ? L"initial" : L"change";
      if (!viewer.joining) ++viewer.changes;
      viewer.Log(kind + L"\t" + std::to_wstring(viewer.changes) + L"\t" + MsText(at) + L"\t" +
                 std::to_wstring(GetClipboardSequenceNumber()) + L"\t" + (hasText ? L"T" : L"-") + L"\t" + Escape(text));
      if (viewer.next && viewer.next != hwnd) SendMessageW(viewer.next, message, wParam, lParam);
      return 0;
    }
    case WM_CHANGECBCHAIN: {
      HWND removed = reinterpret_cast<HWND>(wParam);
      HWND after = reinterpret_cast<HWND>(lParam);
      if (removed == viewer.next) viewer.next = after;
      else if (viewer.next) SendMessageW(viewer.next, message, wParam, lParam);
      viewer.Log(L"chain\t" + FromUtf8(HandleText(removed)) + L"\t" + FromUtf8(HandleText(after)) + L"\t" +
                 FromUtf8(HandleText(viewer.next)));
      return 0;
    }
    case WM_TIMER:
      viewer.Leave(L"timeout");
      DestroyWindow(hwnd);
      return 0;
    case WM_CLOSE:
      viewer.Leave(L"close");
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      viewer.Leave(L"destroy");
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunViewer(const std::wstring& outPath, double timeout, bool read) {
  viewer.out = _wfopen(outPath.c_str(), L"ab");
  if (!viewer.out) return kFailed;
  viewer.read = read;
  viewer.hwnd = MakeWindow(L"KDriverClipboardViewer", ViewerProc, L"kdriver viewer");
  if (!viewer.hwnd) return kFailed;
  viewer.joining = true;
  viewer.next = SetClipboardViewer(viewer.hwnd);
  viewer.joining = false;
  // No next viewer is a normal answer, and the first notice, handled inside the
  // call, leaves its own last error; only the chain's head tells success.
  if (GetClipboardViewer() != viewer.hwnd) {
    viewer.Log(L"failed\t" + std::to_wstring(GetLastError()));
    return kFailed;
  }
  viewer.joined = true;
  viewer.Log(L"joined\t" + FromUtf8(HandleText(viewer.hwnd)) + L"\t" + FromUtf8(HandleText(viewer.next)));
  PrintLine(HandleText(viewer.hwnd));
  SetTimer(viewer.hwnd, 1, static_cast<UINT>(timeout * 1000), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  std::fclose(viewer.out);
  return kOk;
}

// ---------------------------------------------------------------- processes

// The command line of another process, asked of the system directly (class
// 60, ProcessCommandLineInformation); empty when it cannot be had.
std::wstring ProcessCommandLine(DWORD pid) {
  using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  static const auto query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process || !query) return {};
  std::wstring line;
  std::vector<unsigned char> buffer(64 * 1024);
  ULONG needed = 0;
  if (query(process, 60, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) >= 0) {
    auto* text = reinterpret_cast<UNICODE_STRING*>(buffer.data());
    if (text->Buffer) line.assign(text->Buffer, text->Length / sizeof(wchar_t));
  }
  if (line.empty()) {
    // Where that class is not offered, read it from the process's own block:
    // the process parameters' CommandLine (64-bit layout).
    PROCESS_BASIC_INFORMATION basic{};
    SIZE_T got = 0;
    void* parameters = nullptr;
    UNICODE_STRING text{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, &needed) >= 0 && basic.PebBaseAddress &&
        ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + 0x20, &parameters,
                          sizeof parameters, &got) &&
        parameters &&
        ReadProcessMemory(process, static_cast<char*>(parameters) + 0x70, &text, sizeof text, &got) &&
        text.Buffer && text.Length) {
      line.resize(text.Length / sizeof(wchar_t));
      if (!ReadProcessMemory(process, text.Buffer, line.data(), text.Length, &got)) line.clear();
    }
  }
  CloseHandle(process);
  return line;
}

int WatchProcesses(const std::wstring& name, double seconds, const std::wstring& until) {
  std::map<DWORD, bool> known;     // there at the start, or reported
  std::map<DWORD, DWORD> pending;  // seen, with its parent, but its command line is not there yet
  auto report = [](DWORD pid, DWORD parent, const std::wstring& command) {
    PrintLine(std::to_wstring(pid) + L"\t" + std::to_wstring(parent) + L"\t" + Escape(command));
  };
  auto look = [&](bool news) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    std::map<DWORD, bool> present;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
      if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
      const DWORD pid = entry.th32ProcessID;
      present[pid] = true;
      if (known.count(pid)) continue;
      if (!news) {
        known[pid] = true;
        continue;
      }
      // A process just created has no command line in its memory yet.
      const std::wstring command = ProcessCommandLine(pid);
      if (command.empty()) {
        pending[pid] = entry.th32ParentProcessID;
        continue;
      }
      known[pid] = true;
      pending.erase(pid);
      report(pid, entry.th32ParentProcessID, command);
    }
    CloseHandle(snapshot);
    // One that ended before its command line could be read is still news.
    for (auto it = pending.begin(); it != pending.end();) {
      if (present.count(it->first)) {
        ++it;
        continue;
      }
      known[it->first] = true;
      report(it->first, it->second, L"");
      it = pending.erase(it);
    }
  };
  // What runs already is not news; say when the watch begins.
  look(false);
  PrintLine(L"watching");
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  ULONGLONG stopBy = 0;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    // The file comes after the moment the caller waited for: what appeared
    // before it is still caught by the looks after it, which go on (a few
    // seconds at most) until every process seen has its command line.
    if (!stopBy && !until.empty() && GetFileAttributesW(until.c_str()) != INVALID_FILE_ATTRIBUTES) stopBy = now + 10000;
    if (stopBy ? now >= stopBy : now >= deadline) break;
    look(true);
    if (stopBy && pending.empty()) break;
    Sleep(2);
  }
  for (const auto& [pid, parent] : pending) report(pid, parent, L"");
  return kOk;
}

// ---------------------------------------------------------------- commands

struct Args {
  std::vector<std::wstring> positional;
  std::map<std::wstring, std::wstring> options;
  std::vector<std::wstring> flags;
  bool Has(const wchar_t* flag) const {
    for (auto& f : flags)
      if (f == flag) return true;
    return false;
  }
  std::wstring Option(const wchar_t* name, const std::wstring& fallback = L"") const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  bool HasOption(const wchar_t* name) const { return options.count(name) > 0; }
  double Timeout(double fallback = 15) const {
    auto it = options.find(L"--timeout");
    return it == options.end() ? fallback : std::wcstod(it->second.c_str(), nullptr);
  }
};

// Options that take a value; everything else starting with "--" is a flag.
bool TakesValue(const std::wstring& a) {
  return a == L"--title" || a == L"--text" || a == L"--class" || a == L"--timeout" || a == L"--column" ||
         a == L"--out" || a == L"--from" || a == L"--until";
}

Args ParseArgs(int argc, wchar_t** argv) {
  Args args;
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    if (TakesValue(a) && i + 1 < argc) args.options[a] = argv[++i];
    else if (a.size() > 2 && a.rfind(L"--", 0) == 0) args.flags.push_back(a);
    else args.positional.push_back(a);
  }
  return args;
}

int CommandWindows(const std::wstring& command, const Args& args) {
  const auto& pos = args.positional;
  HWND hwnd = nullptr;
  bool hasHandle = !pos.empty() && ParseHandle(pos[0], hwnd);

  if (command == L"wait-window") {
    Query q;
    q.hasTitle = args.HasOption(L"--title");
    q.title = args.Option(L"--title");
    q.hasText = args.HasOption(L"--text");
    q.text = args.Option(L"--text");
    q.hasClass = args.HasOption(L"--class");
    q.className = args.Option(L"--class");
    q.hidden = args.Has(L"--hidden");
    bool ok = WaitUntil(args.Timeout(), [&] {
      q.found = nullptr;
      EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&q));
      return q.found != nullptr;
    });
    if (!ok) return kFailed;
    PrintLine(HandleText(q.found));
    return kOk;
  }
  if (command == L"list") {
    EnumWindows(PrintTopLevel, 0);
    return kOk;
  }
  if (command == L"get-foreground") {
    PrintLine(HandleText(GetForegroundWindow()));
    return kOk;
  }
  if (command == L"cursor") {
    unsigned long long x = 0, y = 0;
    if (pos.size() == 2 && ParseNumber(pos[0], x) && ParseNumber(pos[1], y) &&
        !SetCursorPos(static_cast<int>(x), static_cast<int>(y)))
      return kFailed;
    POINT p;
    GetCursorPos(&p);
    PrintLine(std::to_string(p.x) + " " + std::to_string(p.y));
    return kOk;
  }
  if (command == L"click") {
    unsigned long long x = 0, y = 0;
    if (pos.size() != 2 || !ParseNumber(pos[0], x) || !ParseNumber(pos[1], y)) return kUsage;
    return Click(static_cast<int>(x), static_cast<int>(y), args.Has(L"--right"), args.Has(L"--double")) ? kOk
                                                                                                         : kFailed;
  }
  if (command == L"mouse") {
    unsigned long long x = 0, y = 0;
    if (pos.size() != 3 || !ParseNumber(pos[1], x) || !ParseNumber(pos[2], y)) return kUsage;
    const DWORD flag = pos[0] == L"down" ? MOUSEEVENTF_LEFTDOWN : pos[0] == L"up" ? MOUSEEVENTF_LEFTUP : 0;
    if (!flag && pos[0] != L"move") return kUsage;
    return MouseStep(static_cast<int>(x), static_cast<int>(y), flag) ? kOk : kFailed;
  }
  if (!hasHandle) return kUsage;

  if (command == L"wait-gone" && pos.size() == 1)
    return WaitUntil(args.Timeout(), [&] { return !IsWindow(hwnd); }) ? kOk : kFailed;
  if (command == L"wait-visible" && pos.size() == 1) {
    bool wanted = !args.Has(L"--not");
    return WaitUntil(args.Timeout(), [&] { return IsWindow(hwnd) && (IsWindowVisible(hwnd) != FALSE) == wanted; })
               ? kOk
               : kFailed;
  }
  if (!IsWindow(hwnd)) {
    std::fprintf(stderr, "kdriver: not a window\n");
    return kFailed;
  }
  if (command == L"command" && pos.size() == 2) {
    unsigned long long id = 0;
    if (!ParseNumber(pos[1], id)) return kUsage;
    return PostMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(id), 0) ? kOk : kFailed;
  }
  if ((command == L"post" || command == L"send") && pos.size() == 4) {
    unsigned long long msg = 0, w = 0, l = 0;
    if (!ParseNumber(pos[1], msg) || !ParseNumber(pos[2], w) || !ParseNumber(pos[3], l)) return kUsage;
    if (command == L"post")
      return PostMessageW(hwnd, static_cast<UINT>(msg), static_cast<WPARAM>(w), static_cast<LPARAM>(l)) ? kOk
                                                                                                          : kFailed;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, static_cast<UINT>(msg), static_cast<WPARAM>(w), static_cast<LPARAM>(l),
                             SMTO_ABORTIFHUNG, static_cast<UINT>(args.Timeout(5) * 1000), &result))
      return kFailed;
    PrintLine(std::to_string(static_cast<long long>(result)));
    return kOk;
  }
  if (command == L"tree" && pos.size() == 1) {
    EnumChildWindows(hwnd, PrintDescendant, 0);
    return kOk;
  }
  if (command == L"find-child" && pos.size() == 1) {
    Query q;
    q.hasClass = args.HasOption(L"--class");
    q.className = args.Option(L"--class");
    q.hasText = args.HasOption(L"--text");
    q.text = args.Option(L"--text");
    if (!q.hasClass && !q.hasText) return kUsage;
    bool ok = WaitUntil(args.Timeout(0), [&] {
      q.found = nullptr;
      EnumChildWindows(hwnd, FindDescendant, reinterpret_cast<LPARAM>(&q));
      return q.found != nullptr;
    });
    if (!ok) return kFailed;
    PrintLine(HandleText(q.found));
    return kOk;
  }
  if (command == L"rect" && pos.size() == 1) {
    RECT r{};
    if (!GetWindowRect(hwnd, &r)) return kFailed;
    PrintLine(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
              std::to_string(r.bottom));
    return kOk;
  }
  if (command == L"move" && pos.size() == 5) {
    unsigned long long x = 0, y = 0, width = 0, height = 0;
    if (!ParseNumber(pos[1], x) || !ParseNumber(pos[2], y) || !ParseNumber(pos[3], width) ||
        !ParseNumber(pos[4], height))
      return kUsage;
    return SetWindowPos(hwnd, nullptr, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                        static_cast<int>(height), SWP_NOZORDER | SWP_NOACTIVATE)
               ? kOk
               : kFailed;
  }
  if (command == L"is-visible" && pos.size() == 1) {
    bool visible = IsWindowVisible(hwnd) != FALSE;
    PrintLine(visible ? "1" : "0");
    return visible ? kOk : kFailed;
  }
  if (command == L"shell-restarted" && pos.size() == 2) {
    unsigned long long id = 0;
    if (!ParseNumber(pos[1], id)) return kUsage;
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = hwnd;
    icon.uID = static_cast<UINT>(id);
    if (!Shell_NotifyIconW(NIM_DELETE, &icon)) {
      std::fprintf(stderr, "kdriver: no such tray icon\n");
      return kFailed;
    }
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG,
                               static_cast<UINT>(args.Timeout(5) * 1000), &result)
               ? kOk
               : kFailed;
  }
  if (command == L"window-text" && pos.size() == 1) {
    PrintLine(WindowText(hwnd));
    return kOk;
  }
  if (command == L"set-window-text" && pos.size() == 2) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pos[1].c_str()), SMTO_ABORTIFHUNG,
                               static_cast<UINT>(args.Timeout(5) * 1000), &result) && result
               ? kOk
               : kFailed;
  }
  if (command == L"is-topmost" && pos.size() == 1) {
    const bool topmost = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    PrintLine(topmost ? "1" : "0");
    return topmost ? kOk : kFailed;
  }
  if ((command == L"control" || command == L"dlg-item") && pos.size() == 2) {
    unsigned long long id = 0;
    if (!ParseNumber(pos[1], id)) return kUsage;
    HWND item = GetDlgItem(hwnd, static_cast<int>(id));
    if (!item) return kFailed;
    PrintLine(HandleText(item));
    return kOk;
  }
  if (command == L"is-enabled" && pos.size() == 1) {
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    PrintLine(enabled ? "1" : "0");
    return enabled ? kOk : kFailed;
  }
  if ((command == L"pid" || command == L"kill") && pos.size() == 1) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (!pid) return kFailed;
    if (command == L"pid") {
      PrintLine(std::to_string(pid));
      return kOk;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return kFailed;
    const bool ended = TerminateProcess(process, 9) &&
                       WaitForSingleObject(process, static_cast<DWORD>(args.Timeout(10) * 1000)) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended ? kOk : kFailed;
  }
  if (command == L"foreground" && pos.size() == 1) return BringToFront(hwnd, args.Timeout(5)) ? kOk : kFailed;
  if (command == L"list-rows" && pos.size() == 1) {
    unsigned long long column = 0;
    if (args.HasOption(L"--column") && !ParseNumber(args.Option(L"--column"), column)) return kUsage;
    RemoteList list(hwnd);
    if (!list.ok()) return kFailed;
    long long count = list.Count();
    if (count < 0) return kFailed;
    std::string out;
    for (long long row = 0; row < count; ++row) {
      std::wstring text;
      if (!list.Text(static_cast<int>(row), static_cast<int>(column), text)) {
        std::fprintf(stderr, "kdriver: could not read row %lld\n", row);
        return kFailed;
      }
      out += Utf8(Escape(text)) + "\n";
    }
    Print(out);
    return kOk;
  }
  if (command == L"wait-rows" && pos.size() == 2) {
    unsigned long long wanted = 0;
    if (!ParseNumber(pos[1], wanted)) return kUsage;
    bool atLeast = args.Has(L"--at-least");
    RemoteList list(hwnd);
    long long count = -1;
    bool ok = WaitUntil(args.Timeout(), [&] {
      count = list.Count();
      return count >= 0 && (atLeast ? count >= static_cast<long long>(wanted) : count == static_cast<long long>(wanted));
    });
    PrintLine(std::to_string(count));
    return ok ? kOk : kFailed;
  }
  if (command == L"tree-items" && pos.size() == 1) {
    RemoteTree tree(hwnd);
    if (!tree.ok()) return kFailed;
    std::string out;
    // Depth first, with a stack of the items whose next siblings are still to come.
    std::vector<HTREEITEM> path;
    HTREEITEM item = tree.Next(nullptr, TVGN_ROOT);
    while (item) {
      std::wstring text;
      if (!tree.Text(item, text)) return kFailed;
      out += Utf8(std::to_wstring(reinterpret_cast<UINT_PTR>(item)) + L"\t" + std::to_wstring(path.size()) + L"\t" +
                  Escape(text)) +
             "\n";
      HTREEITEM child = args.Has(L"--top") ? nullptr : tree.Next(item, TVGN_CHILD);
      if (child) {
        path.push_back(item);
        item = child;
        continue;
      }
      HTREEITEM next = tree.Next(item, TVGN_NEXT);
      while (!next && !path.empty()) {
        next = tree.Next(path.back(), TVGN_NEXT);
        path.pop_back();
      }
      item = next;
    }
    Print(out);
    return kOk;
  }
  if (command == L"answer-times" && pos.size() == 3) {
    HWND tree = nullptr;
    unsigned long long wanted = 0;
    if (!ParseHandle(pos[1], tree) || !ParseNumber(pos[2], wanted)) return kUsage;
    const double start = NowMs(), limit = args.Timeout(60) * 1000;
    double longest = 0;
    long long answers = 0;
    bool reached = false;
    while (NowMs() - start < limit) {
      const double before = NowMs();
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result)) return kFailed;
      longest = std::max(longest, NowMs() - before);
      ++answers;
      DWORD_PTR count = 0;
      if (!SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 15000, &count)) return kFailed;
      if (count >= wanted) {
        reached = true;
        break;
      }
      Sleep(1);
    }
    PrintLine(std::to_string(static_cast<long long>(longest)) + " " + std::to_string(answers) + " " +
              std::to_string((NowMs() - start) / 1000));
    return reached ? kOk : kFailed;
  }
  if (command == L"combo-items" && pos.size() == 1) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(hwnd, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count) ||
        static_cast<LRESULT>(count) == CB_ERR)
      return kFailed;
    std::string out;
    for (DWORD_PTR i = 0; i < count; ++i) {
      wchar_t buffer[1024] = {};
      DWORD_PTR length = 0;
      // CB_GETLBTEXT is marshalled across processes like WM_GETTEXT.
      if (!SendMessageTimeoutW(hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                               &length) ||
          static_cast<LRESULT>(length) == CB_ERR)
        return kFailed;
      out += Utf8(Escape(buffer)) + "\n";
    }
    Print(out);
    return kOk;
  }
  if (command == L"edit-text" && pos.size() == 1) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return kFailed;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             2000, &got))
      return kFailed;
    text.resize(got);
    PrintLine(Escape(text));
    return kOk;
  }
  // A row's check box in a list with check boxes: "check-state hwnd row"
  // prints 1 or 0; "set-check hwnd row 1|0" ticks or clears it.
  if (command == L"check-state" && pos.size() == 2) {
    unsigned long long row = 0;
    if (!ParseNumber(pos[1], row)) return kUsage;
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK, SMTO_ABORTIFHUNG,
                             2000, &state))
      return kFailed;
    PrintLine(((state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? "1" : "0");
    return kOk;
  }
  if (command == L"set-check" && pos.size() == 3) {
    unsigned long long row = 0, on = 0;
    if (!ParseNumber(pos[1], row) || !ParseNumber(pos[2], on)) return kUsage;
    RemoteList list(hwnd);
    if (!list.ok() || !list.SetCheck(static_cast<int>(row), on != 0)) return kFailed;
    return kOk;
  }
  if ((command == L"item-rect" || command == L"button-rect") && pos.size() == 2) {
    unsigned long long row = 0;
    if (!ParseNumber(pos[1], row)) return kUsage;
    RemoteList list(hwnd);
    RECT r{};
    const bool found = command == L"item-rect" ? list.ItemRect(static_cast<int>(row), r)
                                               : list.ButtonRect(static_cast<int>(row), r);
    if (!list.ok() || !found) return kFailed;
    PrintLine(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
              std::to_string(r.bottom));
    return kOk;
  }
  return kUsage;
}

int CommandClipboard(const std::wstring& command, const Args& args) {
  const auto& pos = args.positional;
  if (command == L"set-text") {
    std::wstring text;
    if (args.HasOption(L"--from")) {
      std::string bytes;
      if (!ReadFileBytes(args.Option(L"--from"), bytes)) return kFailed;
      text = FromUtf8(bytes);
    } else if (pos.size() == 1) {
      text = pos[0];
    } else {
      return kUsage;
    }
    return SetClipboard({{CF_UNICODETEXT, WideBytes(text)}});
  }
  if (command == L"set-formats") {
    if (pos.empty()) return kUsage;
    std::vector<FormatData> formats;
    for (const auto& pair : pos) {
      size_t eq = pair.find(L'=');
      if (eq == std::wstring::npos || eq == 0) return kUsage;
      std::wstring name = pair.substr(0, eq), value = pair.substr(eq + 1);
      FormatData f{FormatId(name), {}};
      if (f.id == 0 || IsHandleFormat(f.id)) {
        std::fprintf(stderr, "kdriver: %s is not a global-memory format\n", Utf8(name).c_str());
        return kUsage;
      }
      bool ok = !value.empty() && value[0] == L'@' ? ReadFileBytes(value.substr(1), f.bytes) : ParseHex(value, f.bytes);
      if (!ok) return kUsage;
      formats.push_back(std::move(f));
    }
    return SetClipboard(formats);
  }
  if (command == L"set-files") {
    if (pos.empty()) return kUsage;
    std::wstring names;
    for (const auto& path : pos) names += path + L'\0';
    names += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    return SetClipboard({{CF_HDROP, bytes}});
  }
  if (command == L"clear") return SetClipboard({});
  if (command == L"sequence") {
    PrintLine(std::to_string(GetClipboardSequenceNumber()));
    return kOk;
  }
  if (command == L"owner") {
    PrintLine(HandleText(GetClipboardOwner()));
    return kOk;
  }

  HWND owner = MakeWindow(L"KDriverClipboardReader", PlainWindowProc, L"kdriver clipboard reader");
  if (command == L"get-text" && pos.empty()) {
    std::wstring text;
    if (!ClipboardText(owner, text)) return kFailed;
    Print(Utf8(text));
    return kOk;
  }
  if (command == L"formats" && pos.empty()) {
    if (!OpenClipboardWithin(owner)) return kFailed;
    std::string out;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
      out += std::to_string(f) + "\t" + Utf8(FormatName(f)) + "\n";
    CloseClipboard();
    Print(out);
    return kOk;
  }
  if (command == L"get-format" && pos.size() == 1) {
    UINT id = FormatId(pos[0]);
    if (id == 0 || IsHandleFormat(id)) return kUsage;
    if (!OpenClipboardWithin(owner)) return kFailed;
    std::string bytes;
    bool ok = ClipboardBytes(id, bytes);
    CloseClipboard();
    if (!ok) return kFailed;
    std::string hex;
    for (unsigned char c : bytes) {
      static const char digits[] = "0123456789abcdef";
      hex += digits[c >> 4];
      hex += digits[c & 15];
    }
    PrintLine(hex);
    return kOk;
  }
  return kUsage;
}

}  // namespace

// A command line as another program would start it, quotes and all.
int RunLine(const std::wstring& commandLine, double timeout) {
  std::wstring line = commandLine;
  // The child and whatever it starts in turn get NUL for their standard
  // handles: under Wine they would otherwise hold our output pipe open for as
  // long as they live, and the caller reading it would never see its end.
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    std::fprintf(stderr, "kdriver: CreateProcess failed with %lu\n", GetLastError());
    return kFailed;
  }
  CloseHandle(process.hThread);
  int result = kOk;
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout * 1000)) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 255);
    PrintLine("timeout");
    result = kFailed;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    PrintLine(std::to_string(code));
  }
  CloseHandle(process.hProcess);
  return result;
}

// The DACL of a registry key as SDDL, set first when sddl is given.
int KeySddl(const std::wstring& path, const wchar_t* sddl) {
  const std::pair<const wchar_t*, HKEY> roots[] = {
      {L"HKLM\\", HKEY_LOCAL_MACHINE}, {L"HKCR\\", HKEY_CLASSES_ROOT}, {L"HKCU\\", HKEY_CURRENT_USER}};
  HKEY root = nullptr;
  std::wstring sub;
  for (const auto& [prefix, key] : roots)
    if (path.rfind(prefix, 0) == 0) root = key, sub = path.substr(std::wcslen(prefix));
  if (!root) return kUsage;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, sub.c_str(), 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) {
    std::fprintf(stderr, "kdriver: the key cannot be opened\n");
    return kFailed;
  }
  int status = kOk;
  if (sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr) ||
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) != ERROR_SUCCESS)
      status = kFailed;
    if (sd) LocalFree(sd);
  }
  DWORD size = 0;
  RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  wchar_t* text = nullptr;
  if (status == kOk &&
      (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size) != ERROR_SUCCESS ||
       !ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)))
    status = kFailed;
  if (text) {
    PrintLine(std::wstring(text));
    LocalFree(text);
  }
  RegCloseKey(key);
  return status;
}

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return kUsage;
  std::wstring command = argv[1];
  Args args = ParseArgs(argc, argv);

  if (command == L"timestamp-ms") {
    PrintLine(Utf8(MsText(NowMs())));
    return kOk;
  }
  if (command == L"pattern" && argc == 6) {
    // A top-level window painting the four-quadrant pattern at a known
    // place, until the driver is ended; prints its handle once painted.
    kelvarion::test::PatternWindow pattern(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), false);
    if (!pattern.Hwnd()) return kFailed;
    PrintLine(std::to_string(reinterpret_cast<UINT_PTR>(pattern.Hwnd())));
    fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return kOk;
  }
  if (command == L"send-keys") {
    // Options of send-keys are part of its key list, so take the raw words.
    std::vector<std::wstring> words(argv + 2, argv + argc);
    std::vector<INPUT> inputs;
    if (!ParseKeys(words, inputs)) return kUsage;
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    PrintLine(std::to_string(sent));
    return sent == inputs.size() ? kOk : kFailed;
  }
  if (command == L"hold") {
    auto holdProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_DESTROY) PostQuitMessage(0);
      return DefWindowProcW(h, m, w, l);
    };
    HWND hwnd = MakeWindow(L"KDriverHold", holdProc, L"kdriver hold");
    if (!hwnd) return kFailed;
    SetTimer(hwnd, 1, static_cast<UINT>(args.Timeout(3600) * 1000), nullptr);
    PrintLine(HandleText(hwnd));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER) break;
      DispatchMessageW(&msg);
    }
    return kOk;
  }
  if (command == L"watch-processes") {
    if (args.positional.size() != 1) return kUsage;
    return WatchProcesses(args.positional[0], args.Timeout(30), args.Option(L"--until"));
  }
  if (command == L"wait-exit" && args.positional.size() == 1) {
    unsigned long long pid = 0;
    if (!ParseNumber(args.positional[0], pid)) return kUsage;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return kOk;
    const bool ended = WaitForSingleObject(process, static_cast<DWORD>(args.Timeout() * 1000)) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended ? kOk : kFailed;
  }
  if (command == L"run-line") {
    if (args.positional.size() != 1) return kUsage;
    return RunLine(args.positional[0], args.Timeout(30));
  }
  if (command == L"key-sddl") {
    if (args.positional.empty() || args.positional.size() > 2) return kUsage;
    return KeySddl(args.positional[0], args.positional.size() == 2 ? args.positional[1].c_str() : nullptr);
  }
  if (command == L"viewer") {
    if (!args.HasOption(L"--out")) return kUsage;
    return RunViewer(args.Option(L"--out"), args.Timeout(60), !args.Has(L"--no-read"));
  }
  static const wchar_t* const clipboardCommands[] = {L"set-text", L"set-formats", L"set-files", L"get-text",
                                                     L"get-format", L"formats",   L"clear",     L"sequence",
                                                     L"owner"};
  for (auto* c : clipboardCommands)
    if (command == c) return CommandClipboard(command, args);
  return CommandWindows(command, args);
}
