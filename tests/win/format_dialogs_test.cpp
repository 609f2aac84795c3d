// The icon and memo dialogs, opened modally from their real templates in
// Kelvarion.exe and driven, while their modal loop runs, by a thread timer
// that acts like the user: typing a path and pressing Enter, clicking,
// double-clicking, answering the message boxes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "clip/format_icon_dlg_win.h"
#include "clip/format_list.h"
#include "clip/memo_dlg_win.h"
#include "platform/memory/memory_file_system.h"
#include "res/resource_ids.h"
#include "support/test_support.h"
#include "win/text_win.h"

namespace kelvarion {
namespace {

// The program's own icons, in resource_ids.h.
constexpr int kExecutableIconCount = 10;

std::wstring ExecutableDirectory() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text(path, n);
  return text.substr(0, text.find_last_of(L'\\') + 1);
}

std::string KelvarionExePath() { return Narrow(ExecutableDirectory() + L"Kelvarion.exe"); }

// Kelvarion.exe as a resource file, so that the dialogs come from the very
// templates the program shows.
class ProgramResources {
 public:
  ProgramResources()
      : module_(LoadLibraryExW(Widen(KelvarionExePath()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~ProgramResources() {
    if (module_) FreeLibrary(module_);
  }
  HINSTANCE get() const { return module_; }

 private:
  HMODULE module_;
};

std::wstring WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// Every dialog window of this thread (the dialogs and their message boxes).
std::vector<HWND> ThreadDialogs() {
  std::vector<HWND> found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM param) -> BOOL {
        if (IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32770") reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// The message box a dialog has open, or null.
HWND FindMessageBox(HWND owner) {
  for (HWND hwnd : ThreadDialogs()) {
    if (hwnd != owner && GetWindow(hwnd, GW_OWNER) == owner) return hwnd;
  }
  return nullptr;
}

// The steps run one after another from a thread timer inside the dialog's
// modal loop; a step returns true when it is done (so a step may wait for a
// condition). Past the deadline every dialog of the thread is ended, so that
// a fault shows as a failure, not as a hung test.
class ModalScript {
 public:
  using Step = std::function<bool()>;

  explicit ModalScript(std::vector<Step> steps, DWORD timeoutMs = 10000)
      : steps_(std::move(steps)), deadline_(GetTickCount64() + timeoutMs) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 15, &ModalScript::Tick);
  }
  ~ModalScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }

  bool Finished() const { return next_ == steps_.size(); }
  // Which step did not finish in time; 0 when all did.
  std::size_t StuckAtStep() const { return Finished() ? 0 : next_ + 1; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* self = current_;
    if (!self || self->running_ || self->Finished()) return;
    self->running_ = true;
    while (!self->Finished() && self->steps_[self->next_]()) ++self->next_;
    if (!self->Finished() && GetTickCount64() > self->deadline_) {
      for (HWND hwnd : ThreadDialogs()) EndDialog(hwnd, IDABORT);
      self->deadline_ = ~0ull;
    }
    self->running_ = false;
  }

  static inline ModalScript* current_ = nullptr;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  ULONGLONG deadline_;
  UINT_PTR timer_ = 0;
  bool running_ = false;
};

bool DialogShown(const Dialog& dialog) { return dialog.Hwnd() && IsWindowVisible(dialog.Hwnd()); }

int IconCount(const Dialog& dialog) {
  return static_cast<int>(SendMessageW(dialog.GetItem(IDC_ICON_LIST), LB_GETCOUNT, 0, 0));
}

std::vector<HICON> ListedIcons(const Dialog& dialog) {
  std::vector<HICON> icons;
  for (int i = 0; i < IconCount(dialog); ++i) {
    icons.push_back(reinterpret_cast<HICON>(SendMessageW(dialog.GetItem(IDC_ICON_LIST), LB_GETITEMDATA, i, 0)));
  }
  return icons;
}

bool IconAlive(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return false;
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return true;
}

// Types a path into the path edit and presses Enter there, as the user would.
ModalScript::Step TypePathAndPressEnter(const Dialog& dialog, const std::string& path) {
  return [&dialog, path] {
    HWND edit = dialog.GetItem(IDC_ICON_FILE);
    SetWindowTextW(edit, Widen(path).c_str());
    SetFocus(edit);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    return true;
  };
}

// A click on a button: it takes the focus, then reports the click.
ModalScript::Step ClickButton(const Dialog& dialog, int id) {
  return [&dialog, id] {
    PostMessageW(dialog.GetItem(id), BM_CLICK, 0, 0);
    return true;
  };
}

// Waits for the dialog's message box, checks its caption and text, and
// answers it.
ModalScript::Step AnswerMessageBox(const Dialog& dialog, std::wstring& caption, std::wstring& text) {
  return [&dialog, &caption, &text] {
    HWND box = FindMessageBox(dialog.Hwnd());
    if (!box) return false;
    caption = WindowText(box);
    text = WindowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  };
}

ModalScript::Step WaitUntil(std::function<bool()> condition) { return condition; }

class FormatIconDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(resources.get()) << "Kelvarion.exe must be built beside win_tests.exe: " << KelvarionExePath();
  }
  ProgramResources resources;
};

TEST_F(FormatIconDialogTest, OpensWithTheFileIconsTheUsedFilesAndTheFormatText) {
  MemoryFileSystem fs;
  CFormatListTable table(fs, KelvarionExePath(), "C:\\kelvarion-test\\");
  table.LoadFormatList();
  table.AddFormatList("HTML Format", "C:\\Windows\\Notepad.exe", 0);
  CTextList expectedFiles;
  table.GetFormatListIconFiles(expectedFiles);

  CFormatIconDlg dialog(nullptr, &table);
  ASSERT_TRUE(dialog.SetInitialIcon(KelvarionExePath(), 4)) << "Kelvarion.exe holds icon 4";
  dialog.SetFormatText("BITMAP, DIB, 位图");
  int iconCount = -1, selected = -1, itemHeight = -1;
  std::vector<std::string> listedFiles;
  std::wstring header, formatText, pathText;
  ModalScript script({
      WaitUntil([&] { return DialogShown(dialog); }),
      [&] {
        iconCount = IconCount(dialog);
        selected = static_cast<int>(SendMessageW(dialog.GetItem(IDC_ICON_LIST), LB_GETCURSEL, 0, 0));
        itemHeight = static_cast<int>(SendMessageW(dialog.GetItem(IDC_ICON_LIST), LB_GETITEMHEIGHT, 0, 0));
        HWND files = dialog.GetItem(IDC_ICON_FILES);
        int rows = static_cast<int>(SendMessageW(files, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < rows; ++i) {
          wchar_t text[MAX_PATH] = {};
          LVITEMW item{};
          item.pszText = text;
          item.cchTextMax = MAX_PATH;
          SendMessageW(files, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
          listedFiles.push_back(Narrow(text));
        }
        wchar_t title[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = 64;
        SendMessageW(files, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        header = title;
        formatText = WindowText(dialog.GetItem(IDC_FORMAT_TEXT));
        pathText = WindowText(dialog.GetItem(IDC_ICON_FILE));
        return true;
      },
      ClickButton(dialog, IDCANCEL),
  });
  EXPECT_EQ(dialog.DoModal(resources.get()), IDCANCEL);
  ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();

  EXPECT_EQ(iconCount, kExecutableIconCount) << "one list entry per icon of the file";
  EXPECT_EQ(selected, 4) << "the initial icon index is selected";
  EXPECT_EQ(itemHeight, GetSystemMetrics(SM_CYICON) + 12) << "entries are as high as an icon and 12 pixels";
  EXPECT_EQ(listedFiles, expectedFiles.Items()) << "the used icon files are listed in the table's order";
  EXPECT_EQ(header, Widen("历史图标"));
  EXPECT_EQ(formatText, Widen("此文件包含粘贴板数据类型:\r\n\r\nBITMAP, DIB, 位图"));
  EXPECT_EQ(pathText, Widen(KelvarionExePath()));
}

TEST_F(FormatIconDialogTest, EnterInThePathEditLoadsThatFileAndOkTakesTheSelectedIcon) {
  CFormatIconDlg dialog(nullptr, nullptr);
  int defaultCount = -1, loadedCount = -1;
  bool stillOpen = false;
  std::vector<HICON> shellIcons;
  ModalScript script({
      WaitUntil([&] { return DialogShown(dialog); }),
      [&] {
        defaultCount = IconCount(dialog);
        shellIcons = ListedIcons(dialog);
        return true;
      },
      TypePathAndPressEnter(dialog, KelvarionExePath()),
      WaitUntil([&] { return IconCount(dialog) == kExecutableIconCount; }),
      [&] {
        stillOpen = DialogShown(dialog);
        loadedCount = IconCount(dialog);
        SendMessageW(dialog.GetItem(IDC_ICON_LIST), LB_SETCURSEL, 7, 0);
        return true;
      },
      ClickButton(dialog, IDOK),
  });
  INT_PTR result = dialog.DoModal(resources.get());
  ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();

  EXPECT_GT(defaultCount, 0) << "the dialog starts with the icons of " << CFormatIconDlg::DefaultIconFile();
  EXPECT_TRUE(stillOpen) << "Enter in the path edit must load the file, not close the dialog";
  EXPECT_EQ(loadedCount, kExecutableIconCount);
  for (HICON icon : shellIcons) EXPECT_FALSE(IconAlive(icon)) << "icons of the previous file are destroyed on load";
  EXPECT_EQ(result, IDOK);
  std::string file;
  int index = -1;
  dialog.GetSelectedIcon(file, index);
  EXPECT_EQ(file, KelvarionExePath()) << "the typed path becomes the icon file";
  EXPECT_EQ(index, 7) << "the selected entry is the icon index";
}

TEST_F(FormatIconDialogTest, DoubleClickOnAnIconClosesAsOkAndTheIconsAreDestroyed) {
  CFormatIconDlg dialog(nullptr, nullptr);
  ASSERT_TRUE(dialog.SetInitialIcon(KelvarionExePath(), 0));
  std::vector<HICON> icons;
  ModalScript script({
      WaitUntil([&] { return DialogShown(dialog); }),
      [&] {
        icons = ListedIcons(dialog);
        HWND list = dialog.GetItem(IDC_ICON_LIST);
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        return true;
      },
  });
  INT_PTR result = dialog.DoModal(resources.get());
  ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();
  EXPECT_EQ(result, IDOK) << "a double click on an icon is OK";
  std::string file;
  int index = -1;
  dialog.GetSelectedIcon(file, index);
  EXPECT_EQ(index, 2) << "the double-clicked icon is the chosen one";
  ASSERT_EQ(icons.size(), static_cast<std::size_t>(kExecutableIconCount));
  for (HICON icon : icons) EXPECT_FALSE(IconAlive(icon)) << "every icon of the list is destroyed on close";
}

TEST_F(FormatIconDialogTest, OkWithoutASelectedIconAsksForOneAndStaysOpen) {
  CFormatIconDlg dialog(nullptr, nullptr);
  std::wstring caption, text;
  bool stillOpen = false;
  ModalScript script({
      WaitUntil([&] { return DialogShown(dialog); }),
      [&] {
        SendMessageW(dialog.GetItem(IDC_ICON_LIST), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        return true;
      },
      ClickButton(dialog, IDOK),
      AnswerMessageBox(dialog, caption, text),
      WaitUntil([&] { return !FindMessageBox(dialog.Hwnd()); }),
      [&] {
        stillOpen = DialogShown(dialog);
        return true;
      },
      ClickButton(dialog, IDCANCEL),
  });
  EXPECT_EQ(dialog.DoModal(resources.get()), IDCANCEL);
  ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();
  EXPECT_EQ(caption, L"Choose Icon");
  EXPECT_EQ(text, L"Please select an icon");
  EXPECT_TRUE(stillOpen) << "OK without an icon must keep the dialog open";
}

TEST_F(FormatIconDialogTest, AMissingFileOrOneWithoutIconsIsReported) {
  test::ScratchDir dir;
  const std::string missing = dir.path() + "没有.dll";
  const std::string plain = dir.path() + "plain.txt";
  test::WriteBytes(plain, "no icons in here");
  struct Case {
    std::string path;
    std::string message;
  };
  const std::vector<Case> cases = {
      {missing, "Cannot find the file '" + missing + "', Please select another file"},
      {plain, "The file '" + plain + "' contains no icons"},
  };
  for (const Case& c : cases) {
    CFormatIconDlg dialog(nullptr, nullptr);
    std::wstring caption, text;
    int count = -1;
    ModalScript script({
        WaitUntil([&] { return DialogShown(dialog); }),
        TypePathAndPressEnter(dialog, c.path),
        AnswerMessageBox(dialog, caption, text),
        WaitUntil([&] { return !FindMessageBox(dialog.Hwnd()); }),
        [&] {
          count = IconCount(dialog);
          return true;
        },
        ClickButton(dialog, IDCANCEL),
    });
    EXPECT_EQ(dialog.DoModal(resources.get()), IDCANCEL) << c.path;
    ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep() << " for " << c.path;
    EXPECT_EQ(caption, L"Choose Icon") << c.path;
    EXPECT_EQ(text, Widen(c.message)) << c.path;
    EXPECT_EQ(count, 0) << "the old icons are gone after a failed load of " << c.path;
  }
}

TEST_F(FormatIconDialogTest, AClickOnAUsedFileLoadsItsIcons) {
  MemoryFileSystem fs;
  CFormatListTable table(fs, KelvarionExePath(), "C:\\kelvarion-test\\");
  table.LoadFormatList();
  CFormatIconDlg dialog(nullptr, &table);
  std::wstring path;
  ModalScript script({
      WaitUntil([&] { return DialogShown(dialog); }),
      [&] {
        HWND files = dialog.GetItem(IDC_ICON_FILES);
        RECT row{};
        row.left = LVIR_LABEL;
        SendMessageW(files, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
        LPARAM at = MAKELPARAM(row.left + 4, (row.top + row.bottom) / 2);
        PostMessageW(files, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(files, WM_LBUTTONUP, 0, at);
        return true;
      },
      WaitUntil([&] { return IconCount(dialog) == kExecutableIconCount; }),
      [&] {
        path = WindowText(dialog.GetItem(IDC_ICON_FILE));
        return true;
      },
      ClickButton(dialog, IDOK),
  });
  EXPECT_EQ(dialog.DoModal(resources.get()), IDOK);
  ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();
  std::string file;
  int index = -1;
  dialog.GetSelectedIcon(file, index);
  EXPECT_EQ(file, table.GetDefaultIconFile()) << "the clicked file becomes the icon file";
  EXPECT_EQ(index, 0) << "a clicked file starts at its first icon";
  EXPECT_EQ(path, Widen(table.GetDefaultIconFile())) << "the path edit shows the clicked file";
}

TEST(FormatIconDialog, InitialIconIsTakenOnlyWhenTheFileHoldsIt) {
  test::ScratchDir dir;
  struct Case {
    std::string file;
    int index;
    bool taken;
  };
  const std::vector<Case> cases = {
      {KelvarionExePath(), 0, true},
      {KelvarionExePath(), kExecutableIconCount - 1, true},
      {KelvarionExePath(), kExecutableIconCount, false},
      {KelvarionExePath(), -1, false},
      {dir.path() + "missing.ico", 0, false},
  };
  for (const Case& c : cases) {
    CFormatIconDlg dialog(nullptr, nullptr);
    EXPECT_EQ(dialog.SetInitialIcon(c.file, c.index), c.taken) << c.file << " icon " << c.index;
    std::string file;
    int index = -1;
    dialog.GetSelectedIcon(file, index);
    EXPECT_EQ(file, c.taken ? c.file : CFormatIconDlg::DefaultIconFile()) << c.file << " icon " << c.index;
    EXPECT_EQ(index, c.taken ? c.index : 0) << c.file << " icon " << c.index;
  }
}

TEST(FormatIconDialog, TheDefaultIconFileIsShell32AndHoldsIcons) {
  wchar_t system[MAX_PATH] = {};
  UINT n = GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(CFormatIconDlg::DefaultIconFile(), Narrow(std::wstring(system, n) + L"\\SHELL32.dll"));
  EXPECT_GT(CFormatIconDlg::CountIcons(CFormatIconDlg::DefaultIconFile()), 0);
}

class MemoDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(resources.get()) << "Kelvarion.exe must be built beside win_tests.exe: " << KelvarionExePath();
  }
  ProgramResources resources;
};

TEST_F(MemoDialogTest, ShowsTheMemoAndReadsTheEditedTextBackOnOk) {
  CMemoDlg dialog(nullptr);
  dialog.SetMemo("剪贴 memo\r\n第二行");
  std::wstring shown, caption;
  ModalScript script({
      WaitUntil([&] { return DialogShown(dialog); }),
      [&] {
        shown = WindowText(dialog.GetItem(IDC_MEMO_EDIT));
        caption = WindowText(dialog.Hwnd());
        SetWindowTextW(dialog.GetItem(IDC_MEMO_EDIT), Widen("新的说明\r\n說明").c_str());
        return true;
      },
      ClickButton(dialog, IDOK),
  });
  EXPECT_EQ(dialog.DoModal(resources.get()), IDOK);
  ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();
  EXPECT_EQ(shown, Widen("剪贴 memo\r\n第二行")) << "the memo is shown in the edit at start";
  EXPECT_EQ(caption, Widen("请输入文件说明"));
  EXPECT_EQ(dialog.GetMemo(), "新的说明\r\n說明") << "OK reads the edit back as code page 936";
}

// Longer than the 30 000 characters an edit lets the user type; in lines,
// which Wine's edit lays out far faster than one long line.
std::string LongMemo() {
  std::string memo;
  while (memo.size() < 40000) memo += std::string(70, 'm') + "\r\n";
  return memo + "尾";
}

TEST_F(MemoDialogTest, CancelKeepsTheMemoAndALongMemoSurvivesUncut) {
  struct Case {
    std::string memo;
    int button;
  };
  const std::vector<Case> cases = {
      {"旧的说明", IDCANCEL},
      {LongMemo(), IDOK},
  };
  for (const Case& c : cases) {
    CMemoDlg dialog(nullptr);
    dialog.SetMemo(c.memo);
    ModalScript script({
        WaitUntil([&] { return DialogShown(dialog); }),
        [&] {
          if (c.button == IDCANCEL) SetWindowTextW(dialog.GetItem(IDC_MEMO_EDIT), L"discarded");
          return true;
        },
        ClickButton(dialog, c.button),
    });
    EXPECT_EQ(dialog.DoModal(resources.get()), c.button);
    ASSERT_TRUE(script.Finished()) << "stuck at step " << script.StuckAtStep();
    EXPECT_EQ(dialog.GetMemo(), c.memo) << (c.button == IDCANCEL ? "Cancel must not take the edit's text"
                                                                 : "OK must give back a long memo whole");
  }
}

}  // namespace
}  // namespace kelvarion
