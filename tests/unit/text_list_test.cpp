#include "base/text_list.h"

#include <gtest/gtest.h>

namespace kelvarion {
namespace {

TEST(TextList, SafeReadAndGrowingWrite) {
  CTextList list;
  EXPECT_EQ(list.Get(0), "");
  EXPECT_EQ(list.Get(-1), "");
  list.Set(3, "d");
  ASSERT_EQ(list.GetSize(), 4) << "writing past the end grows to index + 1";
  EXPECT_EQ(list.Get(0), "");
  EXPECT_EQ(list.Get(3), "d");
  list.Set(-1, "x");
  EXPECT_EQ(list.GetSize(), 4);
}

TEST(TextList, FindHonoursStartCaseAndPartMatch) {
  CTextList list{"Alpha", "beta", "ALPHABET", "\xD5\x66"};  // the last is a Chinese character with trail 'f'
  EXPECT_EQ(list.Find("alpha"), -1);
  EXPECT_EQ(list.Find("alpha", 0, true), 0);
  EXPECT_EQ(list.Find("alpha", 1, true), -1);
  EXPECT_EQ(list.Find("alpha", 1, true, true), 2);
  EXPECT_EQ(list.Find("F", 0, true, true), -1) << "a trail byte is not a letter";
  EXPECT_EQ(list.Find("\xD5\x66", 0, true), 3) << "case folding must leave the double-byte character whole";
}

TEST(TextList, SortIsByteOrderOrCaseless) {
  CTextList list{"b", "\xC4\xE3", "B", "a", "UNICODETEXT", "DIB"};
  list.Sort();
  EXPECT_EQ(list, (CTextList{"B", "DIB", "UNICODETEXT", "a", "b", "\xC4\xE3"})) << "bytes above 0x7F sort last";
  CTextList caseless{"b", "A", "c"};
  caseless.Sort(true);
  EXPECT_EQ(caseless, (CTextList{"A", "b", "c"}));
}

TEST(NumberList, SafeReadGrowthAndRangedFind) {
  CNumberList list;
  EXPECT_EQ(list.Get(5), 0u);
  list.Set(2, 49161);
  ASSERT_EQ(list.GetSize(), 3);
  list.Set(0, 7);
  EXPECT_EQ(list.Find(49161), 2);
  EXPECT_EQ(list.Find(49161, 0, 2), -1) << "end is exclusive";
  EXPECT_EQ(list.Find(7, 1), -1);
  EXPECT_EQ(list.Find(0), 1);
}

}  // namespace
}  // namespace kelvarion
