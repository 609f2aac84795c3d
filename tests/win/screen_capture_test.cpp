#include "desktop/screen_capture_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/bytes.h"
#include "desktop/capture_image.h"
#include "pattern_window.h"
#include "res/resource_ids.h"

namespace kelvarion {
namespace {

using test::CapturedPixel;
using test::CloseColor;
using test::PatternColorAt;
using test::PatternWindow;

constexpr int kLeft = 40, kTop = 30, kWidth = 66, kHeight = 50;  // an odd row length in bytes at 24 bits

// Wine paints windows to the X screen a moment after UpdateWindow: the test
// waits until the capture shows the pattern's corners, with a deadline.
bool CaptureShowsPattern(CByteBuffer& image, const RECT& rect) {
  return test::PollUntil([&] {
    if (CaptureScreenRect(image, rect) != 0) return false;
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    return CloseColor(CapturedPixel(image, 0, 0), PatternColorAt(w, h, 0, 0)) &&
           CloseColor(CapturedPixel(image, w - 1, h - 1), PatternColorAt(w, h, w - 1, h - 1));
  });
}

TEST(ScreenCapture, AWindowsRectangleComesBackAsTheBmpImageWithItsPixels) {
  PatternWindow pattern(kLeft, kTop, kWidth, kHeight);
  ASSERT_NE(pattern.Hwnd(), nullptr);
  const RECT rect = {kLeft, kTop, kLeft + kWidth, kTop + kHeight};
  CByteBuffer image;
  ASSERT_TRUE(CaptureShowsPattern(image, rect)) << "the pattern never showed in the capture";

  const std::uint8_t* p = image.GetData();
  const int bits = LoadLe16(p + 28);
  EXPECT_EQ(bits, CaptureBitCount(ScreenBitsPerPixel()));
  const int rowBytes = (kWidth * bits + 31) / 32 * 4;
  EXPECT_EQ(image.GetLength(), 54 + rowBytes * kHeight);
  EXPECT_EQ(std::memcmp(p, "BM", 2), 0);
  EXPECT_EQ(LoadLe32(p + 2), static_cast<std::uint32_t>(image.GetLength())) << "file size";
  EXPECT_EQ(LoadLe32(p + 6), 0u) << "reserved";
  EXPECT_EQ(LoadLe32(p + 10), 54u) << "pixels right after the headers";
  EXPECT_EQ(LoadLe32(p + 14), 40u);
  EXPECT_EQ(LoadLe32(p + 18), static_cast<std::uint32_t>(kWidth));
  EXPECT_EQ(LoadLe32(p + 22), static_cast<std::uint32_t>(kHeight)) << "positive: bottom-up rows";
  EXPECT_EQ(LoadLe16(p + 26), 1u);
  for (int offset = 30; offset < 54; offset += 4) EXPECT_EQ(LoadLe32(p + offset), 0u) << "field at " << offset;

  // Every pixel, not only the corners: a shifted or flipped copy shows at
  // the quadrant borders.
  int wrong = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (!CloseColor(CapturedPixel(image, x, y), PatternColorAt(kWidth, kHeight, x, y))) ++wrong;
  EXPECT_EQ(wrong, 0) << "pixels that differ from the pattern";
}

TEST(ScreenCapture, APartOfTheScreenIsCutAtItsOwnPlace) {
  PatternWindow pattern(kLeft, kTop, kWidth, kHeight);
  CByteBuffer image;
  ASSERT_TRUE(CaptureShowsPattern(image, {kLeft, kTop, kLeft + kWidth, kTop + kHeight}));
  // The lower right quarter, and one pixel of it: offsets into the screen
  // must be honoured, not only the size.
  const RECT quarter = {kLeft + kWidth / 2, kTop + kHeight / 2, kLeft + kWidth, kTop + kHeight};
  ASSERT_EQ(CaptureScreenRect(image, quarter), 0);
  EXPECT_EQ(LoadLe32(image.GetData() + 18), static_cast<std::uint32_t>(kWidth - kWidth / 2));
  for (const POINT at : {POINT{0, 0}, POINT{kWidth / 2 - 1, kHeight / 2 - 1}})
    EXPECT_TRUE(CloseColor(CapturedPixel(image, at.x, at.y), test::kQuadrantColors[3])) << at.x << "," << at.y;
  ASSERT_EQ(CaptureScreenRect(image, {kLeft, kTop + kHeight - 1, kLeft + 1, kTop + kHeight}), 0);
  EXPECT_TRUE(CloseColor(CapturedPixel(image, 0, 0), test::kQuadrantColors[2]));
}

TEST(ScreenCapture, AnEmptyRectangleFailsAndLeavesTheBufferAsItWas) {
  const RECT cases[] = {{10, 10, 10, 40}, {10, 10, 40, 10}, {40, 10, 10, 40}, {10, 40, 40, 10}};
  for (const RECT& rect : cases) {
    CByteBuffer buffer(3);
    std::memcpy(buffer.GetData(), "abc", 3);
    EXPECT_EQ(CaptureScreenRect(buffer, rect), kCaptureNoBitmap)
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    EXPECT_EQ(buffer.GetLength(), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.GetData()), 4), std::string("abc\0", 4));
  }
}

class CountingNotice : public UserNotice {
 public:
  void Show(const std::string& text, const std::string&, NoticeIcon) override { texts += text + "|"; }
  std::string texts;
};

void* NoMemory(std::size_t) { return nullptr; }

TEST(ScreenCapture, NoMemoryForTheImageFailsToldAndLeavesTheBufferAsItWas) {
  CountingNotice notice;
  CByteBuffer buffer(3, &notice);
  std::memcpy(buffer.GetData(), "abc", 3);
  const ByteBufferAllocator previous = SetByteBufferAllocator(NoMemory);
  const int result = CaptureScreenRect(buffer, {0, 0, 16, 16});
  SetByteBufferAllocator(previous);
  EXPECT_EQ(result, kCaptureNoRoom);
  EXPECT_EQ(notice.texts, "Out of Memory.|") << "the buffer's notice tells the user";
  EXPECT_EQ(buffer.GetLength(), 3);
  EXPECT_EQ(std::memcmp(buffer.GetData(), "abc", 3), 0);
}

// The cursors of the region selection and the window pick, as Kelvarion.exe
// holds them: 32 x 32 with the hot spot where the cursor points.
TEST(ScreenCapture, TheCaptureCursorsPointWithTheirHotSpots) {
  wchar_t path[MAX_PATH] = {};
  std::wstring exe(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"Kelvarion.exe";
  HMODULE program = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(program) << "Kelvarion.exe must be built beside the tests";
  const struct {
    int id;
    DWORD x, y;
  } cursors[] = {{IDCUR_CROSSHAIR, 15, 16}, {IDCUR_PICK, 12, 1}, {IDCUR_PICK_END, 2, 4}};
  for (const auto& expected : cursors) {
    SCOPED_TRACE(expected.id);
    HCURSOR cursor = static_cast<HCURSOR>(LoadImageW(program, MAKEINTRESOURCEW(expected.id), IMAGE_CURSOR, 32, 32, 0));
    ASSERT_TRUE(cursor);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, expected.x);
    EXPECT_EQ(info.yHotspot, expected.y);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyCursor(cursor);
  }
  FreeLibrary(program);
}

}  // namespace
}  // namespace kelvarion
