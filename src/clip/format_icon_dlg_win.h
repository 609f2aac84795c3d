// The icon dialog (resource 106, "图标设定"): the user picks one icon of a
// file for a set of clipboard formats. The icons of the file stand in an
// owner-drawn list box whose item data are the icon handles; the files the
// format-icon table already uses are offered in a list beside it.
#pragma once

#include <windows.h>

#include <string>

#include "win/dialog.h"

namespace kelvarion {

class CFormatListTable;

class CFormatIconDlg : public Dialog {
 public:
  // table may be null: the list of used icon files then stays empty.
  CFormatIconDlg(HWND parent, const CFormatListTable* table);
  ~CFormatIconDlg() override;

  // Takes the icon only when the file holds more than iconIndex icons
  // (true); otherwise the defaults stay (false).
  bool SetInitialIcon(const std::string& iconFile, int iconIndex);
  // Shown read-only under "此文件包含粘贴板数据类型:".
  void SetFormatText(const std::string& formatText) { formatText_ = formatText; }

  // IDOK, IDCANCEL, or -1 when the dialog could not be made. The template
  // comes from resources (null: the executable).
  using Dialog::DoModal;
  INT_PTR DoModal(HINSTANCE resources = nullptr);
  // The icon chosen with OK.
  void GetSelectedIcon(std::string& iconFile, int& iconIndex) const;

  // The system directory + "\SHELL32.dll", the icon file a dialog starts with.
  static std::string DefaultIconFile();
  // How many icons the file holds; 0 for a missing file or one without icons.
  static int CountIcons(const std::string& file);

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  // Empties the icon list and fills it with the icons of iconFile_, the
  // first one selected; tells the user when the file is missing or has none.
  void LoadIcons();
  void DestroyIcons();
  void DrawIconItem(const DRAWITEMSTRUCT& item);
  void OnBrowse();
  void OnIconFileClicked(int item);
  void ShowMessage(const std::string& text);

  HWND parent_;
  const CFormatListTable* table_;
  std::string formatText_;
  std::string iconFile_;
  int iconIndex_ = 0;
};

}  // namespace kelvarion
