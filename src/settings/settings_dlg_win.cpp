#include "settings/settings_dlg_win.h"

#include <commdlg.h>

#include "res/resource_ids.h"
#include "settings/about_box_win.h"
#include "settings/registry_win.h"
#include "win/file_filter_win.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr char kDatabaseFilter[] = "mdb file(*.mdb)|*.mdb||";
constexpr char kProgramFilter[] = "EXE file(*.EXE)|*.EXE||";
constexpr char kTempDirTitle[] = "请选择临时文件夹";

// The file dialog in its save form, as the program uses it for new files and
// for choosing programs alike; empty when the user cancels.
std::string ChooseFile(HWND owner, const std::string& initial, const char* filter, DWORD flags) {
  wchar_t file[32768] = {};
  const std::wstring wideInitial = Widen(initial);
  if (wideInitial.size() < std::size(file)) wideInitial.copy(file, wideInitial.size());
  const std::wstring wideFilter = MakeFileFilter(filter);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = wideFilter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = static_cast<DWORD>(std::size(file));
  // The program keeps its own working directory whatever folder the user visits.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | flags;
  if (!GetSaveFileNameW(&ofn)) return {};
  return Narrow(file);
}

}  // namespace

INT_PTR CSettingsDlg::DoModal(HWND parent) { return Dialog::DoModal(parent, IDD_SETTINGS, resources_); }

INT_PTR CSettingsDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) {
    OnCommand(LOWORD(wParam), HIWORD(wParam));
    return TRUE;
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

BOOL CSettingsDlg::OnInitDialog() {
  HWND keys = GetItem(IDC_SET_HOT_KEY);
  for (int key = 112; key <= 123; ++key)
    SendMessageW(keys, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(HotKeyText(key)).c_str()));
  ShowForm(LoadSettingsForm(app_, registry_));
  initialised_ = true;
  return TRUE;
}

void CSettingsDlg::ShowForm(const SettingsForm& form) {
  SetItemText(IDC_SET_AUTO_LOAD_DAYS, form.autoLoadDays);
  SetChecked(IDC_SET_BACKUP, form.backup);
  SetChecked(IDC_SET_BACKUP_MOVE, form.backupMove);
  SetChecked(IDC_SET_AUTO_HIDE, form.autoHide);
  SetChecked(IDC_SET_ALWAYS_ON_TOP, form.alwaysOnTop);
  SetChecked(IDC_SET_START_WITH_WINDOWS, form.startWithWindows);
  SetChecked(IDC_SET_MY_COMPUTER_MENU, form.myComputerMenu);
  SetChecked(IDC_SET_ALT, form.alt);
  SetChecked(IDC_SET_CTRL, form.ctrl);
  SetChecked(IDC_SET_SHIFT, form.shift);
  SetChecked(IDC_SET_WIN, form.win);
  const std::wstring key = Widen(form.hotKeyText);
  SendDlgItemMessageW(Hwnd(), IDC_SET_HOT_KEY, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(key.c_str()));
  SetItemText(IDC_SET_PASTE_MENU_COUNT, form.pasteMenuCount);
  SetChecked(IDC_SET_EDIT_LIST_MENU, form.editListMenu);
  SetChecked(IDC_SET_RUN_LIST_MENU, form.runListMenu);
  SetChecked(IDC_SET_OPEN_DIR_LIST_MENU, form.openDirListMenu);
  SetItemText(IDC_SET_MDB_FILE, form.mdbFile);
  SetItemText(IDC_SET_TEXT_EDITOR, form.textEditor);
  SetItemText(IDC_SET_IMAGE_EDITOR, form.imageEditor);
  SetItemText(IDC_SET_TEMP_DIR, form.tempDir);
  OnBackupClicked();
}

SettingsForm CSettingsDlg::ReadForm() const {
  SettingsForm form;
  form.autoLoadDays = ItemText(IDC_SET_AUTO_LOAD_DAYS);
  form.backup = IsChecked(IDC_SET_BACKUP);
  form.backupMove = IsChecked(IDC_SET_BACKUP_MOVE);
  form.mdbFile = ItemText(IDC_SET_MDB_FILE);
  form.tempDir = ItemText(IDC_SET_TEMP_DIR);
  form.autoHide = IsChecked(IDC_SET_AUTO_HIDE);
  form.alwaysOnTop = IsChecked(IDC_SET_ALWAYS_ON_TOP);
  form.startWithWindows = IsChecked(IDC_SET_START_WITH_WINDOWS);
  form.myComputerMenu = IsChecked(IDC_SET_MY_COMPUTER_MENU);
  form.alt = IsChecked(IDC_SET_ALT);
  form.ctrl = IsChecked(IDC_SET_CTRL);
  form.shift = IsChecked(IDC_SET_SHIFT);
  form.win = IsChecked(IDC_SET_WIN);
  form.hotKeyText = ItemText(IDC_SET_HOT_KEY);
  form.pasteMenuCount = ItemText(IDC_SET_PASTE_MENU_COUNT);
  form.editListMenu = IsChecked(IDC_SET_EDIT_LIST_MENU);
  form.runListMenu = IsChecked(IDC_SET_RUN_LIST_MENU);
  form.openDirListMenu = IsChecked(IDC_SET_OPEN_DIR_LIST_MENU);
  form.textEditor = ItemText(IDC_SET_TEXT_EDITOR);
  form.imageEditor = ItemText(IDC_SET_IMAGE_EDITOR);
  return form;
}

void CSettingsDlg::OnOK() {
  if (ApplySettingsForm(ReadForm(), app_, registry_) == kNoHotKeyModifier) {
    MessageBoxW(Hwnd(), Widen(kNoHotKeyModifierMessage).c_str(), L"Kelvarion", MB_OK);
    return;
  }
  EndDialog(IDOK);
}

void CSettingsDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_SET_AUTO_LOAD_DAYS:
    case IDC_SET_PASTE_MENU_COUNT:
      if (code == EN_CHANGE) OnNumberChanged(id);
      return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_SET_BACKUP: OnBackupClicked(); break;
    case IDC_SET_TEMP_DIR_BROWSE: OnChooseTempDir(); break;
    case IDC_SET_TEMP_DIR_DEFAULT: SetItemText(IDC_SET_TEMP_DIR, app_.GetHistoryDirectory()); break;
    case IDC_SET_NEW_MDB: OnNewDatabase(); break;
    case IDC_SET_TEXT_EDITOR_BROWSE: OnChooseEditor(IDC_SET_TEXT_EDITOR); break;
    case IDC_SET_IMAGE_EDITOR_BROWSE: OnChooseEditor(IDC_SET_IMAGE_EDITOR); break;
    case IDC_SET_NOTEPAD: SetItemText(IDC_SET_TEXT_EDITOR, "notepad.exe"); break;
    case IDC_SET_MSPAINT: SetItemText(IDC_SET_IMAGE_EDITOR, "mspaint.exe"); break;
    case IDC_SET_ABOUT: ShowAboutBox(Hwnd(), app_); break;
  }
}

void CSettingsDlg::OnNumberChanged(int id) {
  if (!initialised_) return;
  const std::string text = ItemText(id);
  const std::string cleaned = CleanNumberText(text);
  if (cleaned != text) {
    SetItemText(id, cleaned);
    // The caret goes behind the number, where the user was typing.
    SendDlgItemMessageW(Hwnd(), id, EM_SETSEL, cleaned.size(), cleaned.size());
  }
}

void CSettingsDlg::OnBackupClicked() {
  const bool backup = IsChecked(IDC_SET_BACKUP);
  EnableWindow(GetItem(IDC_SET_MDB_FILE), backup);
  EnableWindow(GetItem(IDC_SET_NEW_MDB), backup);
}

void CSettingsDlg::OnChooseTempDir() {
  const std::string folder = ChooseDirectory(Hwnd(), kTempDirTitle);
  if (!folder.empty()) SetItemText(IDC_SET_TEMP_DIR, folder);
}

void CSettingsDlg::OnNewDatabase() {
  // Only the path is chosen here: the database is made when it is first used.
  const std::string file = ChooseFile(Hwnd(), ItemText(IDC_SET_MDB_FILE), kDatabaseFilter, OFN_OVERWRITEPROMPT);
  if (!file.empty()) SetItemText(IDC_SET_MDB_FILE, file);
}

void CSettingsDlg::OnChooseEditor(int editId) {
  const std::string file = ChooseFile(Hwnd(), "", kProgramFilter, OFN_FILEMUSTEXIST);
  if (!file.empty()) SetItemText(editId, file);
}

std::string CSettingsDlg::ItemText(int id) const { return GetWindowTextCp936(GetItem(id)); }

void CSettingsDlg::SetItemText(int id, const std::string& text) {
  SetWindowTextW(GetItem(id), Widen(text).c_str());
}

bool CSettingsDlg::IsChecked(int id) const { return IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED; }

void CSettingsDlg::SetChecked(int id, bool checked) {
  CheckDlgButton(Hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace kelvarion
