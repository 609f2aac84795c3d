#include "win/text_win.h"

#include <windows.h>

#include "base/codepage.h"
#include "base/history_text.h"

namespace kelvarion {

// The conversions of the code-page rules, with wchar_t as the UTF-16 code
// unit it is on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Widen(std::string_view cp936) {
  const std::u16string wide = Cp936ToUtf16(cp936);
  return std::wstring(wide.begin(), wide.end());
}

std::wstring WidenHistoryText(std::string_view text) {
  const std::u16string wide = HistoryTextToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view wide) {
  return Utf16ToCp936(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
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
