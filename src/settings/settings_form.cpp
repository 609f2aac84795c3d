#include "settings/settings_form.h"

#include <algorithm>

#include "base/strings.h"
#include "settings/shell_integration.h"

namespace kelvarion {

std::string CleanNumberText(const std::string& text) { return IntToString(std::max(0, StrToInt(text))); }

std::string HotKeyText(int key) {
  if (key < 112 || key > 123) key = 112;
  return "F" + IntToString(key - 111);
}

int HotKeyFromText(const std::string& text) {
  if (text.empty()) return 112;
  const int key = 111 + StrToInt(std::string_view(text).substr(1));
  return key >= 112 && key <= 123 ? key : 112;
}

int HotKeyFlags(const SettingsForm& form) {
  return (form.alt ? kHotKeyAlt : 0) | (form.ctrl ? kHotKeyCtrl : 0) | (form.shift ? kHotKeyShift : 0) |
         (form.win ? kHotKeyWin : 0);
}

SettingsForm LoadSettingsForm(CTessarynApp& app, RegistryStore& registry) {
  SettingsForm form;
  form.autoLoadDays = IntToString(app.GetAutoLoadDays());
  form.backup = app.IsBackupEnabled();
  form.backupMove = app.IsBackupMove();
  form.autoHide = app.IsAutoHide();
  form.alwaysOnTop = app.IsAlwaysOnTop();
  form.startWithWindows = IsStartWithWindows(registry, app.GetExePath());
  form.myComputerMenu = IsMyComputerMenu(registry, app.GetExePath());
  const int flags = app.GetHotKeyFlags();
  form.alt = (flags & kHotKeyAlt) != 0;
  form.ctrl = (flags & kHotKeyCtrl) != 0;
  form.shift = (flags & kHotKeyShift) != 0;
  form.win = (flags & kHotKeyWin) != 0;
  form.hotKeyText = HotKeyText(app.GetHotKey());
  form.pasteMenuCount = IntToString(app.GetPasteMenuCount());
  form.editListMenu = app.IsEditListMenu();
  form.runListMenu = app.IsRunListMenu();
  form.openDirListMenu = app.IsOpenDirListMenu();
  form.mdbFile = app.GetMdbFile();
  form.textEditor = app.GetTextEditor();
  form.imageEditor = app.GetImageEditor();
  form.tempDir = app.GetHistoryDirectory();
  return form;
}

int ApplySettingsForm(const SettingsForm& form, CTessarynApp& app, RegistryStore& registry) {
  const int flags = HotKeyFlags(form);
  if (flags == 0) return kNoHotKeyModifier;
  app.SetHotKeyFlags(flags);
  app.SetHotKey(HotKeyFromText(form.hotKeyText));
  app.SetPasteMenuCount(StrToInt(form.pasteMenuCount));
  app.SetAutoLoadDays(StrToInt(form.autoLoadDays));
  app.SetBackupEnabled(form.backup);
  app.SetBackupMove(form.backupMove);
  app.SetAutoHide(form.autoHide);
  app.SetAlwaysOnTop(form.alwaysOnTop);
  SetStartWithWindows(registry, app.GetExePath(), form.startWithWindows);
  SetMyComputerMenu(registry, app.GetExePath(), form.myComputerMenu);
  app.SetEditListMenu(form.editListMenu);
  app.SetRunListMenu(form.runListMenu);
  app.SetOpenDirListMenu(form.openDirListMenu);
  app.SetMdbFile(form.mdbFile);
  app.SetTextEditor(form.textEditor);
  app.SetImageEditor(form.imageEditor);
  app.SetHistoryDirectory(form.tempDir);
  return 0;
}

}  // namespace kelvarion
