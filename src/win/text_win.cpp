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

}  // namespace kelvarion
