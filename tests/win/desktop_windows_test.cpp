// The desktop switch's Win32 side: showing only windows that answer, the
// window collectors, and the window display list driven from a thread timer
// inside its modal loop, as a user would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop/desktop_windows_win.h"
#include "desktop/window_collector_win.h"
#include "desktop/window_list_dlg_win.h"
#include "message_pump.h"
#include "platform/memory/memory_file_system.h"
#include "res/resource_ids.h"
#include "win/text_win.h"

namespace kelvarion {
namespace {

HWND MakeWindow(const wchar_t* title, DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr) {
  return CreateWindowExW(0, L"STATIC", title, style, 20, 20, 200, 100, parent, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

// A window whose thread stops answering once it is made, until released.
class HungWindow {
 public:
  HungWindow()
      : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), made_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = CreateThread(nullptr, 0, &HungWindow::Run, this, 0, nullptr);
    WaitForSingleObject(made_, 5000);
  }
  ~HungWindow() {
    SetEvent(release_);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    CloseHandle(release_);
    CloseHandle(made_);
  }
  HWND get() const { return window_; }

 private:
  static DWORD WINAPI Run(void* param) {
    auto* self = static_cast<HungWindow*>(param);
    self->window_ = MakeWindow(L"hung");
    SetEvent(self->made_);
    WaitForSingleObject(self->release_, INFINITE);
    DestroyWindow(self->window_);
    return 0;
  }
  HANDLE release_;
  HANDLE made_;
  HANDLE thread_ = nullptr;
  HWND window_ = nullptr;
};

TEST(ShowWindowIfResponsive, ShowsAndHidesOnlyWindowsThatAnswer) {
  HWND window = MakeWindow(L"answers");
  ASSERT_TRUE(window);
  EXPECT_TRUE(ShowWindowIfResponsive(window, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(ShowWindowIfResponsive(window, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(window));
  DestroyWindow(window);
  EXPECT_FALSE(ShowWindowIfResponsive(window, SW_SHOW)) << "a gone window";

  HungWindow hung;
  ASSERT_TRUE(hung.get());
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(ShowWindowIfResponsive(hung.get(), SW_HIDE)) << "a hung window is not hidden";
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_LT(elapsed, 2000u) << "a hung window costs about a second, not " << elapsed << " ms";
  EXPECT_TRUE(IsWindowVisible(hung.get()));
}

TEST(WindowCollector, KeepsToItsCapacityAndToTopLevelWindows) {
  HWND a = MakeWindow(L"a");
  HWND b = MakeWindow(L"b");
  HWND hidden = MakeWindow(L"hidden", WS_POPUP);
  HWND child = MakeWindow(L"child", WS_CHILD | WS_VISIBLE, a);
  ASSERT_TRUE(a && b && hidden && child);

  CWindowCollector two(2);
  two.Collect();
  EXPECT_EQ(two.Count(), 2u) << "windows past the capacity are dropped";
  CWindowCollector all(65536);
  all.Collect();
  EXPECT_TRUE(all.Contains(a) && all.Contains(b) && all.Contains(hidden));
  EXPECT_FALSE(all.Contains(child)) << "top-level windows only";
  std::vector<HWND> walked;
  for (HWND w; all.Next(w);) walked.push_back(w);
  EXPECT_EQ(walked, all.Windows()) << "the cursor walks every entry from the first";

  for (HWND w : {child, a, b, hidden}) DestroyWindow(w);
}

std::string KelvarionExePath() {
  wchar_t path[MAX_PATH] = {};
  std::wstring text(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return Narrow(text.substr(0, text.find_last_of(L'\\') + 1) + L"Kelvarion.exe");
}

struct Row {
  std::string title;
  std::string handle;
  std::string program;
  bool ticked = false;
};

std::string Cell(HWND list, int row, int column) {
  wchar_t text[1024] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

std::vector<Row> Rows(HWND list) {
  std::vector<Row> rows;
  for (int i = 0; i < ListView_GetItemCount(list); ++i)
    rows.push_back({Cell(list, i, 0), Cell(list, i, 1), Cell(list, i, 2), ListView_GetCheckState(list, i) != 0});
  return rows;
}

int FindRow(const std::vector<Row>& rows, HWND window) {
  const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(window));
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].handle == handle) return static_cast<int>(i);
  return -1;
}

HWND FindListDialog() {
  HWND dialog = FindWindowW(L"#32770", Widen("更改桌面窗口显示").c_str());
  return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
}

// Runs from a thread timer while the dialog's modal loop turns: act on the
// open dialog once, then close it the given way.
struct Script {
  std::function<void(HWND dialog, HWND list)> act;
  std::function<void(HWND dialog)> close;
  bool done = false;
  ULONGLONG deadline = GetTickCount64() + 10000;
};
Script* gScript = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!gScript || gScript->done) return;
  HWND dialog = FindListDialog();
  if (dialog) {
    gScript->done = true;
    gScript->act(dialog, GetDlgItem(dialog, IDC_WINDOW_LIST));
    gScript->close(dialog);
  } else if (GetTickCount64() > gScript->deadline) {
    gScript->done = true;
  }
}

TEST(WindowListDialog, ListsTheWindowsAndAppliesTheTicksHoweverItIsClosed) {
  HMODULE resources = LoadLibraryExW(Widen(KelvarionExePath()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(resources) << "Kelvarion.exe must be built beside win_tests.exe";

  struct Way {
    const char* name;
    std::function<void(HWND)> close;
  };
  const Way ways[] = {
      {"the close box", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }},
      {"Escape", [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }},
      {"Enter", [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); }},
  };
  // Under Wine on a display without a window manager every hide costs
  // seconds, so the windows are made once.
  HWND frame = MakeWindow(L"the frame");
  HWND kept = MakeWindow(Widen("留下的窗口").c_str());
  HWND unticked = MakeWindow(L"unticked");
  HWND hidden = MakeWindow(Widen("藏起的窗口").c_str());
  ASSERT_TRUE(frame && kept && unticked && hidden);
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    HWND gone = MakeWindow(L"gone");
    ASSERT_TRUE(gone);

    MemoryFileSystem files;
    CDesktopLists lists(files, "C:\\local\\HiddenWindows.txt");
    Win32DesktopWindows port;
    // hidden and gone are on the second desktop; gone closes meanwhile.
    lists.ApplyWindowList(port, 0, {ToWindowId(frame), ToWindowId(kept), ToWindowId(unticked)},
                          {ToWindowId(hidden), ToWindowId(gone)});
    ASSERT_FALSE(IsWindowVisible(hidden));
    DestroyWindow(gone);

    std::vector<Row> rows;
    RECT listRect = {}, clientRect = {};
    Script script;
    script.act = [&](HWND dialog, HWND list) {
      rows = Rows(list);
      const int row = FindRow(rows, unticked);
      if (row >= 0) ListView_SetCheckState(list, row, FALSE);
      // Made larger, the list still fills it.
      SetWindowPos(dialog, nullptr, 0, 0, 700, 420, SWP_NOMOVE | SWP_NOZORDER);
      GetClientRect(dialog, &clientRect);
      GetWindowRect(list, &listRect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&listRect), 2);
    };
    script.close = way.close;
    gScript = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    CWindowListDlg* running = nullptr;
    RunWindowDisplayList(lists, port, frame, resources, running);
    KillTimer(nullptr, timer);
    gScript = nullptr;
    ASSERT_TRUE(script.done && !rows.empty()) << "the dialog did not open";
    EXPECT_EQ(running, nullptr);

    const int keptRow = FindRow(rows, kept), untickedRow = FindRow(rows, unticked), hiddenRow = FindRow(rows, hidden);
    ASSERT_GE(keptRow, 0);
    ASSERT_GE(untickedRow, 0);
    ASSERT_GE(hiddenRow, 0);
    EXPECT_EQ(FindRow(rows, frame), -1) << "the frame is never listed";
    EXPECT_EQ(FindRow(rows, gone), -1) << "a closed window is left out";
    EXPECT_EQ(hiddenRow, static_cast<int>(rows.size()) - 1) << "the hidden windows come below the visible ones";
    EXPECT_TRUE(rows[keptRow].ticked && rows[untickedRow].ticked) << "visible windows start ticked";
    EXPECT_FALSE(rows[hiddenRow].ticked);
    EXPECT_EQ(rows[keptRow].title, "留下的窗口");
    EXPECT_EQ(rows[hiddenRow].title, "藏起的窗口");
    EXPECT_EQ(rows[keptRow].program.empty(), false) << "a visible window shows its program";
    EXPECT_EQ(listRect.left, 0);
    EXPECT_EQ(listRect.top, 0);
    EXPECT_EQ(listRect.right, clientRect.right);
    EXPECT_EQ(listRect.bottom, clientRect.bottom);

    EXPECT_TRUE(IsWindowVisible(kept));
    EXPECT_FALSE(IsWindowVisible(unticked)) << "an unticked window disappears at once";
    EXPECT_FALSE(IsWindowVisible(hidden));
    const std::vector<WindowId>& first = lists.FirstList();
    EXPECT_NE(std::find(first.begin(), first.end(), ToWindowId(kept)), first.end());
    EXPECT_EQ(std::find(first.begin(), first.end(), ToWindowId(frame)), first.end()) << "the frame stays out";
    const std::vector<WindowId>& second = lists.SecondList();
    EXPECT_NE(std::find(second.begin(), second.end(), ToWindowId(unticked)), second.end());
    EXPECT_NE(std::find(second.begin(), second.end(), ToWindowId(hidden)), second.end());
    EXPECT_EQ(std::find(second.begin(), second.end(), ToWindowId(gone)), second.end()) << "gone handles drop out";

    lists.RestoreDesktopWindows(port);
    EXPECT_TRUE(IsWindowVisible(unticked) && IsWindowVisible(hidden));
  }
  for (HWND w : {frame, kept, unticked, hidden}) DestroyWindow(w);
  FreeLibrary(resources);
}

}  // namespace
}  // namespace kelvarion
