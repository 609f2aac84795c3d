#include "win/file_filter_win.h"

#include "base/strings.h"
#include "base/text_list.h"
#include "win/text_win.h"

namespace kelvarion {

std::wstring MakeFileFilter(std::string_view filter) {
  CTextList parts;
  SplitString(filter, "|", parts);
  std::wstring result;
  for (int i = 0; i + 1 < parts.GetSize(); i += 2) {
    if (parts.Get(i).empty()) break;
    result += Widen(parts.Get(i));
    result += L'\0';
    result += Widen(Trim(parts.Get(i + 1), kBlanks));
    result += L'\0';
  }
  result += L'\0';
  return result;
}

}  // namespace kelvarion
