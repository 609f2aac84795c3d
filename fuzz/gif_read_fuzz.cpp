// GIF reading over any bytes: no crash, no access outside buffers, no
// allocation the header merely claims.
#include <cstddef>
#include <cstdint>

#include "image/dib.h"
#include "image/gif_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvarion::GifFile gif;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb = gif.GIFReadMemory(data, size, "fuzz.gif", width, height);
  if (!rgb.empty()) {
    kelvarion::CDib dib;
    kelvarion::MakeDibFromRgb(rgb.data(), width, height, dib);
  }
  return 0;
}
