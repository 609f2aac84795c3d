// The paste menu as a menu list: the newest history rows, the editor, run and
// folder sub-menus and the built-in commands, and what a chosen position
// means. Built anew for every opening from what the caller gathered.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/menu_list.h"
#include "base/text_list.h"

namespace kelvarion {

inline constexpr char kEmptyHistoryLabel[] = "空的粘贴板";
inline constexpr char kEmptyCommandMenuLabel[] = "空的命令菜单";
inline constexpr char kEmptyFolderMenuLabel[] = "空的文件夹菜单";
inline constexpr int kBuiltinCount = 20;

// The built-in commands, numbered as they stand in their sub-menu (1..20).
enum BuiltinCommand {
  kBuiltinShowFrame = 1,
  kBuiltinListen = 2,
  kBuiltinListenFileNames = 3,
  kBuiltinAutoPaste = 4,
  kBuiltinPasteFileNames = 6,
  kBuiltinPasteAllFormats = 7,
  kBuiltinSearch = 9,
  kBuiltinSwitchDesktop = 11,
  kBuiltinWindowDisplay = 12,
  kBuiltinLockScreen = 14,
  kBuiltinOpenHistoryFolder = 15,
  kBuiltinSettings = 17,
  kBuiltinAbout = 19,
  kBuiltinExit = 20,
};

// The label of built-in entry 1..20; kMenuSeparator for the separators.
const char* BuiltinLabel(int number);

// "[&1] text" ... by the row's place, with the text on one line (a line end
// would turn the entry into a sub-menu), cut to 40 columns on a character
// boundary and every "&" doubled so that it shows as itself. Text and label
// are in the kept form of history texts (base/history_text.h).
std::string RecentEntryLabel(int row, const std::string& text);

struct PasteMenuInput {
  std::vector<std::string> recentTexts;  // first-column texts of rows 0 (newest) .. n - 1
  std::vector<std::string> recentFiles;  // their history file names, by which they are found again
  bool editList = true;
  bool runList = true;
  bool folderList = true;
  std::vector<std::string> commandSections;  // "command.ini" section names, file order
  std::vector<std::string> folderSections;   // "connect.ini" section names
  // The states the built-in commands show.
  bool frameVisible = false;
  bool listening = false;
  bool listenFileNames = false;
  bool autoPaste = false;
  bool clipboardHasFiles = false;
  bool clipboardHasFormats = false;
  bool windowListOpen = false;
  // The shown text of a relabelable label (section "MenuText"); identity when empty.
  std::function<std::string(const std::string&)> relabel;
};

struct PasteMenuChoice {
  enum class Kind { kNone, kRecent, kEdit, kRun, kFolder, kBuiltin, kError };
  Kind kind = Kind::kNone;
  int row = -1;          // kRecent, kEdit: the recent entry (0 newest) as the menu showed it
  std::string fileName;  // kRecent, kEdit: the history file of that entry
  std::string label;   // kRun, kFolder: the section
  int builtin = 0;     // kBuiltin: 1..20
  int position = -1;   // what the menu returned
};

class PasteMenuList {
 public:
  CTextList texts;
  CNumberList checks;
  CNumberList grays;

  int RecentCount() const { return recentCount_; }
  // The position of built-in entry 1..20, -1 for others.
  int BuiltinPosition(int number) const;
  PasteMenuChoice Resolve(int position) const;

 private:
  friend PasteMenuList BuildPasteMenuList(const PasteMenuInput& input);
  struct Range {
    int first = -1, last = -2;
    bool Holds(int p) const { return p >= first && p <= last; }
  };
  int recentCount_ = 0;
  Range edit_, run_, folder_, builtins_;
  std::vector<std::string> runLabels_, folderLabels_;  // by position from first
  std::vector<std::string> recentFiles_;
};

PasteMenuList BuildPasteMenuList(const PasteMenuInput& input);

// Whether the window that was in front before the menu opened gets the focus
// back after the choice was carried out. shownFrame: entry 1 showed the frame.
bool ReturnsToPreviousWindow(const PasteMenuChoice& choice, bool shownFrame);

}  // namespace kelvarion
