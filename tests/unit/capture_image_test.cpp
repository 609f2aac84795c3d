#include "desktop/capture_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/bytes.h"

namespace kelvarion {
namespace {

TEST(CaptureImage, DisplaysOfEightBitsOrFewerAreStoredAtTwentyFour) {
  const struct {
    int display, stored;
  } cases[] = {{1, 24}, {4, 24}, {8, 24}, {16, 16}, {24, 24}, {32, 32}};
  for (const auto& c : cases) EXPECT_EQ(CaptureBitCount(c.display), c.stored) << c.display << " bits";
}

TEST(CaptureImage, SizeIsHeadersAndRowsPaddedToFourBytes) {
  const struct {
    int width, height, bits;
    std::int64_t size;
  } cases[] = {
      {1, 1, 24, 54 + 4},         {3, 2, 24, 54 + 2 * 12},      {5, 3, 16, 54 + 3 * 12},
      {7, 2, 32, 54 + 2 * 28},    {1920, 1080, 32, 54 + 1920 * 4 * 1080},
      {0, 5, 24, -1},             {5, 0, 24, -1},               {-3, 5, 24, -1},
      // Past 2 GiB no 32-bit length holds it.
      {32768, 16384, 32, -1},     {46341, 46341, 8, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CaptureImageSize(c.width, c.height, c.bits), c.size) << c.width << "x" << c.height << "x" << c.bits;
}

TEST(CaptureImage, HeadersHoldTheLayoutOfAPlainBottomUpBmp) {
  std::vector<std::uint8_t> bytes(54, 0xEE);
  WriteCaptureHeaders(bytes.data(), 1920, 1080, 24, 6220854);
  const std::uint8_t* p = bytes.data();
  EXPECT_EQ(p[0], 'B');
  EXPECT_EQ(p[1], 'M');
  const struct {
    int offset, size;
    std::uint32_t value;
  } fields[] = {{2, 4, 6220854}, {6, 2, 0},  {8, 2, 0},  {10, 4, 54}, {14, 4, 40}, {18, 4, 1920}, {22, 4, 1080},
                {26, 2, 1},      {28, 2, 24}, {30, 4, 0}, {34, 4, 0},  {38, 4, 0},  {42, 4, 0},    {46, 4, 0},
                {50, 4, 0}};
  for (const auto& f : fields)
    EXPECT_EQ(f.size == 2 ? LoadLe16(p + f.offset) : LoadLe32(p + f.offset), f.value) << "field at " << f.offset;
}

}  // namespace
}  // namespace kelvarion
