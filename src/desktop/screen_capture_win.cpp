#include "desktop/screen_capture_win.h"

#include <utility>

#include "desktop/capture_image.h"

namespace kelvarion {

namespace {

// The device context of a window, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  void reset() {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
  }

 private:
  HWND window_;
  HDC dc_;
};

struct MemoryDc {
  explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (dc) DeleteDC(dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC dc;
};

struct Bitmap {
  Bitmap(HDC like, int width, int height) : bitmap(CreateCompatibleBitmap(like, width, height)) {}
  ~Bitmap() {
    if (bitmap) DeleteObject(bitmap);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  HBITMAP bitmap;
};

}  // namespace

int CopyDcToCaptureImage(HDC source, const RECT& rect, int displayBits, CByteBuffer& buffer) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  MemoryDc memory(source);
  if (!memory.dc) return kCaptureNoMemoryDc;
  Bitmap bitmap(source, width, height);
  if (!bitmap.bitmap || width <= 0 || height <= 0) return kCaptureNoBitmap;
  HGDIOBJ old = SelectObject(memory.dc, bitmap.bitmap);
  if (!old || old == HGDI_ERROR) return kCaptureSelectFailed;
  const bool copied = BitBlt(memory.dc, 0, 0, width, height, source, rect.left, rect.top, SRCCOPY) != FALSE;
  // GetDIBits wants the bitmap out of every device context.
  SelectObject(memory.dc, old);
  if (!copied) return kCaptureCopyFailed;

  const int bitCount = CaptureBitCount(displayBits);
  const std::int64_t size = CaptureImageSize(width, height, bitCount);
  if (size < 0) return kCaptureNoRoom;
  // The image is built in a buffer of its own and handed over whole, so a
  // failure on the way leaves the caller's buffer as it was.
  CByteBuffer image(0, buffer.GetNotice());
  if (image.SetLength(static_cast<int>(size)) != size) return kCaptureNoRoom;
  WriteCaptureHeaders(image.GetData(), width, height, bitCount, size);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  info.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(memory.dc, bitmap.bitmap, 0, static_cast<UINT>(height), image.GetData() + kCaptureHeaderSize, &info,
                DIB_RGB_COLORS) != height)
    return kCaptureCopyFailed;
  buffer = std::move(image);
  return 0;
}

int ScreenBitsPerPixel() {
  WindowDc screen(nullptr);
  return screen.get() ? GetDeviceCaps(screen.get(), BITSPIXEL) : 0;
}

int CaptureScreenRect(CByteBuffer& buffer, const RECT& rect) {
  WindowDc desktop(GetDesktopWindow());
  if (!desktop.get()) return kCaptureNoScreenDc;
  return CopyDcToCaptureImage(desktop.get(), rect, GetDeviceCaps(desktop.get(), BITSPIXEL), buffer);
}

}  // namespace kelvarion
