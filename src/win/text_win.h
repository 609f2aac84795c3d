// The Win32 boundary: the program's code page 936 texts become UTF-16 for the
// W functions and back, whatever the process's ANSI code page is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelvarion {

// Texts too long for the W functions' int lengths come back empty, never cut.
std::wstring Widen(std::string_view cp936);
std::string Narrow(std::wstring_view wide);

// A window's text (a control's contents, a frame's title) whole, as code
// page 936; empty for no window.
std::string GetWindowTextCp936(HWND window);

}  // namespace kelvarion
