// list_fixture.exe: a stand-in for Kelvarion's main window, to test the
// driver's list reading on. One top-level window titled "kdriver list fixture"
// with two report list views side by side: "normal" holds its rows itself,
// "virtual" (LVS_OWNERDATA) serves them from memory on request.
//   list_fixture [--rows FILE]
// FILE is UTF-8, one row a line, columns separated by tabs; without it a few
// Chinese rows are shown. Rows appended to both lists on what a driver sends:
//   WM_APP                      "新行 N"
//   hot key Ctrl+F12            "热键 N"
//   WM_USER+1 (a tray callback) "托盘 WPARAM LPARAM", both in hexadecimal
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 3;
constexpr int kNormalId = 101, kVirtualId = 102;

std::vector<std::vector<std::wstring>> rows = {
    {L"粘贴板", L"20240101120000001.spt", L"0"},
    {L"中文 第二行", L"20240101120000002.spt", L"0"},
    {L"", L"20240101120000003.spt", L"0"},
    {L"說乗\\[]| mixed 文字", L"20240101120000004.cbf", L"5"},
};
HWND normalList = nullptr, virtualList = nullptr;
int added = 0, hotKeys = 0;

std::vector<std::wstring> SplitColumns(const std::wstring& line) {
  std::vector<std::wstring> cells;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find(L'\t', start);
    cells.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
    if (tab == std::wstring::npos) break;
    start = tab + 1;
  }
  cells.resize(kColumns);
  return cells;
}

bool LoadRows(const wchar_t* path) {
  FILE* f = _wfopen(path, L"rb");
  if (!f) return false;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  int wn = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(wn, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), wn);
  rows.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    rows.push_back(SplitColumns(text.substr(start, end - start)));
    start = end + 1;
  }
  return true;
}

void AddNormalRow(int index) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = rows[index][0].data();
  ListView_InsertItem(normalList, &item);
  for (int c = 1; c < kColumns; ++c) ListView_SetItemText(normalList, index, c, rows[index][c].data());
}

void AppendRow(const std::wstring& text) {
  rows.push_back({text, L"", L"0"});
  AddNormalRow(static_cast<int>(rows.size() - 1));
  ListView_SetItemCountEx(virtualList, rows.size(), LVSICF_NOSCROLL);
}

HWND MakeList(HWND parent, int id, DWORD extraStyle, int x) {
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | extraStyle, x,
                              0, 300, 300, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  static const wchar_t* const headings[kColumns] = {L"粘贴板", L"文件名", L"文件类型"};
  for (int c = 0; c < kColumns; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = c == 0 ? 200 : 0;  // like Kelvarion: only the first column is visible
    column.pszText = const_cast<wchar_t*>(headings[c]);
    ListView_InsertColumn(list, c, &column);
  }
  return list;
}

LRESULT CALLBACK FixtureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      normalList = MakeList(hwnd, kNormalId, 0, 0);
      virtualList = MakeList(hwnd, kVirtualId, LVS_OWNERDATA, 310);
      for (size_t i = 0; i < rows.size(); ++i) AddNormalRow(static_cast<int>(i));
      ListView_SetItemCountEx(virtualList, rows.size(), 0);
      RegisterHotKey(hwnd, 1, MOD_CONTROL, VK_F12);
      return 0;
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
      if (info->hdr.idFrom == kVirtualId && info->hdr.code == LVN_GETDISPINFOW && (info->item.mask & LVIF_TEXT) &&
          info->item.iItem >= 0 && static_cast<size_t>(info->item.iItem) < rows.size() && info->item.iSubItem >= 0 &&
          info->item.iSubItem < kColumns) {
        // Answer with our own text, as virtual lists commonly do.
        info->item.pszText = rows[info->item.iItem][info->item.iSubItem].data();
      }
      return 0;
    }
    case WM_APP:
      AppendRow(L"新行 " + std::to_wstring(++added));
      return 0;
    case WM_HOTKEY:
      AppendRow(L"热键 " + std::to_wstring(++hotKeys));
      return 0;
    case WM_USER + 1: {
      wchar_t text[64];
      std::swprintf(text, std::size(text), L"托盘 0x%llx 0x%llx", static_cast<unsigned long long>(wParam),
                    static_cast<unsigned long long>(lParam));
      AppendRow(text);
      return 0;
    }
    case WM_DESTROY:
      UnregisterHotKey(hwnd, 1);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--rows" && !LoadRows(argv[2])) return 1;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc{};
  wc.lpfnWndProc = FixtureProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KDriverListFixture";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"kdriver list fixture", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              640, 360, nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 1;
  // Never outlive the test that started us by much, even when it died.
  SetTimer(hwnd, 1, 120000, [](HWND w, UINT, UINT_PTR, DWORD) { DestroyWindow(w); });
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
