// The frame's notification-area icon. Every change goes through one builder,
// so the icon and tip follow listening and the desktop state alike when the
// icon is added, changed, or added again after the shell was restarted.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace kelvarion {

inline constexpr UINT kTrayIconId = 0x402;
inline constexpr UINT kTrayMessage = WM_USER + 1;

class TrayIcon {
 public:
  struct State {
    bool listening = false;
    int desktopState = 0;
  };

  explicit TrayIcon(HINSTANCE instance) : instance_(instance) {}
  // The frame whose title the tip shows and which gets kTrayMessage.
  void SetOwner(HWND owner) { owner_ = owner; }

  bool Add(const State& state);
  bool Update(const State& state);
  // "TaskbarCreated": a restarted shell has lost the icon, so it is added
  // again; a shell that kept it gets it changed instead.
  void Restore(const State& state);
  void Remove();

 private:
  NOTIFYICONDATAW Record(const State& state) const;

  HINSTANCE instance_;
  HWND owner_ = nullptr;
};

}  // namespace kelvarion
