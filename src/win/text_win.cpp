#include "win/text_win.h"

#include <windows.h>

#include "base/codepage.h"

namespace kelvarion {

std::wstring Widen(std::string_view cp936) {
  if (cp936.empty() || cp936.size() > kMaxConvertibleLength) return std::wstring();
  int n = MultiByteToWideChar(936, 0, cp936.data(), static_cast<int>(cp936.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, cp936.data(), static_cast<int>(cp936.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty() || wide.size() > kMaxConvertibleLength) return std::string();
  int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string GetWindowTextCp936(HWND window) {
  // A growing buffer rather than asking for the length first: for another
  // process's window GetWindowTextW reads the title without sending the
  // window a message, so a hung program cannot hold us up.
  constexpr std::size_t kMaxChars = std::size_t{1} << 24;
  std::wstring text(256, L'\0');
  for (;;) {
    const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    const std::size_t n = got > 0 ? static_cast<std::size_t>(got) : 0;
    if (n + 1 < text.size() || text.size() >= kMaxChars) {
      text.resize(n);
      return Narrow(text);
    }
    text.resize(text.size() * 2);
  }
}

}  // namespace kelvarion
