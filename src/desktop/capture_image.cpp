#include "desktop/capture_image.h"

#include <cstring>
#include <limits>

#include "base/bytes.h"

namespace kelvarion {

int CaptureBitCount(int displayBits) { return displayBits <= 8 ? 24 : displayBits; }

std::int64_t CaptureImageSize(int width, int height, int bitCount) {
  if (width <= 0 || height <= 0 || bitCount <= 0) return -1;
  const std::int64_t rowBytes = (static_cast<std::int64_t>(width) * bitCount + 31) / 32 * 4;
  const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  if (rowBytes > (limit - kCaptureHeaderSize) / height) return -1;
  return kCaptureHeaderSize + rowBytes * height;
}

void WriteCaptureHeaders(std::uint8_t* out, int width, int height, int bitCount, std::int64_t fileSize) {
  std::memset(out, 0, kCaptureHeaderSize);
  out[0] = 'B';
  out[1] = 'M';
  StoreLe32(out + 2, static_cast<std::uint32_t>(fileSize));
  StoreLe32(out + 10, kCaptureHeaderSize);
  StoreLe32(out + 14, 40);
  StoreLe32(out + 18, static_cast<std::uint32_t>(width));
  StoreLe32(out + 22, static_cast<std::uint32_t>(height));
  StoreLe16(out + 26, 1);
  StoreLe16(out + 28, static_cast<std::uint16_t>(bitCount));
  // Compression, image size, resolutions and colour counts stay 0.
}

}  // namespace kelvarion
