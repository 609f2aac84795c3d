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

}  // namespace
}  // namespace kelvarion
