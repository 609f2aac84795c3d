// The frame's membership of the system's clipboard viewer chain: joined once,
// left once, and every notice passed on to the next viewer with a bound on
// how long a hung one may hold us up.
#pragma once

#include <windows.h>

namespace kelvarion {

class ClipboardViewerChain {
 public:
  // How long a hung next viewer may hold up a notice we pass on; the chain's
  // order is kept, we just stop waiting for it.
  static constexpr UINT kForwardTimeoutMs = 1000;

  // The window that is the member, set once it exists.
  void SetWindow(HWND window) { window_ = window; }

  // Joining twice would make the window its own next viewer, and leaving a
  // chain it is not in would send the chain a removal it never asked for:
  // both are kept to one step.
  void Join();
  void Leave();
  bool IsJoined() const { return joined_; }

  // WM_DRAWCLIPBOARD: passes the change on to the next viewer.
  void ForwardChange();
  // WM_CHANGECBCHAIN: removed leaves the chain, next is the window after it.
  void OnChangeChain(HWND removed, HWND next);

 private:
  HWND window_ = nullptr;
  HWND next_ = nullptr;
  bool joined_ = false;
};

}  // namespace kelvarion
