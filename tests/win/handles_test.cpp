#include "win/handles.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <wininet.h>

#include <string>
#include <type_traits>

namespace kelvarion {
namespace {

// Per kind: how to make a live handle and how to tell, from outside, that the
// system still knows it. Each test frees what it made, through a holder.
struct WindowKind {
  using Holder = WindowHandle;
  static HWND Make() {
    return CreateWindowExW(0, L"STATIC", L"handle test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  static bool IsAlive(HWND h) { return IsWindow(h) != FALSE; }
};

struct MenuKind {
  using Holder = MenuHandle;
  static HMENU Make() { return CreatePopupMenu(); }
  static bool IsAlive(HMENU h) { return IsMenu(h) != FALSE; }
};

struct GdiKind {
  using Holder = GdiObject<HBRUSH>;
  static HBRUSH Make() { return CreateSolidBrush(RGB(1, 2, 3)); }
  static bool IsAlive(HBRUSH h) { return GetObjectType(h) == OBJ_BRUSH; }
};

struct IconKind {
  using Holder = IconHandle;
  static HICON Make() { return CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)); }
  static bool IsAlive(HICON h) {
    ICONINFO info = {};
    if (!GetIconInfo(h, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
  }
};

struct GlobalKind {
  using Holder = GlobalHandle;
  static HGLOBAL Make() { return GlobalAlloc(GMEM_MOVEABLE, 64); }
  static bool IsAlive(HGLOBAL h) { return GlobalSize(h) >= 64; }
};

constexpr wchar_t kTestKey[] = L"Software\\Kelvarion-handles-test";

struct KeyKind {
  using Holder = KeyHandle;
  static HKEY Make() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return nullptr;
    return key;
  }
  static bool IsAlive(HKEY h) {
    DWORD subKeys = 0;
    return RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
  }
};

struct KernelKind {
  using Holder = KernelHandle;
  static HANDLE Make() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  static bool IsAlive(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
  }
};

struct ImageListKind {
  using Holder = ImageListHandle;
  static HIMAGELIST Make() { return ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 2); }
  static bool IsAlive(HIMAGELIST h) {
    int cx = 0;
    int cy = 0;
    return ImageList_GetIconSize(h, &cx, &cy) != FALSE;
  }
};

struct InternetKind {
  using Holder = InternetHandle;
  static HINTERNET Make() { return InternetOpenW(L"handles-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0); }
  static bool IsAlive(HINTERNET h) {
    DWORD type = 0;
    DWORD size = sizeof(type);
    return InternetQueryOptionW(h, INTERNET_OPTION_HANDLE_TYPE, &type, &size) != FALSE;
  }
};

template <typename Kind>
class HandleHolderTest : public ::testing::Test {
 protected:
  using Holder = typename Kind::Holder;
  static void TearDownTestSuite() { RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey); }

  typename Holder::Handle MakeLive() {
    auto h = Kind::Make();
    EXPECT_TRUE(h) << "could not make a handle to test with";
    EXPECT_TRUE(Kind::IsAlive(h)) << "a fresh handle does not look alive";
    return h;
  }
};

using HandleKinds = ::testing::Types<WindowKind, MenuKind, GdiKind, IconKind, GlobalKind, KeyKind, KernelKind,
                                     ImageListKind, InternetKind>;
class KindNames {
 public:
  template <typename T>
  static std::string GetName(int) {
    if (std::is_same_v<T, WindowKind>) return "Window";
    if (std::is_same_v<T, MenuKind>) return "Menu";
    if (std::is_same_v<T, GdiKind>) return "Gdi";
    if (std::is_same_v<T, IconKind>) return "Icon";
    if (std::is_same_v<T, GlobalKind>) return "Global";
    if (std::is_same_v<T, KeyKind>) return "Key";
    if (std::is_same_v<T, KernelKind>) return "Kernel";
    if (std::is_same_v<T, ImageListKind>) return "ImageList";
    return "Internet";
  }
};
TYPED_TEST_SUITE(HandleHolderTest, HandleKinds, KindNames);

TYPED_TEST(HandleHolderTest, EndOfScopeAndResetFreeTheHandle) {
  using Holder = typename TestFixture::Holder;
  auto first = this->MakeLive();
  {
    Holder holder(first);
    EXPECT_EQ(holder.get(), first) << "get() must give the handle that was taken";
    EXPECT_TRUE(static_cast<bool>(holder)) << "a holder with a live handle must test true";
  }
  EXPECT_FALSE(TypeParam::IsAlive(first)) << "the destructor did not free the handle";

  auto second = this->MakeLive();
  Holder holder(second);
  holder.reset();
  EXPECT_FALSE(TypeParam::IsAlive(second)) << "reset() did not free the handle";
  EXPECT_FALSE(static_cast<bool>(holder)) << "a reset holder must be empty";
  EXPECT_EQ(holder.get(), decltype(second){}) << "a reset holder must hold the empty value";
  holder.reset();  // twice: nothing left to free, must not fail
}

TYPED_TEST(HandleHolderTest, ResetWithAnotherHandleFreesOnlyTheOld) {
  using Holder = typename TestFixture::Holder;
  auto first = this->MakeLive();
  auto second = this->MakeLive();
  Holder holder(first);
  holder.reset(second);
  EXPECT_FALSE(TypeParam::IsAlive(first)) << "reset(new) must free the old handle";
  EXPECT_TRUE(TypeParam::IsAlive(second)) << "reset(new) must keep the new handle";
  holder.reset(second);  // the same handle again must not free it
  EXPECT_TRUE(TypeParam::IsAlive(second)) << "reset() with the handle already held freed it";
  EXPECT_EQ(holder.get(), second);
}

TYPED_TEST(HandleHolderTest, ReleaseHandsTheHandleOverUnfreed) {
  using Holder = typename TestFixture::Holder;
  auto live = this->MakeLive();
  decltype(live) released{};
  {
    Holder holder(live);
    released = holder.release();
    EXPECT_FALSE(static_cast<bool>(holder)) << "a released holder must be empty";
  }
  EXPECT_EQ(released, live) << "release() must give back the handle";
  EXPECT_TRUE(TypeParam::IsAlive(live)) << "the holder freed a handle it had released";
  Holder cleanup(released);
}

TYPED_TEST(HandleHolderTest, MovesTransferOwnership) {
  using Holder = typename TestFixture::Holder;
  auto first = this->MakeLive();
  auto second = this->MakeLive();
  Holder a(first);
  Holder b(std::move(a));
  EXPECT_FALSE(static_cast<bool>(a)) << "a moved-from holder must be empty";
  EXPECT_EQ(b.get(), first) << "move construction lost the handle";

  Holder c(second);
  c = std::move(b);
  EXPECT_FALSE(TypeParam::IsAlive(second)) << "move assignment must free the target's old handle";
  EXPECT_TRUE(TypeParam::IsAlive(first)) << "move assignment freed the handle it moved";
  EXPECT_EQ(c.get(), first);
  EXPECT_FALSE(static_cast<bool>(b)) << "a moved-from holder must be empty";

  Holder& alias = c;
  c = std::move(alias);
  EXPECT_TRUE(TypeParam::IsAlive(first)) << "self move assignment freed the handle";
  EXPECT_EQ(c.get(), first) << "self move assignment lost the handle";
  c.reset();
  EXPECT_FALSE(TypeParam::IsAlive(first));
}

TEST(HandleHolders, CannotBeCopiedOrConvertedImplicitly) {
  static_assert(!std::is_copy_constructible_v<WindowHandle>);
  static_assert(!std::is_copy_assignable_v<KernelHandle>);
  static_assert(std::is_nothrow_move_constructible_v<GdiObject<HBITMAP>>);
  static_assert(std::is_nothrow_destructible_v<InternetHandle>);
  static_assert(!std::is_convertible_v<WindowHandle, HWND>);
  static_assert(!std::is_convertible_v<HWND, WindowHandle>);
  static_assert(!std::is_convertible_v<KernelHandle, bool>);
  SUCCEED();
}

TEST(HandleHolders, KernelHolderNeverClosesTheInvalidValue) {
  // CreateFileW fails with INVALID_HANDLE_VALUE, which is also the current
  // process's pseudo handle: a holder must treat it as empty.
  KernelHandle file(CreateFileW(L"C:\\no-such-dir-kelvarion\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(static_cast<bool>(file)) << "INVALID_HANDLE_VALUE must read as empty";
  KernelHandle none;
  EXPECT_FALSE(static_cast<bool>(none)) << "a default holder must be empty";
}

TEST(HandleHolders, PutReceivesAnOutParameter) {
  KeyHandle key(KeyKind::Make());
  ASSERT_TRUE(static_cast<bool>(key));
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_TRUE(static_cast<bool>(key)) << "put() did not receive the opened key";
  EXPECT_TRUE(KeyKind::IsAlive(key.get()));
  key.reset();
  RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
}

}  // namespace
}  // namespace kelvarion
