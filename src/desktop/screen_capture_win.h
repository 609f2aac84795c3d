// Copying a rectangle of the screen into a BMP file image in memory, for the
// screen captures of the history and the screen lock's background.
#pragma once

#include <windows.h>

#include "base/byte_buffer.h"

namespace kelvarion {

inline constexpr int kCaptureNoScreenDc = -1;
inline constexpr int kCaptureNoMemoryDc = -2;
inline constexpr int kCaptureNoBitmap = -3;
inline constexpr int kCaptureSelectFailed = -4;
inline constexpr int kCaptureCopyFailed = -5;
// The buffer cannot hold the image (out of memory, or more than 2 GiB).
inline constexpr int kCaptureNoRoom = -6;

// Copies rect (screen coordinates) into buffer as a complete BMP file image
// at the display's depth (24 bits on displays of 8 bits or fewer). Returns 0,
// or one of the codes above with buffer left exactly as it was and every
// object made so far released.
int CaptureScreenRect(CByteBuffer& buffer, const RECT& rect);

// The same from any device context: rect is in source's coordinates and
// displayBits the depth the image is to keep (as CaptureBitCount takes it).
// The region capture cuts its selection from a frozen picture this way.
int CopyDcToCaptureImage(HDC source, const RECT& rect, int displayBits, CByteBuffer& buffer);

// BITSPIXEL of the screen, 0 when the screen's device context cannot be had.
int ScreenBitsPerPixel();

}  // namespace kelvarion
