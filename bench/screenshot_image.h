// A made-up 1920x1080 screen for the image benchmarks: a desktop, windows
// with title bars, menus and lines of anti-aliased "text", flat panels, and
// a photo-like region of smooth colour with grain. Deterministic.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvarion::bench {

// Top-down RGB, width x height x 3 bytes.
inline std::vector<std::uint8_t> MakeScreenshot(int width = 1920, int height = 1080) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  auto set = [&](int x, int y, int r, int g, int b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    p[0] = static_cast<std::uint8_t>(r), p[1] = static_cast<std::uint8_t>(g), p[2] = static_cast<std::uint8_t>(b);
  };
  auto fill = [&](int x0, int y0, int x1, int y1, int r, int g, int b) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) set(x, y, r, g, b);
  };
  std::uint32_t seed = 12345;
  auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };

  fill(0, 0, width, height, 0, 99, 177);                     // desktop
  fill(0, height - 40, width, height, 32, 32, 32);           // task bar
  struct Window { int x, y, w, h; };
  const Window windows[] = {{60, 40, 1100, 760}, {700, 200, 1150, 800}, {1300, 60, 560, 420}};
  for (const Window& win : windows) {
    fill(win.x, win.y, win.x + win.w, win.y + 30, 255, 255, 255);       // title bar
    fill(win.x, win.y + 30, win.x + win.w, win.y + 52, 243, 243, 243);  // menu bar
    fill(win.x, win.y + 52, win.x + win.w, win.y + win.h, 255, 255, 255);
    fill(win.x, win.y + win.h - 22, win.x + win.w, win.y + win.h, 240, 240, 240);  // status bar
    fill(win.x + win.w - 46, win.y, win.x + win.w, win.y + 30, 232, 17, 35);        // close button
    // Lines of text: glyph cells of strokes with grey anti-aliasing edges.
    for (int line = win.y + 64; line + 16 < win.y + win.h - 30; line += 20) {
      int x = win.x + 12;
      const int end = win.x + 40 + static_cast<int>(next() % static_cast<unsigned>(win.w - 60));
      while (x + 8 < end) {
        if (next() % 6 == 0) {  // a space
          x += 5;
          continue;
        }
        const unsigned glyph = next();
        for (int gy = 0; gy < 12; ++gy) {
          for (int gx = 0; gx < 7; ++gx) {
            if (!((glyph >> ((gx * 3 + gy) % 24)) & 1)) continue;
            const int shade = (gx == 0 || gx == 6) ? 150 : ((gy % 5 == 0) ? 90 : 20);
            set(x + gx, line + gy, shade, shade, shade);
          }
        }
        x += 8;
      }
    }
  }
  // A photo: smooth colour fields with grain.
  const int px = 760, py = 300, pw = 640, ph = 420;
  for (int y = 0; y < ph; ++y) {
    for (int x = 0; x < pw; ++x) {
      const int grain = static_cast<int>(next() % 9) - 4;
      const int r = 90 + x * 120 / pw + (y % 97) / 3 + grain;
      const int g = 60 + y * 150 / ph + ((x + y) % 53) / 4 + grain;
      const int b = 200 - x * 80 / pw - y * 60 / ph + grain;
      set(px + x, py + y, r, g, b);
    }
  }
  return rgb;
}

}  // namespace kelvarion::bench
