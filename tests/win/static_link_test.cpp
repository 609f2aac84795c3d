#include "settings/static_link_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "message_pump.h"

namespace kelvarion {
namespace {

// A hidden parent with one static control of the given style.
class LinkHost {
 public:
  explicit LinkHost(DWORD style, const wchar_t* text = L"support@kelvarion.example") {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    control_ = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 20, parent_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), nullptr, nullptr);
  }
  ~LinkHost() { DestroyWindow(parent_); }
  static constexpr int kId = 1042;
  HWND parent() const { return parent_; }
  HWND control() const { return control_; }

 private:
  HWND parent_ = nullptr;
  HWND control_ = nullptr;
};

TEST(StaticLinkTest, TextStaticsAreColouredOnAHollowBrushIconStaticsAreLeftToTheParent) {
  struct Case {
    DWORD style;
    bool coloured;
  } cases[] = {{SS_LEFT, true}, {SS_CENTER, true}, {SS_RIGHT, true}, {SS_ICON, false}};
  for (const Case& c : cases) {
    LinkHost host(c.style);
    ASSERT_NE(host.control(), nullptr);
    CStaticLink link("mailto:support@kelvarion.example");
    ASSERT_TRUE(link.SubclassDlgItem(LinkHost::kId, host.parent()));
    HDC dc = GetDC(host.control());
    SetTextColor(dc, RGB(1, 2, 3));
    HBRUSH brush = link.OnCtlColor(dc);
    if (c.coloured) {
      EXPECT_EQ(brush, GetStockObject(HOLLOW_BRUSH)) << "style " << c.style;
      EXPECT_EQ(GetTextColor(dc), CStaticLink::kUnvisitedColour) << "style " << c.style;
      EXPECT_EQ(GetBkMode(dc), TRANSPARENT) << "style " << c.style;
    } else {
      EXPECT_EQ(brush, nullptr) << "an icon static must keep its look";
      EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3)) << "an icon static's DC must be left alone";
    }
    ReleaseDC(host.control(), dc);
  }
}

TEST(StaticLinkTest, TurnsRedUnderTheMouseAndBlueAgainOnceItHasLeft) {
  LinkHost host(SS_LEFT);
  CStaticLink link("mailto:support@kelvarion.example");
  ASSERT_TRUE(link.SubclassDlgItem(LinkHost::kId, host.parent()));
  // The mouse far away from the control (which sits in a hidden window).
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  EXPECT_EQ(SendMessageW(host.control(), WM_NCHITTEST, 0, 0), HTCLIENT) << "a link must take the mouse";
  EXPECT_EQ(link.GetColour(), CStaticLink::kOverColour);
  const ULONGLONG start = GetTickCount64();
  ASSERT_TRUE(test::PumpUntil([&] { return link.GetColour() == CStaticLink::kUnvisitedColour; }, 3000))
      << "the colour did not go back after the mouse left";
  // The timer looks every 100 ms; allow for a busy machine.
  EXPECT_LT(GetTickCount64() - start, 1500u);
}

TEST(StaticLinkTest, ShowsTheHandCursor) {
  LinkHost host(SS_ICON);
  CStaticLink link("http://www.kelvarion.example/");
  ASSERT_TRUE(link.SubclassDlgItem(LinkHost::kId, host.parent()));
  EXPECT_EQ(SendMessageW(host.control(), WM_SETCURSOR, reinterpret_cast<WPARAM>(host.control()),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_NE(GetLinkCursor(), nullptr);
  EXPECT_EQ(GetCursor(), GetLinkCursor()) << "the hand cursor was not set";
}

TEST(StaticLinkTest, ALinkThatCannotBeOpenedKeepsItsColour) {
  EXPECT_EQ(CHyperlink().Navigate(), 0) << "an empty link opens nothing";
  LinkHost host(SS_LEFT);
  CStaticLink link("Z:\\no such folder\\no such file.kelvarion-nothing");
  ASSERT_TRUE(link.SubclassDlgItem(LinkHost::kId, host.parent()));
  SendMessageW(host.control(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(link.GetColour(), CStaticLink::kUnvisitedColour) << "a failed click must not look visited";
}

TEST(StaticLinkTest, WithoutALinkTheClickTakesTheControlsText) {
  LinkHost host(SS_LEFT, L"Z:\\no such folder\\either.kelvarion-nothing");
  CStaticLink link;
  ASSERT_TRUE(link.SubclassDlgItem(LinkHost::kId, host.parent()));
  SendMessageW(host.control(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(link.GetLink(), "Z:\\no such folder\\either.kelvarion-nothing");
}

}  // namespace
}  // namespace kelvarion
