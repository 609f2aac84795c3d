#include <windows.h>

#include "base/codepage.h"

namespace kelvarion {

namespace {
std::string Convert(std::string_view text, UINT from, UINT to) {
  if (text.empty() || text.size() > kMaxConvertibleLength) return std::string();
  int wideLength = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wideLength <= 0) return std::string();
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
  int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
  return out;
}
}  // namespace

std::string Utf16ToCp936(std::u16string_view text) {
  if (text.empty() || text.size() > kMaxConvertibleLength) return std::string();
  // wchar_t is a UTF-16 code unit on Windows.
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int length = WideCharToMultiByte(936, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(936, 0, wide, static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
  return out;
}

std::string Cp936ToUtf8(std::string_view text) { return Convert(text, 936, CP_UTF8); }
std::string Utf8ToCp936(std::string_view text) { return Convert(text, CP_UTF8, 936); }

std::u16string Cp936ToUtf16(std::string_view text) {
  if (text.empty() || text.size() > kMaxConvertibleLength) return std::u16string();
  int length = MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::u16string();
  std::u16string out(static_cast<std::size_t>(length), u'\0');
  MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(out.data()),
                      length);
  return out;
}

}  // namespace kelvarion
