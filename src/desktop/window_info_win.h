// Which program a top-level window belongs to, and its title.
#pragma once

#include <windows.h>

#include <string>

namespace kelvarion {

// For a visible top-level window (the foreground window when none is given):
// the full path of its process's executable and the window's title, both code
// page 936. Returns the window, or nullptr when it is not a visible top-level
// window; the outputs are written only on success (the path stays empty when
// the process cannot be queried).
HWND GetWindowProcessInfo(std::string& programPath, std::string& title, HWND window = nullptr);

}  // namespace kelvarion
