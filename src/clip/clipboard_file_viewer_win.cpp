#include "clip/clipboard_file_viewer_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "base/dbcs.h"
#include "base/ini.h"
#include "base/strings.h"
#include "clip/clipboard_file.h"
#include "clip/format_list.h"
#include "clip/restore.h"
#include "res/resource_ids.h"
#include "settings/about_box_win.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr char kUnknownFileType[] = "不能解析的文件类型";
constexpr char kReadFailed[] = "读取文件信息失败";
constexpr char kNothingTicked[] = "请至少选择一种格式用于复制";
constexpr char kCopyFailed[] = "未能把所选的格式放到粘贴板上";

bool EndsWithCbf(const std::string& path) {
  return path.size() >= 4 && ToLower(path.substr(path.size() - 4)) == ".cbf";
}

// The memo as the marker's last line: every line break a blank, runs of
// blanks one.
std::string FoldMemo(const std::string& text) {
  std::string folded;
  for (char c : text) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c == ' ' && !folded.empty() && folded.back() == ' ') continue;
    folded += c;
  }
  return folded;
}

void AddColumn(HWND list, int index, const wchar_t* title, int width, int format) {
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

}  // namespace

BOOL CClipFileViewDlg::OnInitDialog() {
  bigIcon_.reset(static_cast<HICON>(
      LoadImageW(context_.instance, MAKEINTRESOURCEW(IDI_FORMAT_SET), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                 GetSystemMetrics(SM_CYICON), 0)));
  SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  HWND list = GetItem(IDC_VIEW_FORMATS);
  AddColumn(list, 0, Widen("格式").c_str(), 320, LVCFMT_LEFT);
  AddColumn(list, 1, Widen("大小(字节)").c_str(), 80, LVCFMT_RIGHT);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
               LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  SetWindowTextW(Hwnd(), Widen(context_.app.GetMainWindowTitle() + " - 粘贴板文件").c_str());
  if (context_.files.Exists(path_)) LoadClipFile(path_);
  // The formats have the focus, not the memo (which would open all selected).
  SetFocus(list);
  return FALSE;
}

void CClipFileViewDlg::ShowPathMessage(const std::string& path, const char* caption) {
  MessageBoxW(Hwnd(), Widen(path).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONWARNING);
}

void CClipFileViewDlg::LoadClipFile(const std::string& path) {
  FileSystem& files = context_.files;
  if (!files.Exists(path)) return;
  if (!EndsWithCbf(path)) {
    ShowPathMessage(path, kUnknownFileType);
    return;
  }
  std::string memo;
  CTextList names;
  CNumberList sizes;
  if (ReadClipboardFileInfo(files, path, memo, &names, &sizes) < 0) {
    ShowPathMessage(path, kReadFailed);
    return;
  }
  SetDlgItemTextW(Hwnd(), IDC_VIEW_MEMO, Widen(memo).c_str());

  HWND list = GetItem(IDC_VIEW_FORMATS);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  // Ticked: what the history list's restore would put back.
  const std::string mask = BuildNoCopyMask(files, context_.app.GetProgramIniPath(), names);
  for (int i = 0; i < names.GetSize(); ++i) {
    std::wstring name = Widen(names.Get(i));
    std::wstring size = Widen(UIntToString(sizes.Get(i)));
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = name.data();
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) continue;
    item.iSubItem = 1;
    item.pszText = size.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    const bool ticked = static_cast<std::size_t>(i) < mask.size() && mask[i] == '0';
    ListView_SetCheckState(list, row, ticked ? TRUE : FALSE);
  }

  // The icon of the format set, as the format list file gives it; the
  // program's own format-set icon when it gives none that can be shown.
  std::string iconFile;
  int iconIndex = 0;
  const std::string formatList = MakeFormatList(names);
  if (!formatList.empty()) {
    const std::string value = ReadIniStringRaw(files, context_.app.GetLocalDirectory() + "FormatList.ini", "ICON",
                                               formatList);
    const std::size_t comma = value.find(',', 1);
    if (comma != std::string::npos && comma > 0) {
      iconFile = value.substr(0, comma);
      iconIndex = StrToInt(value.substr(comma + 1));
    }
  }
  HICON icon = nullptr;
  // Icon files from the table are opened only as local files, never as a
  // network path.
  if (!iconFile.empty() && iconIndex >= 0 && IsLocalIconFile(files, iconFile)) {
    icon = ExtractIconW(context_.instance, Widen(iconFile).c_str(), static_cast<UINT>(iconIndex));
    if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;  // not a file of icons
  }
  if (icon) {
    iconFile_ = iconFile;
    iconIndex_ = iconIndex;
  } else {
    iconFile_ = context_.app.GetExePath();
    iconIndex_ = kDefaultIconIndex;
    icon = ExtractIconW(context_.instance, Widen(iconFile_).c_str(), kDefaultIconIndex);
    if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;
  }
  SendDlgItemMessageW(Hwnd(), IDC_VIEW_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  shownIcon_.reset(icon);
  path_ = path;
}

void CClipFileViewDlg::OnCopyToClipboard() {
  HWND list = GetItem(IDC_VIEW_FORMATS);
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::string mask;
  int ticked = 0;
  for (int row = 0; row < rows; ++row) {
    const bool on = ListView_GetCheckState(list, row) != 0;
    mask += on ? '0' : '1';
    ticked += on ? 1 : 0;
  }
  if (ticked == 0) {
    MessageBoxW(Hwnd(), Widen(kNothingTicked).c_str(), Widen(GetWindowTextCp936(Hwnd())).c_str(),
                MB_OK | MB_ICONINFORMATION);
    return;
  }
  // The marker goes along only while the history list runs: it is the one
  // that reads it back.
  std::optional<std::string> marker;
  if (FindWindowW(nullptr, Widen(context_.app.GetMainWindowTitle()).c_str()))
    marker = BuildMarkerText(iconFile_, iconIndex_, FoldMemo(GetWindowTextCp936(GetItem(IDC_VIEW_MEMO))));
  const int placed = RestoreClipboardFile(context_.clipboard, context_.files, path_,
                                          reinterpret_cast<ClipboardPort::Window>(Hwnd()), mask, marker);
  // Told when nothing of what was ticked reached the clipboard, or when a
  // record could not be had.
  const int formats = placed - (marker ? 1 : 0);
  if (placed < 0 || formats <= 0) ShowPathMessage(path_, kCopyFailed);
}

void CClipFileViewDlg::OnOpen() {
  std::vector<wchar_t> file(32768, L'\0');
  // "Kelvarion Files(*.cbf)|*.cbf||" in the dialog's own notation.
  static const wchar_t kFilter[] = L"Kelvarion Files(*.cbf)\0*.cbf\0\0";
  OPENFILENAMEW open = {};
  open.lStructSize = sizeof(open);
  open.hwndOwner = Hwnd();
  open.lpstrFilter = kFilter;
  open.lpstrFile = file.data();
  open.nMaxFile = static_cast<DWORD>(file.size());
  open.lpstrDefExt = L"cbf";
  open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  if (!GetOpenFileNameW(&open)) return;
  const std::string path = Narrow(file.data());
  if (EndsWithCbf(path)) LoadClipFile(path);
  else ShowPathMessage(path, kUnknownFileType);
}

INT_PTR CClipFileViewDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDC_VIEW_COPY: OnCopyToClipboard(); return TRUE;
      case IDC_VIEW_OPEN: OnOpen(); return TRUE;
      case IDC_VIEW_ABOUT: ShowAboutBox(Hwnd(), context_.app); return TRUE;
    }
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

int RunClipFileViewer(ShellContext& context, const std::string& path) {
  CClipFileViewDlg dialog(context, path);
  dialog.DoModal();
  return 0;
}

}  // namespace kelvarion
