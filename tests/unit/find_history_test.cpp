#include "archive/find_history.h"

#include <gtest/gtest.h>

#include "base/ini.h"
#include "platform/memory/fixed_environment.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ScratchDir;

TEST(FindSearchText, TrimmedUpperCasedAndBlanksFoldedInOnePass) {
  struct Case {
    const char* typed;
    const char* searched;
  } cases[] = {
      {"  it's  ", "IT'S"},
      {"a  b", "A B"},
      {"a   b", "A  B"},       // three blanks: the first two become one
      {"a    b", "A  B"},      // four become two, which leaves an empty word
      {"北京 abc", "北京 ABC"},  // double-byte characters are not cased
      {"說d", "說D"},            // D5 66: the trail byte is 'f' and stays as it is
      {"   ", ""},
      {"\ta", "\tA"},            // only blanks are trimmed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeSearchText(c.typed), c.searched) << "typed [" << c.typed << "]";
  }
}

std::vector<std::string> Filled(int count) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back("W" + std::to_string(i));
  return out;
}

TEST(FindHistory, ASearchMovesOrPushesItsTextToTheFront) {
  struct Case {
    const char* what;
    std::vector<std::string> before;
    std::string text;
    std::vector<std::string> after;
  };
  std::vector<std::string> twentyAfter = Filled(19);
  twentyAfter.insert(twentyAfter.begin(), "NEW");
  std::vector<std::string> threeAfter = {"NEW", "W0", "W1", "W2"};
  threeAfter.resize(20);
  const Case cases[] = {
      {"a text already there moves up, the ones before it down", {"A", "B", "C", "D"}, "C", {"C", "A", "B", "D"}},
      {"the first entry stays", {"A", "B"}, "A", {"A", "B"}},
      {"with 20 entries the oldest drops off", Filled(20), "NEW", twentyAfter},
      {"with 3 entries the history becomes 20 long", Filled(3), "NEW", threeAfter},
  };
  for (const Case& c : cases) {
    CFindHistory history;
    history.Load(c.before);
    history.Add(c.text);
    EXPECT_EQ(history.Entries(), c.after) << c.what;
  }
}

TEST(FindHistory, SurvivesTheSettingsFileWithEmptyEntriesSkipped) {
  ScratchDir dir;
  FixedEnvironment env(dir.path() + "Kelvarion.exe", "PC1", "alice");
  {
    CTessarynApp app(env, HostFileSystem());
    CFindHistory history;
    history.Load(app.ReadFindHistory());
    EXPECT_TRUE(history.IsEmpty()) << "a new settings file has no history";
    for (const char* text : {"北京", "ABC", "X Y"}) history.Add(text);
    history.Add("ABC");
    app.WriteFindHistory(history.ToStore());
    EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), app.GetUserIniPath(), "Find", "0"), "ABC");
    EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), app.GetUserIniPath(), "Find", "2"), "北京");
    IniEntries written;
    ReadIniSectionValues(HostFileSystem(), app.GetUserIniPath(), "Find", written);
    EXPECT_EQ(written.size(), 20u) << "the empty places are written as empty values";
  }
  // A hand edit: blanks, lower case, a gap.
  CTessarynApp app(env, HostFileSystem());
  ASSERT_NE(WriteIniString(HostFileSystem(), app.GetUserIniPath(), "Find", "5", "  it's "), 0);
  CFindHistory history;
  history.Load(app.ReadFindHistory());
  EXPECT_EQ(history.Entries(), (std::vector<std::string>{"ABC", "X Y", "北京", "IT'S"}));
}

TEST(FindTexts, CountNodeMessageAndCaption) {
  EXPECT_EQ(FoundCountText(0), "找到0条符合条件的记录");
  EXPECT_EQ(FoundCountText(522405), "找到522405条符合条件的记录");
  EXPECT_EQ(MissingDatabaseMessage("C:\\a\\tessaryn.mdb"),
            "    找不到历史记录数据库文件\"C:\\a\\tessaryn.mdb\",请确认您在主程序的设置中选择了"
            "\"将历史文件备份到数据库中\"\r\n\r\n    本功能仅用于查找历史数据,谢谢!");
  EXPECT_EQ(SearchWindowCaption(" Kelvarion"), " Kelvarion - 历史记录查找");
}

}  // namespace
}  // namespace kelvarion
