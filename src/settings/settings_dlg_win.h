// The settings dialog (resource 103, "Kelvarion 配置"): start-up options, the
// database and history directory, the paste menu's hot key, length and
// sub-menus, the editors, and the two registry entries of the shell
// integration. OK writes everything; the caller drops the settings cache.
#pragma once

#include <windows.h>

#include <string>

#include "settings/registry_path.h"
#include "settings/settings.h"
#include "settings/settings_form.h"
#include "win/dialog.h"

namespace kelvarion {

class CSettingsDlg : public Dialog {
 public:
  CSettingsDlg(CTessarynApp& app, RegistryStore& registry, HINSTANCE resources)
      : app_(app), registry_(registry), resources_(resources) {}

  // IDOK after everything was written, IDCANCEL, or -1 when the dialog could
  // not be made.
  using Dialog::DoModal;
  INT_PTR DoModal(HWND parent);

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void OnCommand(int id, int code);
  // Cleans a number box as it is typed in.
  void OnNumberChanged(int id);
  void OnBackupClicked();
  void OnChooseTempDir();
  void OnNewDatabase();
  void OnChooseEditor(int editId);
  SettingsForm ReadForm() const;
  void ShowForm(const SettingsForm& form);
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& text);
  bool IsChecked(int id) const;
  void SetChecked(int id, bool checked);

  CTessarynApp& app_;
  RegistryStore& registry_;
  HINSTANCE resources_;
  // The change handlers do nothing until the boxes are filled.
  bool initialised_ = false;
};

}  // namespace kelvarion
