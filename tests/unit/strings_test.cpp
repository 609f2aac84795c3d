#include "base/strings.h"

#include <gtest/gtest.h>

#include <climits>

#include "base/dbcs.h"

namespace kelvarion {
namespace {

TEST(SplitString, PartsBetweenSeparators) {
  struct Case {
    std::string text, separator;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"a,b,c", ",", {"a", "b", "c"}},
      {"a,b,", ",", {"a", "b"}},  // a trailing separator yields no empty last part
      {",a", ",", {"", "a"}},
      {"a,,b", ",", {"a", "", "b"}},
      {",", ",", {""}},
      {"", ",", {}},
      {"abc", "", {}},
      {"[a]\r\nk=1\r\n\r\n", "\r\n", {"[a]", "k=1", ""}},
      {"a\nb", "\r\n", {"a\nb"}},
      // "\x81\x5C" is one Chinese character whose trail byte is '\'.
      {"\x81\x5C" "\\b", "\\", {"\x81\x5C", "b"}},
      {"x\x81\x5C", "\\", {"x\x81\x5C"}},
  };
  for (const Case& c : cases) {
    CTextList list{"kept"};
    SplitString(c.text, c.separator, list);
    std::vector<std::string> expected{"kept"};
    expected.insert(expected.end(), c.parts.begin(), c.parts.end());
    EXPECT_EQ(list.Items(), expected) << "splitting \"" << c.text << "\" at \"" << c.separator << "\"";
  }
}

TEST(StrToInt, ReadsLikeTheSettingsFilesNeed) {
  const std::pair<const char*, int> cases[] = {
      {"", 0},           {"abc", 0},       {"  42", 42},     {"\t-7x", -7},   {"+5", 5},
      {"12ab34", 12},    {"- 5", 0},       {"0x10", 0},      {"007", 7},      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},             {"-2147483648", INT_MIN},          {"-99999999999999999999", INT_MIN},
      {"99999999999999999999", INT_MAX},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(StrToInt(text), value) << "StrToInt(\"" << text << "\")";
}

TEST(NumberTexts, DecimalAndZeroPadded) {
  EXPECT_EQ(IntToString(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(UIntToString(4294967295u), "4294967295");
  EXPECT_EQ(IntToZeroPadded(5, 3), "005");
  EXPECT_EQ(IntToZeroPadded(98, 3), "098");
  EXPECT_EQ(IntToZeroPadded(1234, 3), "1234") << "longer texts are not cut";
  EXPECT_EQ(IntToZeroPadded(7, 0), "7");
  EXPECT_EQ(RepeatString("ab", 3), "ababab");
  EXPECT_EQ(RepeatString("ab", 0), "");
  EXPECT_EQ(RepeatString("ab", -2), "");
}

TEST(Trim, RemovesWhiteSpaceAtTheEnds) {
  EXPECT_EQ(TrimRight("Y  \t\r\n"), "Y");
  EXPECT_EQ(TrimRight("  \t"), "");
  EXPECT_EQ(TrimLeft(" \tv v "), "v v ");
  EXPECT_EQ(Trim("  a b  ", kBlanks), "a b");
  EXPECT_EQ(Trim("\r\na\r\n", kBlanks), "\r\na\r\n") << "blanks only, not line ends";
  EXPECT_EQ(TrimRight("\xD5\x66 "), "\xD5\x66");
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

TEST(MakeTimeStampName, LocalTimeAndHundredths) {
  const std::time_t t = LocalTime(2024, 3, 5, 7, 8, 9);
  EXPECT_EQ(MakeTimeStampName(t, 987), "2024030507080998");
  EXPECT_EQ(MakeTimeStampName(t, 989), MakeTimeStampName(t, 987))
      << "two captures within one hundredth of a second share a name";
  EXPECT_EQ(MakeTimeStampName(t, 0).substr(14), "00");
  EXPECT_EQ(MakeTimeStampName(t, 5).substr(14), "00") << "5 ms is 005, whose first two digits are 00";
  EXPECT_EQ(MakeTimeStampName(t, 50).substr(14), "05");
  EXPECT_EQ(MakeTimeStampName(t, 999).substr(14), "99");
  EXPECT_EQ(MakeTimeStampName(LocalTime(1999, 12, 31, 23, 59, 58), 120), "1999123123595812");
  for (int ms : {-1, 1000, 123456}) {
    EXPECT_EQ(MakeTimeStampName(t, ms).size(), 16u) << "milliseconds " << ms << " must still give a 16-digit name";
  }
}

TEST(DoubleByte, UpperCasingLeavesTrailBytesAlone) {
  // "\xD5\x66" is one character whose trail byte is 'f'.
  EXPECT_EQ(ToUpper("ab\xD5\x66" "cd"), "AB\xD5\x66" "CD");
  EXPECT_FALSE(EqualsNoCase("\xD5\x66", "\xD5\x46")) << "different characters must not fold together";
}

}  // namespace
}  // namespace kelvarion
