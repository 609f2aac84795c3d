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
// A history text in either kept form (code page 936 bytes, or UTF-8 behind
// the mark): what the list and the menus show of copied texts.
std::wstring WidenHistoryText(std::string_view text);

// A window's text (a control's contents, a frame's title) whole, as code
// page 936; empty for no window.
std::string GetWindowTextCp936(HWND window);

}  // namespace kelvarion
