// A packed DIB (the DIB clipboard format) comes from whichever program set the
// clipboard: any header, core (12 bytes) or info (40 bytes), run-length
// compressed or not, with any colour count and size fields. Taking it in must
// stay inside the block, and whatever is taken in must come back the same
// through a BMP file and convert to the depths the program writes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "image/dib.h"

namespace {

using namespace kelvarion;

bool IsRle(const DibLayout& l) { return l.compression == kBiRle8 || l.compression == kBiRle4; }

// The pixel bytes a layout says the image has.
std::size_t PixelBytes(const DibLayout& l) {
  return static_cast<std::size_t>(IsRle(l) ? l.imageSize : l.rowSize * static_cast<std::uint64_t>(l.height));
}

void CheckSound(const CDib& dib, std::int64_t width, std::int64_t height) {
  DibLayout l;
  FUZZ_CHECK(dib.GetLayout(l) && l.width == width && l.height == height, "a converted picture keeps its size");
  FUZZ_CHECK(dib.Data().size() >= l.wholeSize, "a converted picture holds all its bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CDib dib;
  if (!dib.Create(data, size)) {
    FUZZ_CHECK(dib.IsEmpty(), "a refused block leaves no picture");
    return 0;
  }
  DibLayout layout;
  FUZZ_CHECK(dib.GetLayout(layout), "a picture taken in has a layout");
  // Exactly the image's bytes are kept, never more than the block held.
  FUZZ_CHECK(dib.Data().size() == layout.wholeSize && layout.wholeSize <= size, "the picture's bytes are in the block");
  FUZZ_CHECK(std::memcmp(dib.Data().data(), data, dib.Data().size()) == 0, "the bytes are copied as they are");
  FUZZ_CHECK(dib.Width() == layout.width && dib.Height() == layout.height && dib.BitCount() == layout.bitCount,
             "size and depth are the header's");
  FUZZ_CHECK(dib.GetPalette().size() == layout.colorCount, "one palette entry for each colour of the table");
  FUZZ_CHECK(dib.Bits() == dib.Data().data() + layout.headerSize + layout.colorTableSize,
             "the pixels follow the colour table");

  // Through a BMP file and back: the same picture.
  std::vector<std::uint8_t> file;
  if (dib.WriteToMemory(file)) {
    FUZZ_CHECK(!layout.IsCore(), "a core header is not written as a BMP file");
    CDib back;
    FUZZ_CHECK(back.ReadFromMemory(file.data(), file.size()), "the BMP file written reads back");
    DibLayout b;
    FUZZ_CHECK(back.GetLayout(b) && b.width == layout.width && b.height == layout.height &&
                   b.bitCount == layout.bitCount && b.compression == layout.compression &&
                   back.GetPalette() == dib.GetPalette(),
               "the BMP file reads back as the same kind of picture");
    const std::size_t pixels = PixelBytes(layout);
    FUZZ_CHECK(PixelBytes(b) == pixels && std::memcmp(back.Bits(), dib.Bits(), pixels) == 0,
               "the BMP file reads back with the same pixels");
  } else {
    FUZZ_CHECK(layout.IsCore(), "every picture with an info header can be written as a BMP file");
  }

  // What saving a picture does with it: a palette of at most 256 colours, and
  // 8 and 24 bits of the same size. Run-length pixels are not converted.
  FUZZ_CHECK(CreateOctreePalette(dib, 256, 8).size() <= 256, "the octree gives at most the colours asked for");
  CDib eight(dib);
  const bool toEight = eight.ConvertToBits(8);
  FUZZ_CHECK(toEight != IsRle(layout), "every picture but a run-length one converts to 8 bits");
  if (toEight) {
    CheckSound(eight, layout.width, layout.height);
    FUZZ_CHECK(eight.BitCount() == 8 && !eight.GetPalette().empty() && eight.GetPalette().size() <= 256,
               "8 bits with a table of at most 256 colours");
  } else {
    FUZZ_CHECK(eight.Data() == dib.Data(), "a failed conversion leaves the picture as it was");
  }
  CDib wide(dib);
  const bool toWide = wide.ChangeBitCount(24);
  FUZZ_CHECK(toWide != IsRle(layout), "every picture but a run-length one converts to 24 bits");
  if (toWide) {
    CheckSound(wide, layout.width, layout.height);
    FUZZ_CHECK(wide.BitCount() == 24, "24 bits");
  }
  return 0;
}
