#include "win/icon_cache_win.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/dbcs.h"
#include "support/test_support.h"
#include "win/text_win.h"

namespace kelvarion {
namespace {

std::string Shell32Path() {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  return Narrow(dir) + "\\shell32.dll";
}

void PutLE(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A one-image .ico file: 16 by 16, 32 bits, all pixels of one colour.
std::string MakeIconFile(std::uint32_t argb) {
  constexpr int kSide = 16;
  const std::uint32_t imageBytes = 40 + kSide * kSide * 4 + kSide * 4;
  std::string ico;
  PutLE(ico, 0, 2);  // reserved
  PutLE(ico, 1, 2);  // icon
  PutLE(ico, 1, 2);  // one image
  ico += static_cast<char>(kSide);
  ico += static_cast<char>(kSide);
  PutLE(ico, 0, 2);  // colours, reserved
  PutLE(ico, 1, 2);  // planes
  PutLE(ico, 32, 2);
  PutLE(ico, imageBytes, 4);
  PutLE(ico, 6 + 16, 4);
  PutLE(ico, 40, 4);
  PutLE(ico, kSide, 4);
  PutLE(ico, kSide * 2, 4);  // colour and mask halves
  PutLE(ico, 1, 2);
  PutLE(ico, 32, 2);
  PutLE(ico, 0, 4);
  PutLE(ico, kSide * kSide * 4 + kSide * 4, 4);
  PutLE(ico, 0, 16);
  for (int i = 0; i < kSide * kSide; ++i) PutLE(ico, argb, 4);
  ico.append(kSide * 4, '\0');  // mask rows, padded to 4 bytes: all opaque
  return ico;
}

class IconCacheTest : public ::testing::Test {
 protected:
  static int ImageCount(const CIconCache& cache) { return ImageList_GetImageCount(cache.GetImageList()); }
  CIconCache cache_;
  std::string shell32_ = Shell32Path();
};

TEST_F(IconCacheTest, DefaultsMakeSixteenPixelImages) {
  ASSERT_TRUE(cache_.GetImageList()) << "no image list was created";
  int cx = 0;
  int cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(cache_.GetImageList(), &cx, &cy));
  EXPECT_EQ(cx, 16) << "a negative size must mean 16 pixels";
  EXPECT_EQ(cy, 16);

  CIconCache large(32);
  ASSERT_TRUE(ImageList_GetIconSize(large.GetImageList(), &cx, &cy));
  EXPECT_EQ(cx, 32) << "a given size must be used for width and height";
  EXPECT_EQ(cy, 32);
}

TEST_F(IconCacheTest, SameFileAndIndexGiveTheSamePosition) {
  int first = cache_.GetIcon(shell32_, 0);
  ASSERT_EQ(first, 0) << "the first icon must take position 0 (is " << shell32_ << " there?)";
  int second = cache_.GetIcon(shell32_, 3);
  EXPECT_EQ(second, 1) << "another index of the same file is another icon";
  EXPECT_EQ(cache_.GetIcon(shell32_, 0), first) << "asking again must find the recorded icon";
  EXPECT_EQ(cache_.GetIcon(shell32_, 3), second);
  EXPECT_EQ(cache_.GetIcon(ToUpper(shell32_), 3), second) << "the case of the file name must not matter";
  EXPECT_EQ(cache_.GetCount(), 2) << "a found icon must not be extracted again";
  EXPECT_EQ(ImageCount(cache_), 2) << "image list and records disagree";
}

TEST_F(IconCacheTest, NothingExtractableGivesMinusOneAndRecordsNothing) {
  test::ScratchDir dir;
  test::WriteBytes(dir.path() + "plain.txt", "not an icon\r\n");
  ASSERT_EQ(cache_.GetIcon(shell32_, 0), 0);
  struct Case {
    const char* what;
    std::string file;
    int index;
  };
  const Case cases[] = {
      {"a missing file", dir.path() + "missing.dll", 0},
      {"a text file", dir.path() + "plain.txt", 0},
      {"an index past the file's icons", shell32_, 100000},
      {"index -1 (which asks the shell for the count)", shell32_, -1},
      {"an empty name", "", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cache_.GetIcon(c.file, c.index), -1) << c.what << " must give -1";
    EXPECT_EQ(cache_.GetCount(), 1) << c.what << " must record nothing";
    EXPECT_EQ(ImageCount(cache_), 1) << c.what << " must add no image";
  }
  EXPECT_EQ(cache_.GetIcon(shell32_, 1), 1) << "after failures the next icon must take the next position";
}

TEST_F(IconCacheTest, ChineseNamesAreConvertedAndKeptApart) {
  test::ScratchDir dir;
  // "丄" is 81 41 and "乤" is 81 61: the trail bytes are 'A' and 'a'. Lower-
  // casing them would make two files one.
  const std::string upperTrail = dir.path() + "图标丄.ico";
  const std::string lowerTrail = dir.path() + "图标乤.ico";
  ASSERT_EQ(upperTrail.substr(upperTrail.size() - 6, 2), std::string("\x81\x41"));
  test::WriteBytes(upperTrail, MakeIconFile(0xFF0000FF));
  test::WriteBytes(lowerTrail, MakeIconFile(0xFF00FF00));

  int a = cache_.GetIcon(upperTrail, 0);
  ASSERT_EQ(a, 0) << "no icon from a file with a Chinese name";
  int b = cache_.GetIcon(lowerTrail, 0);
  EXPECT_EQ(b, 1) << "files differing in a trail byte's case were taken for one";
  std::string shouted = upperTrail.substr(0, upperTrail.size() - 3) + "ICO";
  EXPECT_EQ(cache_.GetIcon(shouted, 0), a) << "an upper-case extension must find the same entry";
  EXPECT_EQ(cache_.GetCount(), 2);
}

TEST_F(IconCacheTest, ClearEmptiesImagesAndRecords) {
  ASSERT_EQ(cache_.GetIcon(shell32_, 0), 0);
  ASSERT_EQ(cache_.GetIcon(shell32_, 1), 1);
  cache_.Clear();
  EXPECT_EQ(cache_.GetCount(), 0) << "Clear must forget every record";
  EXPECT_EQ(ImageCount(cache_), 0) << "Clear must remove every image";
  EXPECT_EQ(cache_.GetIcon(shell32_, 1), 0) << "after Clear the first icon must take position 0 again";
  EXPECT_EQ(ImageCount(cache_), 1);
}

}  // namespace
}  // namespace kelvarion
