// JPEG reading over any bytes: the library's errors come back through the
// replaced error exit, and headers that claim more than the file holds are
// refused before anything is allocated for them.
#include <cstddef>
#include <cstdint>

#include "image/jpeg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvarion::JpegFile jpeg;
  int width = 0, height = 0;
  jpeg.JPEGReadMemory(data, size, width, height);
  return 0;
}
