#include "clip/format_icon_dlg_win.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string_view>
#include <vector>

#include "base/strings.h"
#include "base/text_list.h"
#include "clip/format_list.h"
#include "res/resource_ids.h"
#include "win/file_filter_win.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr wchar_t kCaption[] = L"Choose Icon";
constexpr char kFilter[] = "Icon FiIes | *.ico;*.exe;*.dll|Programs |*.exe|Libraries |*.dll;*.ocx|Icons|*.ico|All Files|*.*||";

bool IsExistingFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// "%1" of a fixed message replaced by the file path.
std::string WithPath(std::string_view message, const std::string& path) {
  std::string text(message);
  std::size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

}  // namespace

CFormatIconDlg::CFormatIconDlg(HWND parent, const CFormatListTable* table)
    : parent_(parent), table_(table), iconFile_(DefaultIconFile()) {}

CFormatIconDlg::~CFormatIconDlg() = default;

std::string CFormatIconDlg::DefaultIconFile() {
  wchar_t directory[MAX_PATH] = {};
  UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "SHELL32.dll";
  return Narrow(std::wstring(directory, length) + L"\\SHELL32.dll");
}

int CFormatIconDlg::CountIcons(const std::string& file) {
  std::wstring path = Widen(file);
  if (!IsExistingFile(path)) return 0;
  // Index -1 asks for the number of icons instead of one of them.
  UINT_PTR count = reinterpret_cast<UINT_PTR>(ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), UINT(-1)));
  return count > 0x7FFFFFFF ? 0 : static_cast<int>(count);
}

bool CFormatIconDlg::SetInitialIcon(const std::string& iconFile, int iconIndex) {
  if (iconIndex < 0 || CountIcons(iconFile) <= iconIndex) return false;
  iconFile_ = iconFile;
  iconIndex_ = iconIndex;
  return true;
}

void CFormatIconDlg::GetSelectedIcon(std::string& iconFile, int& iconIndex) const {
  iconFile = iconFile_;
  iconIndex = iconIndex_;
}

INT_PTR CFormatIconDlg::DoModal(HINSTANCE resources) {
  // The dialog holds a list view; its class must exist before the dialog does.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  return Dialog::DoModal(parent_, IDD_FORMAT_ICON, resources);
}

BOOL CFormatIconDlg::OnInitDialog() {
  HWND icons = GetItem(IDC_ICON_LIST);
  SendMessageW(icons, LB_SETCOLUMNWIDTH, GetSystemMetrics(SM_CXICON) + 6, 0);
  SendMessageW(icons, LB_SETITEMHEIGHT, 0, GetSystemMetrics(SM_CYICON) + 12);
  SetDlgItemTextW(Hwnd(), IDC_ICON_FILE, Widen(iconFile_).c_str());

  // Keep the index through the load, which selects the first icon.
  const int wanted = iconIndex_;
  LoadIcons();
  int count = static_cast<int>(SendMessageW(icons, LB_GETCOUNT, 0, 0));
  if (wanted >= 0 && wanted < count) SendMessageW(icons, LB_SETCURSEL, wanted, 0);

  HWND files = GetItem(IDC_ICON_FILES);
  std::wstring header = Widen("历史图标");
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 450;
  column.pszText = header.data();
  SendMessageW(files, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  CTextList iconFiles;
  if (table_) table_->GetFormatListIconFiles(iconFiles);
  for (int i = 0; i < iconFiles.GetSize(); ++i) {
    std::wstring text = Widen(iconFiles.Get(i));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = text.data();
    SendMessageW(files, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }

  SetDlgItemTextW(Hwnd(), IDC_FORMAT_TEXT, Widen("此文件包含粘贴板数据类型:\r\n\r\n" + formatText_).c_str());
  // The icons are what the user picks from; left to the dialog manager, the
  // focus would land in the read-only format text with all of it selected.
  SetFocus(icons);
  return FALSE;
}

void CFormatIconDlg::LoadIcons() {
  DestroyIcons();
  HWND icons = GetItem(IDC_ICON_LIST);
  std::wstring path = Widen(iconFile_);
  if (!IsExistingFile(path)) {
    ShowMessage(WithPath("Cannot find the file '%1', Please select another file", iconFile_));
    return;
  }
  int count = CountIcons(iconFile_);
  if (count == 0) {
    ShowMessage(WithPath("The file '%1' contains no icons", iconFile_));
    return;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (int i = 0; i < count; ++i) {
    HICON icon = ExtractIconW(instance, path.c_str(), static_cast<UINT>(i));
    // An icon that will not come out still takes its place, so that an
    // entry's position stays the icon's index in the file.
    SendMessageW(icons, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(icon));
  }
  SendMessageW(icons, LB_SETCURSEL, 0, 0);
}

void CFormatIconDlg::DestroyIcons() {
  HWND icons = GetItem(IDC_ICON_LIST);
  if (!icons) return;
  int count = static_cast<int>(SendMessageW(icons, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(icons, LB_GETITEMDATA, i, 0));
    if (icon && icon != reinterpret_cast<HICON>(LB_ERR)) DestroyIcon(icon);
  }
  SendMessageW(icons, LB_RESETCONTENT, 0, 0);
}

void CFormatIconDlg::DrawIconItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == UINT(-1)) return;
  HBRUSH fill = (item.itemState & ODS_SELECTED) ? GetSysColorBrush(COLOR_HIGHLIGHT)
                                                 : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  FillRect(item.hDC, &item.rcItem, fill);
  auto icon = reinterpret_cast<HICON>(item.itemData);
  if (icon) DrawIcon(item.hDC, item.rcItem.left + 2, item.rcItem.top + 4, icon);
}

void CFormatIconDlg::OnBrowse() {
  wchar_t file[MAX_PATH] = {};
  std::wstring filter = MakeFileFilter(kFilter);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = Hwnd();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = kCaption;
  // The program keeps its own working directory whatever folder the user visits.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&ofn)) return;
  iconFile_ = Narrow(file);
  iconIndex_ = 0;
  SetDlgItemTextW(Hwnd(), IDC_ICON_FILE, file);
  LoadIcons();
}

void CFormatIconDlg::OnIconFileClicked(int item) {
  if (item < 0) return;
  wchar_t text[MAX_PATH + 1] = {};
  LVITEMW request{};
  request.iSubItem = 0;
  request.pszText = text;
  request.cchTextMax = MAX_PATH + 1;
  SendMessageW(GetItem(IDC_ICON_FILES), LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
  if (text[0] == L'\0') return;
  iconFile_ = Narrow(text);
  iconIndex_ = 0;
  SetDlgItemTextW(Hwnd(), IDC_ICON_FILE, text);
  LoadIcons();
}

void CFormatIconDlg::OnOK() {
  // Enter in the path edit loads the typed file instead of closing.
  HWND pathEdit = GetItem(IDC_ICON_FILE);
  if (GetFocus() == pathEdit) {
    iconFile_ = GetWindowTextCp936(pathEdit);
    iconIndex_ = 0;
    LoadIcons();
    return;
  }
  int selected = static_cast<int>(SendMessageW(GetItem(IDC_ICON_LIST), LB_GETCURSEL, 0, 0));
  if (selected < 0) {
    ShowMessage("Please select an icon");
    return;
  }
  iconIndex_ = selected;
  EndDialog(IDOK);
}

void CFormatIconDlg::ShowMessage(const std::string& text) {
  MessageBoxW(Hwnd(), Widen(text).c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
}

INT_PTR CFormatIconDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DRAWITEM:
      if (wParam == IDC_ICON_LIST) {
        DrawIconItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED) {
        OnBrowse();
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_ICON_LIST && HIWORD(wParam) == LBN_DBLCLK) {
        // A double click on empty space selects nothing; OK then says so.
        OnOK();
        return TRUE;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_ICON_FILES && header->code == NM_CLICK) {
        OnIconFileClicked(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      DestroyIcons();
      break;
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

}  // namespace kelvarion
