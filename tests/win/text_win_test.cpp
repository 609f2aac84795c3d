#include "win/text_win.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kelvarion
