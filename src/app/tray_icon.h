// What the notification-area icon shows: the watching or the paused icon and
// a tip that says whether the clipboard is watched. One rule for every time
// the icon is set (added at start, changed when listening changes, added
// again when the shell was restarted), so that it never tells another story.
#pragma once

#include <string>

namespace kelvarion {

inline constexpr char kWatchingTipSuffix[] = " - 正在监听粘贴板";
inline constexpr char kPausedTipSuffix[] = " - 暂停监听粘贴板";

struct TrayLook {
  bool watching = false;  // the watching icon; else the paused one
  std::string tip;        // code page 936, not yet cut to the tip field
};

// listening: the frame is in the clipboard viewer chain. desktopState: 0 on
// the first desktop, 1 on the second one of the desktop switch, which the
// paused icon marks too. The tip is the frame's title and the listening
// state, without leading blanks.
TrayLook MakeTrayLook(bool listening, int desktopState, const std::string& windowText);

}  // namespace kelvarion
