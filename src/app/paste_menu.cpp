#include "app/paste_menu.h"

#include <algorithm>

#include "base/dbcs.h"
#include "base/history_text.h"
#include "base/strings.h"
#include "clip/history_file.h"

namespace kelvarion {

namespace {

const char* const kBuiltinLabels[kBuiltinCount] = {
    "显示主窗口(&S)",       "自动监听粘贴板(&B)", "监听粘贴板上的文件名(&N)", "选取粘贴板时自动粘贴(&P)",
    kMenuSeparator,         "粘贴文件名(&F)",     "粘贴全部格式(&V)",         kMenuSeparator,
    "历史记录查找(&H)",     kMenuSeparator,       "切换桌面(&D)",             "窗口显示设置(&W)",
    kMenuSeparator,         "锁定屏幕(&L)",       "打开临时目录(&T)",         kMenuSeparator,
    "更多设置(&C)",         kMenuSeparator,       "关于(&A)",                 "退出(&Q)",
};

constexpr std::size_t kRecentTextBytes = 40;

// One menu entry at the end of the list.
int Append(PasteMenuList& list, const std::string& text, bool checked = false, bool grayed = false) {
  list.checks.Add(checked ? 1 : 0);
  list.grays.Add(grayed ? 1 : 0);
  return list.texts.Add(text);
}

std::string SubMenu(const std::string& label, int count) { return label + "\r\n" + IntToString(count); }

}  // namespace

const char* BuiltinLabel(int number) {
  return number >= 1 && number <= kBuiltinCount ? kBuiltinLabels[number - 1] : "";
}

std::string RecentEntryLabel(int row, const std::string& rowText) {
  // A memo may hold line ends; in a menu list "\r\n" opens a sub-menu, and a
  // lone one breaks the label, so every one becomes a blank.
  std::string text = FoldText(rowText);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  // The cut keeps the text's form; a text kept as UTF-8 keeps its mark in
  // front of the whole label. '&' is never part of a longer character in
  // either form.
  std::string cut = CutHistoryText(text, kRecentTextBytes);
  const bool utf8 = IsUtf8HistoryText(cut);
  std::string shown;
  for (char c : std::string_view(cut).substr(utf8 ? kUtf8Mark.size() : 0)) {
    shown += c;
    if (c == '&') shown += '&';
  }
  const std::string number = IntToString(row + 1);
  std::string prefix;
  if (row <= 8) prefix = "[&" + number + "] ";
  else if (row == 9) prefix = "[&0] ";
  else if (row <= 14) prefix = "[&A" + number + "] ";
  else if (row <= 19) prefix = "[&B" + number + "] ";
  else if (row <= 29) prefix = "[&C" + number + "] ";
  else prefix = "[&D" + number + "] ";
  return (utf8 ? std::string(kUtf8Mark) : std::string()) + prefix + shown;
}

int PasteMenuList::BuiltinPosition(int number) const {
  if (number < 1 || number > kBuiltinCount || builtins_.first < 0) return -1;
  return std::string(kBuiltinLabels[number - 1]) == kMenuSeparator ? -1 : builtins_.first + number - 1;
}

PasteMenuList BuildPasteMenuList(const PasteMenuInput& input) {
  PasteMenuList list;
  auto shown = [&](const std::string& label) { return input.relabel ? input.relabel(label) : label; };
  const int n = static_cast<int>(input.recentTexts.size());
  list.recentCount_ = n;
  list.recentFiles_ = input.recentFiles;
  list.recentFiles_.resize(static_cast<std::size_t>(n));

  // The newest row comes last, just above the separator, nearest the cursor.
  auto appendRecent = [&]() {
    if (n == 0) {
      Append(list, kEmptyHistoryLabel, false, true);
      return;
    }
    for (int i = n - 1; i >= 0; --i) Append(list, RecentEntryLabel(i, input.recentTexts[static_cast<std::size_t>(i)]));
  };
  appendRecent();
  Append(list, kMenuSeparator);

  if (input.editList) {
    Append(list, SubMenu(shown("用编辑器查看(&E)"), n == 0 ? 1 : n));
    list.edit_.first = list.texts.GetSize();
    appendRecent();
    if (n > 0) list.edit_.last = list.texts.GetSize() - 1;
  }

  auto appendSections = [&](const std::string& label, const std::vector<std::string>& sections,
                            const char* placeholder, PasteMenuList::Range& range, std::vector<std::string>& labels) {
    Append(list, SubMenu(shown(label), sections.empty() ? 1 : static_cast<int>(sections.size())));
    range.first = list.texts.GetSize();
    if (sections.empty()) {
      Append(list, placeholder, false, true);
      range.first = -1;
      return;
    }
    for (const std::string& section : sections) {
      Append(list, section == "-" ? std::string(kMenuSeparator) : section);
      labels.push_back(section);
    }
    range.last = list.texts.GetSize() - 1;
  };
  if (input.runList) appendSections("运行程序(&R)", input.commandSections, kEmptyCommandMenuLabel, list.run_, list.runLabels_);
  if (input.folderList)
    appendSections("打开文件夹(&O)", input.folderSections, kEmptyFolderMenuLabel, list.folder_, list.folderLabels_);

  Append(list, SubMenu(shown("内置命令(&I)"), kBuiltinCount));
  list.builtins_.first = list.texts.GetSize();
  for (int number = 1; number <= kBuiltinCount; ++number) {
    const std::string label = kBuiltinLabels[number - 1];
    if (label == kMenuSeparator) {
      Append(list, label);
      continue;
    }
    bool checked = false, grayed = false;
    switch (number) {
      case kBuiltinShowFrame: checked = input.frameVisible; break;
      case kBuiltinListen: checked = input.listening; break;
      case kBuiltinListenFileNames:
        grayed = !input.listening;
        checked = input.listening && input.listenFileNames;
        break;
      case kBuiltinAutoPaste: checked = input.autoPaste; break;
      case kBuiltinPasteFileNames: grayed = !input.clipboardHasFiles; break;
      case kBuiltinPasteAllFormats: grayed = !input.clipboardHasFormats; break;
      case kBuiltinWindowDisplay: grayed = input.windowListOpen; break;
    }
    Append(list, shown(label), checked, grayed);
  }
  list.builtins_.last = list.texts.GetSize() - 1;
  return list;
}

PasteMenuChoice PasteMenuList::Resolve(int position) const {
  PasteMenuChoice choice;
  choice.position = position;
  const int n = recentCount_;
  if (position < 0) return choice;
  if (position < n) {
    choice.kind = PasteMenuChoice::Kind::kRecent;
    choice.row = n - 1 - position;
    choice.fileName = recentFiles_[static_cast<std::size_t>(choice.row)];
  } else if (edit_.Holds(position)) {
    choice.kind = PasteMenuChoice::Kind::kEdit;
    choice.row = n - 1 - (position - edit_.first);
    choice.fileName = recentFiles_[static_cast<std::size_t>(choice.row)];
  } else if (run_.Holds(position) && runLabels_[static_cast<std::size_t>(position - run_.first)] != "-") {
    choice.kind = PasteMenuChoice::Kind::kRun;
    choice.label = runLabels_[static_cast<std::size_t>(position - run_.first)];
  } else if (folder_.Holds(position) && folderLabels_[static_cast<std::size_t>(position - folder_.first)] != "-") {
    choice.kind = PasteMenuChoice::Kind::kFolder;
    choice.label = folderLabels_[static_cast<std::size_t>(position - folder_.first)];
  } else if (builtins_.Holds(position) && BuiltinPosition(position - builtins_.first + 1) == position) {
    choice.kind = PasteMenuChoice::Kind::kBuiltin;
    choice.builtin = position - builtins_.first + 1;
  } else {
    choice.kind = PasteMenuChoice::Kind::kError;
  }
  return choice;
}

bool ReturnsToPreviousWindow(const PasteMenuChoice& choice, bool shownFrame) {
  switch (choice.kind) {
    case PasteMenuChoice::Kind::kEdit:
    case PasteMenuChoice::Kind::kRun:
    case PasteMenuChoice::Kind::kFolder:
      return false;
    case PasteMenuChoice::Kind::kBuiltin:
      switch (choice.builtin) {
        case kBuiltinShowFrame: return !shownFrame;
        case kBuiltinSearch:
        case kBuiltinSwitchDesktop:
        case kBuiltinLockScreen:
        case kBuiltinOpenHistoryFolder:
          return false;
        default:
          return true;
      }
    default:
      return true;
  }
}

}  // namespace kelvarion
