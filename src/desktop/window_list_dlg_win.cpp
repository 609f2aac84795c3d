#include "desktop/window_list_dlg_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "desktop/desktop_windows_win.h"
#include "desktop/window_collector_win.h"
#include "desktop/window_info_win.h"
#include "res/resource_ids.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr int kTitleCharacters = 1023;
constexpr std::size_t kWindowCapacity = 65536;

struct Column {
  const char* title;
  int width;
};
const Column kColumns[] = {{"标题", 320}, {"窗口", 60}, {"进程", 320}};

void SetCell(HWND list, int row, int column, const std::wstring& text) {
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t buffer[64] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

}  // namespace

INT_PTR CWindowListDlg::DoModal(HWND parent, HINSTANCE resources) {
  resources_ = resources;
  return Dialog::DoModal(parent, IDD_WINDOW_LIST, resources);
}

BOOL CWindowListDlg::OnInitDialog() {
  SendMessageW(Hwnd(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(resources_, MAKEINTRESOURCEW(IDI_KELVARION))));
  list_ = GetItem(IDC_WINDOW_LIST);
  images_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 8, 2);
  // The list owns the image list from here and frees it with itself.
  ListView_SetImageList(list_, images_, LVSIL_SMALL);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    const std::wstring title = Widen(kColumns[i].title);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumns[i].width;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    column.iSubItem = i;
    SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  ListView_SetExtendedListViewStyleEx(list_, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);

  // The hidden windows first, in their order; those closed meanwhile drop out.
  int position = 0;
  for (HWND window : hidden_) {
    if (IsWindow(window)) AddRow(window, position, false);
    ++position;
  }
  const std::vector<HWND> shell = FindShellWindows();
  CWindowCollector windows(kWindowCapacity);
  windows.Collect();
  HWND window = nullptr;
  while (windows.Next(window)) {
    if (window == Hwnd() || window == excluded_ || !IsWindowVisible(window)) continue;
    if (std::find(shell.begin(), shell.end(), window) != shell.end()) continue;
    // Each at the top, so the visible windows come above the hidden ones.
    AddRow(window, 0, true);
  }
  RECT client;
  GetClientRect(Hwnd(), &client);
  MoveWindow(list_, 0, 0, client.right, client.bottom, TRUE);
  return TRUE;
}

void CWindowListDlg::AddRow(HWND window, int position, bool ticked) {
  std::string programPath, unused;
  GetWindowProcessInfo(programPath, unused, window);
  wchar_t title[kTitleCharacters + 1] = {};
  GetWindowTextW(window, title, kTitleCharacters + 1);

  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = position;
  item.pszText = title;
  item.iImage = RowIcon(window, programPath);
  const int row = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  SetCell(list_, row, 1, std::to_wstring(reinterpret_cast<std::uintptr_t>(window)));
  SetCell(list_, row, 2, Widen(programPath));
  ListView_SetCheckState(list_, row, ticked ? TRUE : FALSE);
}

int CWindowListDlg::RowIcon(HWND window, const std::string& programPath) {
  // The class's small icon, its big one, the program file's first icon, and
  // our own as the last resort.
  HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
  HICON extracted = nullptr;
  if (!icon && !programPath.empty()) {
    extracted = ExtractIconW(resources_, Widen(programPath).c_str(), 0);
    // 1 says the file is no program or icon file.
    if (extracted == reinterpret_cast<HICON>(1)) extracted = nullptr;
    icon = extracted;
  }
  if (!icon) icon = LoadIconW(resources_, MAKEINTRESOURCEW(IDI_JPEG));
  // The image list keeps a copy.
  const int index = ImageList_AddIcon(images_, icon);
  if (extracted) DestroyIcon(extracted);
  return index;
}

void CWindowListDlg::OnOK() {
  shown_.clear();
  hidden_.clear();
  const int rows = ListView_GetItemCount(list_);
  for (int row = 0; row < rows; ++row) {
    const std::wstring text = CellText(list_, row, 1);
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(text.c_str(), nullptr, 10)));
    if (!window) continue;
    (ListView_GetCheckState(list_, row) ? shown_ : hidden_).push_back(window);
  }
  EndDialog(IDOK);
}

void RunWindowDisplayList(CDesktopLists& lists, DesktopWindowPort& port, HWND frame, HINSTANCE resources,
                          CWindowListDlg*& running) {
  const int openedState = lists.State();
  std::vector<HWND> hidden;
  for (WindowId window : lists.HiddenList()) hidden.push_back(ToHwnd(window));
  CWindowListDlg dialog(frame, std::move(hidden));
  running = &dialog;
  const INT_PTR result = dialog.DoModal(frame, resources);
  running = nullptr;
  if (result != IDOK) return;
  std::vector<WindowId> shown, unticked;
  for (HWND window : dialog.Shown()) shown.push_back(ToWindowId(window));
  for (HWND window : dialog.Hidden()) unticked.push_back(ToWindowId(window));
  lists.ApplyWindowList(port, openedState, shown, unticked);
}

INT_PTR CWindowListDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SIZE && list_) {
    MoveWindow(list_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return TRUE;
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

}  // namespace kelvarion
