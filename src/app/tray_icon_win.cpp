#include "app/tray_icon_win.h"

#include <algorithm>
#include <string>

#include "app/tray_icon.h"
#include "res/resource_ids.h"
#include "win/text_win.h"

namespace kelvarion {

NOTIFYICONDATAW TrayIcon::Record(const State& state) const {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  const TrayLook look = MakeTrayLook(state.listening, state.desktopState, GetWindowTextCp936(owner_));
  data.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(look.watching ? IDI_WATCHING : IDI_PAUSED));
  // The tip field holds 128 characters with its terminator.
  const std::wstring tip = Widen(look.tip).substr(0, std::size(data.szTip) - 1);
  std::copy(tip.begin(), tip.end(), data.szTip);
  data.szTip[tip.size()] = L'\0';
  return data;
}

bool TrayIcon::Add(const State& state) {
  NOTIFYICONDATAW data = Record(state);
  return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool TrayIcon::Update(const State& state) {
  NOTIFYICONDATAW data = Record(state);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void TrayIcon::Restore(const State& state) {
  if (!Add(state)) Update(state);
}

void TrayIcon::Remove() {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &data);
}

}  // namespace kelvarion
