// A top-most window of the tests that paints a known pattern: four quadrants
// of distinct colours, so that a capture shows both where it was taken and
// which way up its rows run.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/byte_buffer.h"
#include "base/bytes.h"
#include "message_pump.h"

namespace kelvarion::test {

// Top left, top right, bottom left, bottom right.
inline constexpr COLORREF kQuadrantColors[4] = {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 60, 220),
                                                RGB(240, 220, 20)};

inline COLORREF PatternColorAt(int width, int height, int x, int y) {
  return kQuadrantColors[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
}

class PatternWindow {
 public:
  PatternWindow(int x, int y, int width, int height) : width_(width), height_(height) {
    static const ATOM atom = [] {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"KelvarionTestPattern";
      return RegisterClassW(&wc);
    }();
    (void)atom;
    window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"KelvarionTestPattern", L"pattern",
                              WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(window_);
  }
  ~PatternWindow() { DestroyWindow(window_); }
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;
  HWND Hwnd() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      const int w = client.right, h = client.bottom;
      const RECT quadrants[4] = {{0, 0, w / 2, h / 2}, {w / 2, 0, w, h / 2}, {0, h / 2, w / 2, h}, {w / 2, h / 2, w, h}};
      for (int i = 0; i < 4; ++i) {
        HBRUSH brush = CreateSolidBrush(kQuadrantColors[i]);
        FillRect(dc, &quadrants[i], brush);
        DeleteObject(brush);
      }
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
  }

  int width_, height_;
  HWND window_ = nullptr;
};

// The colour of pixel (x, y), counted from the top, of a captured BMP image
// at 16 (5-5-5), 24 or 32 bits; CLR_INVALID when outside or another depth.
inline COLORREF CapturedPixel(const CByteBuffer& image, int x, int y) {
  const std::uint8_t* p = image.GetData();
  const int width = static_cast<int>(LoadLe32(p + 18));
  const int height = static_cast<int>(LoadLe32(p + 22));
  const int bits = LoadLe16(p + 28);
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const int rowBytes = (width * bits + 31) / 32 * 4;
  const std::uint8_t* row = p + LoadLe32(p + 10) + static_cast<std::size_t>(height - 1 - y) * rowBytes;
  switch (bits) {
    case 24:
    case 32: {
      const std::uint8_t* px = row + x * (bits / 8);
      return RGB(px[2], px[1], px[0]);
    }
    case 16: {
      const unsigned v = LoadLe16(row + x * 2);
      return RGB(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
    }
  }
  return CLR_INVALID;
}

// Within a few steps on each channel: what a 16-bit display can hold.
inline bool CloseColor(COLORREF a, COLORREF b, int tolerance = 8) {
  auto within = [&](int x, int y) { return x - y <= tolerance && y - x <= tolerance; };
  return within(GetRValue(a), GetRValue(b)) && within(GetGValue(a), GetGValue(b)) && within(GetBValue(a), GetBValue(b));
}

}  // namespace kelvarion::test
