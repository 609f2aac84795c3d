// Which program a top-level window belongs to, and its title.
#pragma once

#include <windows.h>

#include <string>

#include "clip/capture.h"

namespace kelvarion {

// For a visible top-level window (the foreground window when none is given):
// the full path of its process's executable and the window's title, both code
// page 936. Returns the window, or nullptr when it is not a visible top-level
// window; the outputs are written only on success (the path stays empty when
// the process cannot be queried).
HWND GetWindowProcessInfo(std::string& programPath, std::string& title, HWND window = nullptr);

// The program and title of the window in front at the last clipboard change,
// for the capture of all formats (its icon and memo).
class ForegroundClipboardOrigin : public ClipboardOrigin {
 public:
  // Notes the foreground window's program and title; both empty when it is
  // no visible top-level window.
  void Record();
  ClipboardSource GetClipboardSource() const override { return source_; }

 private:
  ClipboardSource source_;
};

}  // namespace kelvarion
