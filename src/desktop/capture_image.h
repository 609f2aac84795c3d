// The BMP file image a screen capture becomes: a 14-byte file header, a
// 40-byte information header and the pixel rows, bottom row first, each
// padded to four bytes, with no colour table between them.
#pragma once

#include <cstdint>

namespace kelvarion {

inline constexpr int kCaptureHeaderSize = 54;

// The depth a capture is stored at on a display of displayBits. Displays of
// 8 bits or fewer need a colour table, which the image has no room for: they
// are captured at 24 bits.
int CaptureBitCount(int displayBits);

// Bytes of the whole image (headers and rows) of width x height pixels at
// bitCount bits; -1 when either side is not positive or the image would not
// fit a 32-bit signed length.
std::int64_t CaptureImageSize(int width, int height, int bitCount);

// Fills the 54 header bytes at out for an image of that size; fileSize is
// what CaptureImageSize gave.
void WriteCaptureHeaders(std::uint8_t* out, int width, int height, int bitCount, std::int64_t fileSize);

}  // namespace kelvarion
