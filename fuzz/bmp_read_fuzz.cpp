// BMP reading over any bytes, and what the converters do next with a read
// image: reduce it to 8 bits, widen it to 24, write it back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelvarion::CDib dib;
  if (!dib.ReadFromMemory(data, size)) return 0;
  std::vector<std::uint8_t> out;
  dib.WriteToMemory(out);
  kelvarion::CDib eight(dib);
  eight.ConvertToBits(8);
  kelvarion::CDib wide(dib);
  wide.ChangeBitCount(24);
  return 0;
}
