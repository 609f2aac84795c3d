#include "base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvarion {
namespace {

TEST(Utf16ToCp936, WideClipboardTextBecomesTheProgramsBytes) {
  struct Case {
    std::u16string wide;
    std::string text;
    const char* what;
  };
  const Case cases[] = {
      {u"", "", "empty"},
      {u"plain ASCII\r\n", "plain ASCII\r\n", "ASCII"},
      {u"粘贴板「乗說」", "粘贴板「乗說」", "Chinese with trail bytes like '\\' and 'f'"},
      {u"a\xD800" u"b", "a?b", "a lone high surrogate"},
      {u"a\xDC00" u"b", "a?b", "a lone low surrogate"},
      {u"end\xD800", "end?", "a surrogate cut off at the end"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf16ToCp936(c.wide), c.text) << c.what;
  }
}

TEST(Cp936ToUtf16, TheProgramsBytesBecomeWideTextAndBack) {
  const std::string texts[] = {"", "plain\r\n", "粘贴板「乗說」\\]"};
  for (const std::string& text : texts) {
    EXPECT_EQ(Utf16ToCp936(Cp936ToUtf16(text)), text) << text;
  }
  EXPECT_EQ(Cp936ToUtf16("中a"), u"中a");
  // A lead byte cut off at the end is one mark, and what follows stays in step.
  EXPECT_EQ(Cp936ToUtf16("ab\xD6"), u"ab?");
}

TEST(CodePageConversions, TextsTooLongForTheirLengthsAreNotCut) {
  // Views that claim 2^32 + 2 units over a few real ones: a length taken as a
  // 32-bit int would read as 2 and convert "ab"; the conversions must refuse
  // before they touch the text.
  const char narrow[] = "ab";
  const char16_t wide[] = u"ab";
  const std::size_t huge = (std::size_t{1} << 32) + 2;
  EXPECT_EQ(Utf16ToCp936(std::u16string_view(wide, huge)), "");
  EXPECT_EQ(Cp936ToUtf16(std::string_view(narrow, huge)), u"");
  EXPECT_EQ(Cp936ToUtf8(std::string_view(narrow, huge)), "");
  EXPECT_EQ(Utf8ToCp936(std::string_view(narrow, huge)), "");
  EXPECT_EQ(Utf16ToCp936(std::u16string_view(wide, 2)), "ab") << "the same text at its real length converts";
}

}  // namespace
}  // namespace kelvarion
