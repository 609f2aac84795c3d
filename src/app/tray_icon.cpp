#include "app/tray_icon.h"

namespace kelvarion {

TrayLook MakeTrayLook(bool listening, int desktopState, const std::string& windowText) {
  TrayLook look;
  look.watching = listening && desktopState == 0;
  const std::string tip = windowText + (listening ? kWatchingTipSuffix : kPausedTipSuffix);
  const std::size_t first = tip.find_first_not_of(' ');
  look.tip = first == std::string::npos ? std::string() : tip.substr(first);
  return look;
}

}  // namespace kelvarion
