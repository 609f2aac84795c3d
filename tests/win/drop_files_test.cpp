#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "history/history_view_win.h"
#include "win/text_win.h"

namespace kelvarion {
namespace {

// A drop as the shell hands it over: a DROPFILES header and the wide paths,
// each zero-terminated, with an empty one at the end.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& p : paths) list += p + L'\0';
  list += L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST(DropFiles, LongPathsArriveWhole) {
  const std::wstring deep = L"C:\\" + std::wstring(300, L'剪') + L"\\" + std::wstring(400, L'a') + L".txt";
  const std::wstring longUnc = L"\\\\?\\UNC\\server\\share\\" + std::wstring(1000, L'z');
  const std::vector<std::wstring> paths = {L"C:\\短.txt", deep, longUnc, std::wstring(511, L'b'),
                                           std::wstring(512, L'c')};
  HDROP drop = MakeDrop(paths);
  std::string expected;
  for (const std::wstring& p : paths) expected += Narrow(p) + "\r\n";
  const std::string text = ReadDroppedFileNames(drop);
  EXPECT_EQ(text.size(), expected.size()) << "no path may be cut";
  EXPECT_EQ(text, expected);
  GlobalFree(drop);
}

}  // namespace
}  // namespace kelvarion
