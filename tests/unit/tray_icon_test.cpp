#include "app/tray_icon.h"

#include <gtest/gtest.h>

namespace kelvarion {
namespace {

// The one rule behind every setting of the icon: the start, each change of
// listening, and the shell's restart all show the same for the same state.
TEST(TrayIcon, IconAndTipFollowListeningAndTheDesktop) {
  struct Case {
    bool listening;
    int desktopState;
    bool watching;
    const char* tip;
  };
  const Case cases[] = {
      {true, 0, true, "Kelvarion - 正在监听粘贴板"},
      {false, 0, false, "Kelvarion - 暂停监听粘贴板"},
      {true, 1, false, "Kelvarion - 正在监听粘贴板"},
      {false, 1, false, "Kelvarion - 暂停监听粘贴板"},
  };
  for (const Case& c : cases) {
    const TrayLook look = MakeTrayLook(c.listening, c.desktopState, " Kelvarion");
    EXPECT_EQ(look.watching, c.watching) << "listening " << c.listening << ", desktop " << c.desktopState;
    EXPECT_EQ(look.tip, c.tip) << "listening " << c.listening << ", desktop " << c.desktopState;
  }
}

TEST(TrayIcon, TipLosesOnlyTheLeadingBlanks) {
  EXPECT_EQ(MakeTrayLook(true, 0, "   粘贴板 助手 ").tip, "粘贴板 助手  - 正在监听粘贴板");
  EXPECT_EQ(MakeTrayLook(false, 0, "").tip, "- 暂停监听粘贴板") << "an empty title leaves the state alone";
}

}  // namespace
}  // namespace kelvarion
