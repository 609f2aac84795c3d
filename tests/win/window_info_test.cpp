#include "desktop/window_info_win.h"

#include <gtest/gtest.h>

#include "win/text_win.h"

namespace kelvarion {
namespace {

HWND MakeWindow(const wchar_t* title, DWORD style, HWND parent = nullptr) {
  return CreateWindowExW(0, L"STATIC", title, style, 10, 10, 200, 100, parent, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

TEST(WindowInfo, VisibleTopLevelWindowGivesOurProgramAndTitle) {
  HWND window = MakeWindow(L"粘贴板 window", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_NE(window, nullptr);
  std::string path, title;
  EXPECT_EQ(GetWindowProcessInfo(path, title, window), window);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_EQ(CompareStringOrdinal(Widen(path).c_str(), -1, self, -1, TRUE), CSTR_EQUAL)
      << "program path " << path << " is not this test program";
  EXPECT_EQ(title, Narrow(L"粘贴板 window")) << "the title comes back in code page 936";
  DestroyWindow(window);
}

// 254 bytes and then a double-byte character: a cut at 255 bytes would keep
// its lead byte alone, which shows as garbage in the memo it becomes.
TEST(WindowInfo, ALongTitleIsCutOnACharacter) {
  const std::string title = std::string(254, 't') + "粘贴板";
  HWND window = MakeWindow(Widen(title).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_NE(window, nullptr);
  std::string path, got;
  EXPECT_EQ(GetWindowProcessInfo(path, got, window), window);
  EXPECT_EQ(got, std::string(254, 't')) << "at most 255 bytes, never half a character";
  DestroyWindow(window);
}

TEST(WindowInfo, ChildHiddenAndDestroyedWindowsAreNotFound) {
  HWND parent = MakeWindow(L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = MakeWindow(L"child", WS_CHILD | WS_VISIBLE, parent);
  HWND hidden = MakeWindow(L"hidden", WS_OVERLAPPEDWINDOW);
  std::string path = "untouched", title = "untouched";
  EXPECT_EQ(GetWindowProcessInfo(path, title, child), nullptr);
  EXPECT_EQ(GetWindowProcessInfo(path, title, hidden), nullptr);
  DestroyWindow(hidden);
  EXPECT_EQ(GetWindowProcessInfo(path, title, hidden), nullptr);
  EXPECT_EQ(path, "untouched") << "outputs are written only on success";
  EXPECT_EQ(title, "untouched");
  DestroyWindow(parent);
}

}  // namespace
}  // namespace kelvarion
