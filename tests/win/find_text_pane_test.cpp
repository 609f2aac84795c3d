#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "archive/find_views_win.h"

namespace kelvarion {
namespace {

// The search window's text pane on a hidden parent of its own.
class FindTextPane : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
    ASSERT_TRUE(pane_.Create(parent_, 1));
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
  }
  void Select(DWORD start, DWORD end) { SendMessageW(pane_.Hwnd(), EM_SETSEL, start, end); }
  std::pair<DWORD, DWORD> Selection() {
    DWORD start = 0, end = 0;
    SendMessageW(pane_.Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  void Request(DWORD flags, const wchar_t* what, const wchar_t* with = L"") {
    FINDREPLACEW request{};
    request.lStructSize = sizeof(request);
    request.Flags = flags;
    request.lpstrFindWhat = const_cast<wchar_t*>(what);
    request.lpstrReplaceWith = const_cast<wchar_t*>(with);
    pane_.OnFindReplace(request);
  }

  HWND parent_ = nullptr;
  CFind_KelvarionView pane_{GetModuleHandleW(nullptr)};
};

TEST_F(FindTextPane, FindsForwardBackwardWithCaseWordsAndWrapping) {
  //                 0123456789012345678901
  const wchar_t* text = L"Apple apple pineapple 北京apple";
  struct Case {
    const char* what;
    DWORD selStart, selEnd;
    const wchar_t* needle;
    bool down, matchCase, wholeWord;
    bool found;
    DWORD start, end;
  } cases[] = {
      {"down from the start, any case", 0, 0, L"APPLE", true, false, false, true, 0, 5},
      {"down after the selection", 0, 5, L"apple", true, false, false, true, 6, 11},
      {"matching case skips Apple", 0, 0, L"apple", true, true, false, true, 6, 11},
      {"whole words skip pineapple", 7, 7, L"apple", true, false, true, true, 0, 5},  // wraps round to the first
      {"after the last it wraps round", 25, 29, L"apple", true, true, false, true, 6, 11},
      {"up from the end", 29, 29, L"apple", false, true, false, true, 24, 29},
      {"up before the selection", 16, 21, L"apple", false, false, false, true, 6, 11},
      {"Chinese", 0, 0, L"北京", true, false, false, true, 22, 24},
      {"not there", 3, 4, L"pear", true, false, false, false, 3, 4},
  };
  pane_.SetText(text);
  for (const Case& c : cases) {
    Select(c.selStart, c.selEnd);
    EXPECT_EQ(pane_.FindInPane(c.needle, c.down, c.matchCase, c.wholeWord), c.found) << c.what;
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{c.start, c.end})) << c.what;
  }
}

TEST_F(FindTextPane, ReplaceTakesTheMatchedSelectionAndReplaceAllEveryMatch) {
  pane_.SetText(L"one two one two");
  Select(0, 3);
  Request(FR_REPLACE, L"ONE", L"1");
  EXPECT_EQ(pane_.GetText(), L"1 two one two") << "the selection matched and was replaced";
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{6, 9})) << "then the next match is selected";

  Select(0, 1);
  Request(FR_REPLACE | FR_MATCHCASE, L"two", L"2");
  EXPECT_EQ(pane_.GetText(), L"1 two one two") << "a selection that does not match is not replaced";

  Request(FR_REPLACEALL | FR_WHOLEWORD, L"two", L"二");
  EXPECT_EQ(pane_.GetText(), L"1 二 one 二");
  SendMessageW(pane_.Hwnd(), WM_UNDO, 0, 0);
  EXPECT_EQ(pane_.GetText(), L"1 two one two") << "replace all is one undo step";
}

TEST(FindTextConversion, DatabaseTextKeepsCharactersOutsideCodePage936) {
  // UTF-8 of "首尔 서울 😀" and a lone line feed.
  const std::string utf8 = "\xE9\xA6\x96\xE5\xB0\x94 \xEC\x84\x9C\xEC\x9A\xB8 \xF0\x9F\x98\x80\nend";
  EXPECT_EQ(WithCrLf(WidenUtf8(utf8)), std::wstring(L"\u9996\u5C14 \uC11C\uC6B8 ") + wchar_t(0xD83D) + wchar_t(0xDE00) + L"\r\nend");
  EXPECT_EQ(WithCrLf(L"a\r\nb\n\nc"), L"a\r\nb\r\n\r\nc") << "existing CR LF pairs stay as they are";
}

}  // namespace
}  // namespace kelvarion
