#include "win/text_win.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvarion {
namespace {

TEST(TextWin, TextsTooLongForTheWFunctionsComeBackEmptyNotCut) {
  // A length cast to int would read 2^32 + 2 as 2 and convert "ab".
  const char narrow[] = "ab";
  const wchar_t wide[] = L"ab";
  const std::size_t huge = (std::size_t{1} << 32) + 2;
  EXPECT_EQ(Widen(std::string_view(narrow, huge)), L"");
  EXPECT_EQ(Narrow(std::wstring_view(wide, huge)), "");
  EXPECT_EQ(Widen("粘贴板"), L"粘贴板");
  EXPECT_EQ(Narrow(L"粘贴板"), "粘贴板");
}

// The reader grows its buffer as it goes: texts just below, at and above
// each step come back whole.
TEST(TextWin, WindowTextComesBackWholeWhateverItsLength) {
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
  for (std::size_t length : {0u, 1u, 254u, 255u, 256u, 511u, 512u, 5000u}) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += i % 2 ? "板" : "a";
    ASSERT_TRUE(SetWindowTextW(edit, Widen(text).c_str()));
    EXPECT_EQ(GetWindowTextCp936(edit), text) << length << " characters";
  }
  DestroyWindow(edit);
  EXPECT_EQ(GetWindowTextCp936(nullptr), "") << "no window, no text";
}

}  // namespace
}  // namespace kelvarion
