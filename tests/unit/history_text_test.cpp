#include "base/history_text.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"

namespace kelvarion {
namespace {

// UTF-8 bytes of a u8 literal (narrow literals are code page 936 here).
std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  return out;
}

const std::string kMark = "\xEF\xBB\xBF";

TEST(HistoryText, EveryTextComesBackExactlyAndOnlyWhatCp936LacksIsUtf8) {
  struct Case {
    std::u16string text;
    std::string kept;  // the exact bytes kept
    const char* what;
  };
  const Case cases[] = {
      {u"plain ASCII", "plain ASCII", "ASCII stays as it is"},
      {u"粘贴板「乗」說\r\n第二行", "粘贴板「乗」說\r\n第二行", "code page 936 text keeps its bytes"},
      {u"", "", "empty"},
      {u"你好 😀 한국어 ∑", kMark + Utf8(u8"你好 😀 한국어 ∑"), "emoji and Korean are kept as UTF-8"},
      {u"∑ only", "\xA1\xC6 only", "a sign code page 936 has is 936"},
      {u"한", kMark + Utf8(u8"한"), "one character the code page lacks is enough"},
      // EF BB is "锘": the start of the mark, followed here by a character
      // that makes the rest no UTF-8, so the bytes are kept as they are.
      {u"锘好", "\xEF\xBB\xBA\xC3", "936 text starting with EF BB"},
      {u"锘开", "\xEF\xBB\xBF\xAA", "936 text starting with the mark's bytes, not UTF-8 after them"},
      // "锘緼" is EF BB BF 41 in code page 936: it would read back as the
      // UTF-8 text "A", so it is kept as UTF-8.
      {u"锘緼", kMark + Utf8(u8"锘緼"), "936 bytes that would read as UTF-8"},
      {std::u16string(u"a") + char16_t(0xD800) + u"b", kMark + "a\xEF\xBF\xBD" + "b",
       "a lone surrogate becomes U+FFFD"},
  };
  for (const Case& c : cases) {
    const std::string kept = MakeHistoryText(c.text);
    EXPECT_EQ(Hex(kept), Hex(c.kept)) << c.what;
    if (c.text.find(char16_t(0xD800)) == std::u16string::npos) {
      EXPECT_TRUE(HistoryTextToUtf16(kept) == c.text) << c.what << ": the characters must come back";
      EXPECT_EQ(HistoryTextToUtf8(kept), Utf16ToUtf8(c.text)) << c.what;
    }
    EXPECT_EQ(ComparableHistoryText(kept), kept) << c.what << ": the program's own form compares as it is";
  }
}

TEST(HistoryText, ReadsEitherFormWhoeverWroteIt) {
  struct Case {
    std::string bytes;
    std::u16string text;
    std::string compared;  // the form the repeat check uses
    const char* what;
  };
  const Case cases[] = {
      {kMark + Utf8(u8"你好 notepad"), u"你好 notepad", "你好 notepad", "another program's UTF-8 file of 936 text"},
      {kMark + Utf8(u8"😀"), u"😀", kMark + Utf8(u8"😀"), "another program's UTF-8 file of an emoji"},
      {kMark, u"", "", "the mark alone"},
      {"\xEF\xBB\xBF\xAA", u"锘开", "\xEF\xBB\xBF\xAA", "mark, then no UTF-8: code page 936"},
      {"\xEF\xBB\xBF\xC0\xB0\xA1", u"锘坷啊", "\xEF\xBB\xBF\xC0\xB0\xA1", "mark, then a byte UTF-8 never has"},
      {"\xEF\xBB", u"锘", "\xEF\xBB", "half the mark"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(HistoryTextToUtf16(c.bytes) == c.text) << c.what;
    EXPECT_EQ(Hex(ComparableHistoryText(c.bytes)), Hex(c.compared)) << c.what;
  }
  // (Texts outside code page 936 stay out of the assertion macros, which
  // spell their arguments as narrow text.)
  const std::string emoji = kMark + Utf8(u8"你好 😀");
  // What the code page lacks becomes '?' (one for the pair natively, one for
  // each half on Windows).
  const std::string narrow = HistoryTextToCp936(emoji);
  EXPECT_EQ(narrow.substr(0, 5), "你好 ") << "TEXT gets what the code page can give";
  EXPECT_GT(narrow.size(), 5u);
  EXPECT_EQ(narrow.find_first_not_of('?', 5), std::string::npos);
  EXPECT_EQ(HistoryTextToCp936("你好"), "你好");
}

TEST(HistoryText, BytesFromOutsideThatMustNotReadAsUtf8AreKeptAsCharacters) {
  // A program that sets only TEXT: its bytes are kept as they are, unless
  // they would read back as UTF-8.
  EXPECT_EQ(MakeHistoryTextFrom936("普通文本"), "普通文本");
  EXPECT_EQ(MakeHistoryTextFrom936("\xEF\xBB\xBA\xC3"), "\xEF\xBB\xBA\xC3");
  const std::string kept = MakeHistoryTextFrom936("\xEF\xBB\xBF\x41");
  EXPECT_EQ(Hex(kept), Hex(kMark + Utf8(u8"锘緼")));
  EXPECT_TRUE(HistoryTextToUtf16(kept) == u"锘緼");
}

TEST(Utf8Checker, PiecesAreCheckedAsAWhole) {
  struct Case {
    std::string bytes;
    bool valid;
    const char* what;
  };
  const Case cases[] = {
      {Utf8(u8"你好😀abc"), true, "Chinese, an emoji, ASCII"},
      {"\xC0\x80", false, "overlong zero"},
      {"\xE0\x80\xAF", false, "overlong slash"},
      {"\xED\xA0\x80", false, "a surrogate"},
      {"\xF4\x90\x80\x80", false, "past U+10FFFF"},
      {"\xF5\x80\x80\x80", false, "no such lead byte"},
      {"\xE4\xBD", false, "cut off at the end"},
      {"\x80", false, "a stray continuation byte"},
      {"", true, "nothing"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.what;
    // Fed one byte at a time, as blocks of a file may split a character.
    Utf8Checker checker;
    for (char b : c.bytes) checker.Feed(std::string_view(&b, 1));
    EXPECT_EQ(checker.Finish(), c.valid) << c.what << ", fed byte by byte";
  }
}

TEST(HistoryText, CutCountsColumnsAndNeverSplitsACharacter) {
  struct Case {
    std::string text;
    std::size_t width;
    std::string kept;
    bool cut;
    const char* what;
  };
  const Case cases[] = {
      {"abcdef", 4, "abcd", true, "936: bytes"},
      {"ab粘贴", 3, "ab", true, "936: no half character"},
      {"ab粘贴", 6, "ab粘贴", false, "936: fits"},
      {kMark + Utf8(u8"ab😀한"), 4, kMark + Utf8(u8"ab😀"), true, "UTF-8: an emoji counts two"},
      {kMark + Utf8(u8"ab😀한"), 5, kMark + Utf8(u8"ab😀"), true, "UTF-8: no half character"},
      {kMark + Utf8(u8"ab😀한"), 6, kMark + Utf8(u8"ab😀한"), false, "UTF-8: fits"},
      // Cut before the byte that made it no UTF-8: the rest would read as
      // UTF-8, so it turns into UTF-8 of its characters.
      {"\xEF\xBB\xBF\x41\xB0\xA1", 4, kMark + Utf8(u8"锘緼"), true, "936 whose cut looks like UTF-8"},
  };
  for (const Case& c : cases) {
    bool cut = !c.cut;
    EXPECT_EQ(Hex(CutHistoryText(c.text, c.width, &cut)), Hex(c.kept)) << c.what;
    EXPECT_EQ(cut, c.cut) << c.what;
  }
}

}  // namespace
}  // namespace kelvarion
