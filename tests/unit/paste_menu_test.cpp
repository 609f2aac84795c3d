#include "app/paste_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/history_text.h"
#include "base/menu_list.h"

namespace kelvarion {
namespace {

std::vector<std::string> Rows(int count) {
  std::vector<std::string> rows;
  for (int i = 0; i < count; ++i) rows.push_back("row " + std::to_string(i));
  return rows;
}

PasteMenuInput Input(int rows) {
  PasteMenuInput input;
  input.recentTexts = Rows(rows);
  input.commandSections = {"范例-&N记事本", "-", "范例-&C配置命令菜单"};
  input.folderSections = {"范例-打开&C盘"};
  return input;
}

TEST(PasteMenu, RecentEntriesRunFromTheOldestDownToTheNewestWithTheirMnemonics) {
  const PasteMenuList list = BuildPasteMenuList(Input(12));
  const char* expected[] = {"[&A12] row 11", "[&A11] row 10", "[&0] row 9", "[&9] row 8", "[&8] row 7",
                            "[&7] row 6",    "[&6] row 5",    "[&5] row 4", "[&4] row 3", "[&3] row 2",
                            "[&2] row 1",    "[&1] row 0"};
  for (int p = 0; p < 12; ++p) {
    EXPECT_EQ(list.texts.Get(p), expected[p]) << "position " << p;
    EXPECT_EQ(list.grays.Get(p), 0u) << "position " << p;
  }
  EXPECT_EQ(list.texts.Get(12), kMenuSeparator);
  const PasteMenuChoice first = list.Resolve(11);
  EXPECT_EQ(first.kind, PasteMenuChoice::Kind::kRecent);
  EXPECT_EQ(first.row, 0) << "[&1] is the newest row";
  EXPECT_EQ(list.Resolve(0).row, 11);
}

TEST(PasteMenu, RecentLabelsByRowAndText) {
  struct Case {
    int row;
    std::string text, label;
  };
  const std::string forty = std::string(39, 'x') + "中";  // the double-byte character would end at byte 41
  const Case cases[] = {
      {0, "a", "[&1] a"},          {8, "a", "[&9] a"},         {9, "a", "[&0] a"},
      {10, "a", "[&A11] a"},       {14, "a", "[&A15] a"},      {15, "a", "[&B16] a"},
      {19, "a", "[&B20] a"},       {20, "a", "[&C21] a"},      {29, "a", "[&C30] a"},
      {30, "a", "[&D31] a"},       {0, "R&D && co", "[&1] R&&D &&&& co"},
      {0, std::string(45, 'y'), "[&1] " + std::string(40, 'y')},
      {0, forty, "[&1] " + std::string(39, 'x')},
      {0, "粘贴板历史", "[&1] 粘贴板历史"},
      // A memo's line ends would make the entry a sub-menu of the next entries.
      {0, "x\r\n9", "[&1] x 9"},
      {0, "a\r\n\r\nb\nc\rd", "[&1] a b c d"},
      {1, "\r\n0", "[&2]  0"},
  };
  for (const Case& c : cases) EXPECT_EQ(RecentEntryLabel(c.row, c.text), c.label) << c.row << " " << c.text;
}

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

// A row text kept as UTF-8 keeps its mark in front of the whole label, so the
// menu shows every character, cut by columns like the code page 936 labels.
TEST(PasteMenu, LabelsOfTextsKeptAsUtf8) {
  const std::string mark = "\xEF\xBB\xBF";
  std::string emoji20;
  for (int i = 0; i < 21; ++i) emoji20 += Utf8(u8"😀");
  struct Case {
    int row;
    std::string text, label;
  };
  const Case cases[] = {
      {0, mark + Utf8(u8"你好 😀 한국어 ∑"), mark + Utf8(u8"[&1] 你好 😀 한국어 ∑")},
      {9, mark + Utf8(u8"R&D 😀"), mark + Utf8(u8"[&0] R&&D 😀")},
      {0, mark + emoji20, mark + "[&1] " + emoji20.substr(0, 20 * 4)},
  };
  for (const Case& c : cases) {
    const std::string label = RecentEntryLabel(c.row, c.text);
    EXPECT_EQ(label, c.label) << "row " << c.row;
    EXPECT_TRUE(IsUtf8HistoryText(label)) << "row " << c.row;
  }
}

TEST(PasteMenu, AMemoOfSeveralLinesStaysOneEntry) {
  PasteMenuInput input = Input(0);
  input.recentTexts = {"x\r\n9", "older"};
  input.recentFiles = {"2024010100000001.cbf", "2024010100000000.spt"};
  input.editList = input.runList = input.folderList = false;
  const PasteMenuList list = BuildPasteMenuList(input);
  const std::vector<MenuNode> tree = BuildMenuTree(list.texts, list.checks, list.grays);
  ASSERT_GE(tree.size(), 3u);
  EXPECT_EQ(tree[0].kind, MenuNode::Kind::kItem);
  EXPECT_EQ(tree[1].kind, MenuNode::Kind::kItem) << "the newest row is an item, not a sub-menu";
  EXPECT_EQ(tree[1].label, "[&1] x 9");
  EXPECT_EQ(tree[2].kind, MenuNode::Kind::kSeparator);
  EXPECT_EQ(tree.size(), 4u) << "separator and built-in commands follow, as without the memo";
}

TEST(PasteMenu, ChoicesNameTheFileOfTheEntry) {
  PasteMenuInput input = Input(3);
  input.recentFiles = {"2024010100000002.spt", "2024010100000001.cbf", "2024010100000000.spt"};
  const PasteMenuList list = BuildPasteMenuList(input);
  EXPECT_EQ(list.Resolve(2).fileName, "2024010100000002.spt") << "[&1], the newest";
  EXPECT_EQ(list.Resolve(0).fileName, "2024010100000000.spt") << "[&3]";
  EXPECT_EQ(list.Resolve(7).fileName, "2024010100000002.spt") << "the editor's [&1], last of its sub-menu";
  EXPECT_EQ(list.Resolve(7).kind, PasteMenuChoice::Kind::kEdit);
  EXPECT_EQ(list.Resolve(list.BuiltinPosition(kBuiltinExit)).fileName, "") << "other entries name no file";
}

TEST(PasteMenu, SubMenusPositionsAndWhatEachChoiceMeans) {
  PasteMenuInput input = Input(2);
  input.relabel = [](const std::string& label) { return label == "退出(&Q)" ? std::string("离开") : label; };
  const PasteMenuList list = BuildPasteMenuList(input);
  const std::vector<std::string> expected = {
      "[&2] row 1", "[&1] row 0", kMenuSeparator,
      "用编辑器查看(&E)\r\n2", "[&2] row 1", "[&1] row 0",
      "运行程序(&R)\r\n3", "范例-&N记事本", kMenuSeparator, "范例-&C配置命令菜单",
      "打开文件夹(&O)\r\n1", "范例-打开&C盘",
      "内置命令(&I)\r\n20"};
  ASSERT_GE(list.texts.GetSize(), static_cast<int>(expected.size()) + kBuiltinCount);
  for (std::size_t p = 0; p < expected.size(); ++p) EXPECT_EQ(list.texts.Get(static_cast<int>(p)), expected[p]) << p;
  EXPECT_EQ(list.texts.GetSize(), static_cast<int>(expected.size()) + kBuiltinCount);
  EXPECT_EQ(list.texts.Get(list.texts.GetSize() - 1), "离开") << "relabelled through MenuText";

  struct Case {
    int position;
    PasteMenuChoice::Kind kind;
    int row;
    std::string label;
    int builtin;
  };
  using K = PasteMenuChoice::Kind;
  const int last = list.texts.GetSize() - 1;
  const Case cases[] = {
      {-1, K::kNone, -1, "", 0},
      {1, K::kRecent, 0, "", 0},
      {2, K::kError, -1, "", 0},  // the separator cannot be chosen: whatever comes is an error
      {4, K::kEdit, 1, "", 0},   // the first editor item opens the row of the first recent entry
      {5, K::kEdit, 0, "", 0},
      {7, K::kRun, -1, "范例-&N记事本", 0},
      {8, K::kError, -1, "", 0},
      {9, K::kRun, -1, "范例-&C配置命令菜单", 0},
      {11, K::kFolder, -1, "范例-打开&C盘", 0},
      {13, K::kBuiltin, -1, "", 1},
      {last, K::kBuiltin, -1, "", kBuiltinExit},  // the relabelled entry still quits
      {last + 1, K::kError, -1, "", 0},
  };
  for (const Case& c : cases) {
    const PasteMenuChoice choice = list.Resolve(c.position);
    EXPECT_EQ(choice.kind, c.kind) << "position " << c.position;
    EXPECT_EQ(choice.row, c.row) << "position " << c.position;
    EXPECT_EQ(choice.label, c.label) << "position " << c.position;
    EXPECT_EQ(choice.builtin, c.builtin) << "position " << c.position;
  }
}

TEST(PasteMenu, BuiltinStatesAndTheEmptyAndSwitchedOffCases) {
  PasteMenuInput input = Input(0);
  input.editList = input.runList = input.folderList = false;
  input.frameVisible = true;
  input.listening = false;
  input.listenFileNames = true;
  input.autoPaste = true;
  input.clipboardHasFormats = true;
  input.windowListOpen = true;
  const PasteMenuList list = BuildPasteMenuList(input);
  ASSERT_EQ(list.texts.GetSize(), 3 + kBuiltinCount);
  EXPECT_EQ(list.texts.Get(0), kEmptyHistoryLabel);
  EXPECT_EQ(list.grays.Get(0), 1u) << "the empty-history entry is grayed";
  EXPECT_EQ(list.texts.Get(1), kMenuSeparator);
  EXPECT_EQ(list.texts.Get(2), "内置命令(&I)\r\n20");
  struct Case {
    int builtin;
    unsigned checked, grayed;
  };
  const Case cases[] = {
      {kBuiltinShowFrame, 1, 0},        {kBuiltinListen, 0, 0},
      {kBuiltinListenFileNames, 0, 1},  // off while not listening, whatever the flag says
      {kBuiltinAutoPaste, 1, 0},        {kBuiltinPasteFileNames, 0, 1},
      {kBuiltinPasteAllFormats, 0, 0},  {kBuiltinWindowDisplay, 0, 1},
      {kBuiltinExit, 0, 0},
  };
  for (const Case& c : cases) {
    const int p = list.BuiltinPosition(c.builtin);
    ASSERT_GE(p, 0) << c.builtin;
    EXPECT_EQ(list.texts.Get(p), BuiltinLabel(c.builtin));
    EXPECT_EQ(list.checks.Get(p), c.checked) << BuiltinLabel(c.builtin);
    EXPECT_EQ(list.grays.Get(p), c.grayed) << BuiltinLabel(c.builtin);
  }
  EXPECT_EQ(list.Resolve(0).kind, PasteMenuChoice::Kind::kError) << "the grayed placeholder is no history row";

  // Empty history with the editor menu on: it holds the same grayed entry;
  // empty menu files show their placeholders.
  input.editList = input.runList = input.folderList = true;
  input.commandSections.clear();
  input.folderSections.clear();
  const PasteMenuList empty = BuildPasteMenuList(input);
  const std::vector<std::string> head = {kEmptyHistoryLabel, kMenuSeparator, "用编辑器查看(&E)\r\n1",
                                         kEmptyHistoryLabel,  "运行程序(&R)\r\n1", kEmptyCommandMenuLabel,
                                         "打开文件夹(&O)\r\n1", kEmptyFolderMenuLabel};
  for (std::size_t p = 0; p < head.size(); ++p) EXPECT_EQ(empty.texts.Get(static_cast<int>(p)), head[p]) << p;
  for (int p : {3, 5, 7}) {
    EXPECT_EQ(empty.grays.Get(p), 1u) << p;
    EXPECT_EQ(empty.Resolve(p).kind, PasteMenuChoice::Kind::kError) << p;
  }
}

TEST(PasteMenu, WhichChoicesGiveTheFocusBack) {
  using K = PasteMenuChoice::Kind;
  auto builtin = [](int n) {
    PasteMenuChoice c;
    c.kind = K::kBuiltin;
    c.builtin = n;
    return c;
  };
  auto of = [](K kind) {
    PasteMenuChoice c;
    c.kind = kind;
    return c;
  };
  for (K kind : {K::kNone, K::kRecent, K::kError}) EXPECT_TRUE(ReturnsToPreviousWindow(of(kind), false));
  for (K kind : {K::kEdit, K::kRun, K::kFolder}) EXPECT_FALSE(ReturnsToPreviousWindow(of(kind), false));
  for (int n : {2, 3, 4, 6, 7, 12, 17, 19, 20}) EXPECT_TRUE(ReturnsToPreviousWindow(builtin(n), false)) << n;
  for (int n : {9, 11, 14, 15}) EXPECT_FALSE(ReturnsToPreviousWindow(builtin(n), false)) << n;
  EXPECT_TRUE(ReturnsToPreviousWindow(builtin(1), false)) << "hiding the frame gives the focus back";
  EXPECT_FALSE(ReturnsToPreviousWindow(builtin(1), true)) << "showing the frame keeps it";
}

}  // namespace
}  // namespace kelvarion
