// What the settings dialog shows and what its OK writes, apart from the
// controls: the dialog fills a SettingsForm from the settings and the
// registry, lets the user edit it, and hands it back to ApplySettingsForm.
#pragma once

#include <string>

#include "settings/registry_path.h"
#include "settings/settings.h"

namespace kelvarion {

// Bits of HotKeyFlags.
inline constexpr int kHotKeyAlt = 1;
inline constexpr int kHotKeyCtrl = 2;
inline constexpr int kHotKeyShift = 4;
inline constexpr int kHotKeyWin = 8;

inline constexpr char kNoHotKeyModifierMessage[] = "请至少选择一个虚拟键作为热键.";

struct SettingsForm {
  // Number boxes hold what the user typed; OK reads them as numbers.
  std::string autoLoadDays;
  bool backup = false;
  bool backupMove = false;
  std::string mdbFile;
  std::string tempDir;
  bool autoHide = false;
  bool alwaysOnTop = false;
  bool startWithWindows = false;
  bool myComputerMenu = false;
  bool alt = false, ctrl = false, shift = false, win = false;
  std::string hotKeyText;  // "F1" .. "F12" as the drop-down list shows it
  std::string pasteMenuCount;
  bool editListMenu = false;
  bool runListMenu = false;
  bool openDirListMenu = false;
  std::string textEditor;
  std::string imageEditor;
};

// What a number box shows once a change is cleaned: the text read as a
// number (leading blanks, a sign, the digits up to the first other
// character), a negative number as 0. Letters and signs go as they are typed.
std::string CleanNumberText(const std::string& text);

// "F1" .. "F12" for the keys 112 .. 123; any other key shows as "F1".
std::string HotKeyText(int key);
// The key of a list text: 111 + the number after its first character, or 112
// when that is no F1 .. F12.
int HotKeyFromText(const std::string& text);
int HotKeyFlags(const SettingsForm& form);

SettingsForm LoadSettingsForm(CTessarynApp& app, RegistryStore& registry);

// Writes every setting of the form, then the two registry entries. Nothing
// at all is written, and kNoHotKeyModifier is returned, when no modifier of
// the hot key is checked; otherwise 0 (registry failures are not reported).
inline constexpr int kNoHotKeyModifier = -1;
int ApplySettingsForm(const SettingsForm& form, CTessarynApp& app, RegistryStore& registry);

}  // namespace kelvarion
