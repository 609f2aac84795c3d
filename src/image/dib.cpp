#include "image/dib.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "base/bytes.h"
#include "base/file_utils.h"

namespace kelvarion {

namespace {

// A packed DIB past this is refused: its sizes must fit the 32-bit fields of
// the file header.
constexpr std::uint64_t kMaxDibBytes = 0x7FFFFFFFull;

bool ValidBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The 16 colours a 4-bit table gets when nothing better is at hand: the
// standard colours of a 16-colour display.
constexpr std::array<PaletteEntry, 16> kDefault16 = {{
    {0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
}};

// Stand-in for a halftone palette: a 6x6x6 colour cube and a ramp of greys.
Palette HalftonePalette() {
  Palette p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.push_back({static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                     static_cast<std::uint8_t>(b * 51), 0});
  for (int i = 1; i <= 20; ++i) {
    auto v = static_cast<std::uint8_t>(i * 255 / 21);
    p.push_back({v, v, v, 0});
  }
  return p;
}

// One colour channel of a 16- or 32-bit pixel, from its mask.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    for (std::uint32_t v = m >> shift; v; v >>= 1) bits += v & 1;
  }
  std::uint8_t Value(std::uint32_t pixel, bool scaleUp) const {
    std::uint32_t v = (pixel & mask) >> shift;
    if (bits > 8) v >>= bits - 8;
    else if (scaleUp && bits > 0) v <<= 8 - bits;
    return static_cast<std::uint8_t>(v);
  }
};

// Turns the rows of a packed DIB into blue, green, red triples, a span of at
// most kSpan pixels at a time: the scratch is the same for every picture, so
// no width a header claims can make it fail.
class RowDecoder {
 public:
  RowDecoder(const std::uint8_t* dib, const DibLayout& layout) : layout_(layout) {
    table_ = dib + layout.headerSize;
    pixels_ = table_ + layout.colorTableSize;
    if (layout.bitCount == 16 || layout.bitCount == 32) {
      std::uint32_t masks[3];
      if (layout.compression == kBiBitfields) {
        for (int i = 0; i < 3; ++i) masks[i] = LoadLe32(table_ + 4 * i);
      } else if (layout.bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
      } else {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
      }
      red_ = Channel(masks[0]), green_ = Channel(masks[1]), blue_ = Channel(masks[2]);
    }
  }

  static constexpr std::size_t kSpan = 4096;

  // Pixels first .. first + count - 1 (count at most kSpan) of row `y`
  // counted from the bottom, as stored.
  const std::uint8_t* Span(std::int64_t y, std::size_t first, std::size_t count) {
    const std::uint8_t* row = pixels_ + static_cast<std::size_t>(y) * layout_.rowSize;
    std::uint8_t* out = scratch_.data();
    switch (layout_.bitCount) {
      case 24:
        return row + 3 * first;
      case 1:
      case 4:
      case 8: {
        const int bits = layout_.bitCount;
        const std::size_t stride = layout_.IsCore() ? 3 : 4;
        for (std::size_t i = 0; i < count; ++i) {
          std::size_t bit = (first + i) * bits;
          unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
          if (index < layout_.colorCount) {
            std::memcpy(out + 3 * i, table_ + index * stride, 3);
          } else {
            std::memset(out + 3 * i, 0, 3);
          }
        }
        return out;
      }
      case 16:
        for (std::size_t i = 0; i < count; ++i) {
          std::uint32_t px = LoadLe16(row + 2 * (first + i));
          out[3 * i] = blue_.Value(px, true);
          out[3 * i + 1] = green_.Value(px, true);
          out[3 * i + 2] = red_.Value(px, true);
        }
        return out;
      default:  // 32
        for (std::size_t i = 0; i < count; ++i) {
          std::uint32_t px = LoadLe32(row + 4 * (first + i));
          out[3 * i] = blue_.Value(px, false);
          out[3 * i + 1] = green_.Value(px, false);
          out[3 * i + 2] = red_.Value(px, false);
        }
        return out;
    }
  }

 private:
  const DibLayout& layout_;
  const std::uint8_t* table_ = nullptr;
  const std::uint8_t* pixels_ = nullptr;
  Channel red_, green_, blue_;
  std::array<std::uint8_t, 3 * kSpan> scratch_;
};

bool FullLayout(const std::vector<std::uint8_t>& dib, DibLayout& layout) {
  return GetDibLayout(dib.data(), dib.size(), layout) && layout.wholeSize <= dib.size();
}

// The colour table of a packed DIB as palette entries (colour count of them).
Palette TableOf(const std::uint8_t* dib, const DibLayout& layout) {
  Palette p;
  const std::size_t stride = layout.IsCore() ? 3 : 4;
  const std::uint8_t* table = dib + layout.headerSize;
  for (std::uint64_t i = 0; i < layout.colorCount; ++i) {
    const std::uint8_t* e = table + i * stride;
    p.push_back({e[2], e[1], e[0], 0});
  }
  return p;
}

std::vector<std::uint8_t> NewHeader(std::int64_t width, std::int64_t height, int bitCount, std::size_t tableEntries) {
  const std::uint64_t rowSize = DibRowSize(bitCount, width);
  std::vector<std::uint8_t> dib(kInfoHeaderSize + tableEntries * 4 + rowSize * height);
  StoreLe32(&dib[0], kInfoHeaderSize);
  StoreLe32(&dib[4], static_cast<std::uint32_t>(width));
  StoreLe32(&dib[8], static_cast<std::uint32_t>(height));
  StoreLe16(&dib[12], 1);
  StoreLe16(&dib[14], static_cast<std::uint16_t>(bitCount));
  StoreLe32(&dib[20], static_cast<std::uint32_t>(rowSize * height));
  return dib;
}

}  // namespace

std::uint64_t DibRowSize(int bitCount, std::int64_t width) {
  return ((static_cast<std::uint64_t>(bitCount) * static_cast<std::uint64_t>(width) + 31) / 32) * 4;
}

bool GetDibLayout(const std::uint8_t* dib, std::size_t available, DibLayout& layout) {
  if (!dib || available < 4) return false;
  DibLayout l;
  l.headerSize = LoadLe32(dib);
  std::uint32_t sizeImage = 0, colorsUsed = 0;
  if (l.headerSize == kInfoHeaderSize) {
    if (available < kInfoHeaderSize) return false;
    l.width = static_cast<std::int32_t>(LoadLe32(dib + 4));
    l.height = static_cast<std::int32_t>(LoadLe32(dib + 8));
    l.bitCount = LoadLe16(dib + 14);
    l.compression = LoadLe32(dib + 16);
    sizeImage = LoadLe32(dib + 20);
    colorsUsed = LoadLe32(dib + 32);
  } else if (l.headerSize == kCoreHeaderSize) {
    if (available < kCoreHeaderSize) return false;
    l.width = LoadLe16(dib + 4);
    l.height = LoadLe16(dib + 6);
    l.bitCount = LoadLe16(dib + 10);
  } else {
    return false;
  }
  if (!ValidBitCount(l.bitCount) || l.width <= 0 || l.height <= 0) return false;
  switch (l.compression) {
    case kBiRgb: break;
    case kBiRle8: if (l.bitCount != 8) return false; break;
    case kBiRle4: if (l.bitCount != 4) return false; break;
    case kBiBitfields: if (l.bitCount != 16 && l.bitCount != 32) return false; break;
    default: return false;
  }
  l.colorCount = colorsUsed ? colorsUsed : (l.bitCount <= 8 ? (1u << l.bitCount) : 0);
  l.colorTableSize = l.colorCount * (l.IsCore() ? 3 : 4);
  // The three masks of a bit-field DIB sit where a colour table would.
  if (l.compression == kBiBitfields) l.colorTableSize += 12;
  l.rowSize = DibRowSize(l.bitCount, l.width);
  if (l.rowSize > kMaxDibBytes || l.colorTableSize > kMaxDibBytes) return false;
  const std::uint64_t pixelBytes = l.rowSize * static_cast<std::uint64_t>(l.height);
  if (pixelBytes > kMaxDibBytes) return false;
  l.imageSize = sizeImage ? sizeImage : pixelBytes;
  const bool rle = l.compression == kBiRle8 || l.compression == kBiRle4;
  // Whole rows must be there for anything that walks the pixels.
  if (!rle && l.imageSize < pixelBytes) return false;
  l.wholeSize = l.headerSize + l.colorTableSize + l.imageSize;
  if (l.wholeSize > kMaxDibBytes) return false;
  layout = l;
  return true;
}

Palette CreateDIBPalette(const std::vector<std::uint8_t>& dib) {
  DibLayout layout;
  if (!FullLayout(dib, layout)) return {};
  return TableOf(dib.data(), layout);
}

Palette CreateOctreePalette(const CDib& dib, std::size_t maxColors, int colorBits, OctreeStats* stats) {
  DibLayout layout;
  if (colorBits < 1 || colorBits > 8 || maxColors == 0 || !dib.GetLayout(layout)) return {};
  if (layout.compression == kBiRle8 || layout.compression == kBiRle4) return {};
  Octree tree(maxColors, colorBits);
  RowDecoder decoder(dib.Data().data(), layout);
  const auto width = static_cast<std::size_t>(layout.width);
  // Rows as the picture reads, top first, left to right.
  for (std::int64_t y = layout.height - 1; y >= 0; --y) {
    for (std::size_t first = 0; first < width; first += RowDecoder::kSpan) {
      const std::size_t count = std::min(RowDecoder::kSpan, width - first);
      const std::uint8_t* bgr = decoder.Span(y, first, count);
      for (std::size_t i = 0; i < count; ++i) tree.Add(bgr[3 * i + 2], bgr[3 * i + 1], bgr[3 * i]);
    }
  }
  if (stats) *stats = tree.Stats();
  return tree.Take();
}

std::vector<std::uint8_t> ConvertDIBFormat(const std::vector<std::uint8_t>& source, int bitCount,
                                           const Palette* palette) {
  DibLayout src;
  if (!ValidBitCount(bitCount) || !FullLayout(source, src)) return {};
  // Run-length pixels would need their own decoder; nothing we make has them.
  if (src.compression == kBiRle8 || src.compression == kBiRle4) return {};

  const std::size_t tableEntries = bitCount <= 8 ? (1u << bitCount) : 0;
  std::vector<PaletteEntry> table;
  if (bitCount == 1) {
    table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  } else if (bitCount == 4 || bitCount == 8) {
    Palette candidates;
    if (palette && !palette->empty()) {
      candidates.assign(palette->begin(), palette->begin() + std::min(palette->size(), tableEntries));
    } else if (src.bitCount == bitCount) {
      candidates = TableOf(source.data(), src);
      candidates.resize(std::min(candidates.size(), tableEntries));
    } else if (bitCount == 4) {
      candidates.assign(kDefault16.begin(), kDefault16.end());
    } else {
      CDib copy;
      copy.Create(source.data(), source.size());
      candidates = CreateOctreePalette(copy, 236, 8);
      if (candidates.empty()) candidates = HalftonePalette();
    }
    if (candidates.empty()) candidates.push_back({0, 0, 0, 0});
    table = std::move(candidates);
  }

  std::vector<std::uint8_t> out;
  try {
    out = NewHeader(src.width, src.height, bitCount, tableEntries);
  } catch (const std::bad_alloc&) {
    return {};
  }
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::uint8_t* e = &out[kInfoHeaderSize + 4 * i];
    e[0] = table[i].blue, e[1] = table[i].green, e[2] = table[i].red;
  }
  NearestColor nearest(table);
  const std::uint64_t rowSize = DibRowSize(bitCount, src.width);
  std::uint8_t* pixels = out.data() + kInfoHeaderSize + tableEntries * 4;
  RowDecoder decoder(source.data(), src);
  const auto width = static_cast<std::size_t>(src.width);
  for (std::int64_t y = 0; y < src.height; ++y) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * rowSize;
    // Neighbours are often the same colour: map them once.
    int lastKey = -1;
    std::uint8_t index = 0;
    for (std::size_t first = 0; first < width; first += RowDecoder::kSpan) {
      const std::size_t count = std::min(RowDecoder::kSpan, width - first);
      const std::uint8_t* bgr = decoder.Span(y, first, count);
      switch (bitCount) {
        case 1:
        case 4:
        case 8:
          for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = bgr + 3 * i;
            int key = (p[2] << 16) | (p[1] << 8) | p[0];
            if (key != lastKey) {
              index = nearest.Map(p[0], p[1], p[2]);
              lastKey = key;
            }
            std::size_t bit = (first + i) * bitCount;
            row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bitCount - bit % 8));
          }
          break;
        case 16:
          for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = bgr + 3 * i;
            const int rgb555 = ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3);
            StoreLe16(row + 2 * (first + i), static_cast<std::uint16_t>(rgb555));
          }
          break;
        case 24:
          std::memcpy(row + 3 * first, bgr, count * 3);
          break;
        default:
          for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(row + 4 * (first + i), bgr + 3 * i, 3);
            row[4 * (first + i) + 3] = 0;
          }
          break;
      }
    }
  }
  return out;
}

// --- CDib -------------------------------------------------------------------

void CDib::TakeIn(std::vector<std::uint8_t> dib) {
  dib_ = std::move(dib);
  palette_ = CreateDIBPalette(dib_);
}

bool CDib::GetLayout(DibLayout& layout) const { return FullLayout(dib_, layout); }

bool CDib::Create(const std::uint8_t* packedDib, std::size_t size) {
  DibLayout layout;
  if (!GetDibLayout(packedDib, size, layout) || layout.wholeSize > size) return false;
  try {
    TakeIn(std::vector<std::uint8_t>(packedDib, packedDib + layout.wholeSize));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool CDib::Attach(std::vector<std::uint8_t> packedDib) {
  DibLayout layout;
  if (!GetDibLayout(packedDib.data(), packedDib.size(), layout) || layout.wholeSize > packedDib.size()) return false;
  TakeIn(std::move(packedDib));
  return true;
}

int CDib::Width() const {
  DibLayout l;
  return GetLayout(l) ? static_cast<int>(l.width) : 0;
}
int CDib::Height() const {
  DibLayout l;
  return GetLayout(l) ? static_cast<int>(l.height) : 0;
}
int CDib::BitCount() const {
  DibLayout l;
  return GetLayout(l) ? l.bitCount : 0;
}
std::uint8_t* CDib::Bits() {
  DibLayout l;
  return GetLayout(l) ? dib_.data() + l.headerSize + l.colorTableSize : nullptr;
}
const std::uint8_t* CDib::Bits() const { return const_cast<CDib*>(this)->Bits(); }

bool ReadBmpInfoHeader(const std::uint8_t* info, std::size_t infoSize, std::uint64_t available,
                       std::uint8_t header[kInfoHeaderSize], DibLayout& layout, bool& topDown) {
  if (!info || infoSize < kInfoHeaderSize || LoadLe32(info) != kInfoHeaderSize) return false;
  std::memcpy(header, info, kInfoHeaderSize);
  const int bits = LoadLe16(&header[14]);
  const std::uint32_t compression = LoadLe32(&header[16]);
  if (LoadLe32(&header[32]) == 0 && bits >= 1 && bits <= 8) StoreLe32(&header[32], 1u << bits);
  const std::int64_t height = static_cast<std::int32_t>(LoadLe32(&header[8]));
  const bool uncompressed = compression == kBiRgb || compression == kBiBitfields;
  // Rows stored top first are turned to the usual order.
  topDown = height < 0 && uncompressed;
  if (topDown) StoreLe32(&header[8], static_cast<std::uint32_t>(-height));
  const std::uint64_t pixelBytes = DibRowSize(bits, static_cast<std::int32_t>(LoadLe32(&header[4]))) *
                                   static_cast<std::uint64_t>(height < 0 ? -height : height);
  // Uncompressed pixels are exactly whole rows, whatever the size field says
  // (writers put 0, the file size or worse there).
  if (LoadLe32(&header[20]) == 0 || uncompressed) {
    StoreLe32(&header[20], static_cast<std::uint32_t>(std::min<std::uint64_t>(pixelBytes, kMaxDibBytes)));
  }
  return GetDibLayout(header, kInfoHeaderSize, layout) && layout.wholeSize <= available;
}

bool CDib::ReadFromMemory(const std::uint8_t* bytes, std::size_t size) {
  if (!bytes || size < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return false;
  // The file's real length counts, not its size field; the pixel offset is
  // not needed either, the pixels follow the colour table.
  const std::uint8_t* block = bytes + kFileHeaderSize;
  const std::size_t available = size - kFileHeaderSize;
  std::uint8_t header[kInfoHeaderSize];
  DibLayout layout;
  bool topDown = false;
  if (!ReadBmpInfoHeader(block, available, available, header, layout, topDown)) return false;
  std::vector<std::uint8_t> work;
  try {
    work.resize(layout.wholeSize);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::memcpy(work.data(), header, kInfoHeaderSize);
  std::memcpy(work.data() + kInfoHeaderSize, block + kInfoHeaderSize, layout.wholeSize - kInfoHeaderSize);
  if (topDown) {
    ReverseRows(work.data() + layout.headerSize + layout.colorTableSize, layout.rowSize, layout.height);
  }
  TakeIn(std::move(work));
  return true;
}

bool CDib::Read(File& file) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(file, bytes)) return false;
  return ReadFromMemory(bytes.data(), bytes.size());
}

bool CDib::WriteToMemory(std::vector<std::uint8_t>& out) const {
  DibLayout layout;
  if (!GetLayout(layout) || layout.headerSize != kInfoHeaderSize) return false;
  const bool rle = layout.compression == kBiRle8 || layout.compression == kBiRle4;
  const std::uint64_t imageSize = rle ? layout.imageSize : layout.rowSize * layout.height;
  const std::uint64_t offBits = kFileHeaderSize + layout.headerSize + layout.colorTableSize;
  try {
    out.assign(offBits + imageSize, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  out[0] = 'B', out[1] = 'M';
  StoreLe32(&out[2], static_cast<std::uint32_t>(offBits + imageSize));
  StoreLe32(&out[10], static_cast<std::uint32_t>(offBits));
  std::memcpy(&out[kFileHeaderSize], dib_.data(), offBits - kFileHeaderSize + imageSize);
  StoreLe32(&out[kFileHeaderSize + 20], static_cast<std::uint32_t>(imageSize));
  return true;
}

bool CDib::Write(File& file) const {
  std::vector<std::uint8_t> bytes;
  if (!WriteToMemory(bytes)) return false;
  return file.Write(bytes.data(), bytes.size()) == bytes.size();
}

bool CDib::Load(FileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, OpenMode::kRead);
  return file && Read(*file);
}

bool CDib::Save(FileSystem& fs, const std::string& path) const {
  std::vector<std::uint8_t> bytes;
  if (!WriteToMemory(bytes)) return false;
  auto file = fs.Open(path, OpenMode::kCreate);
  return file && file->Write(bytes.data(), bytes.size()) == bytes.size();
}

bool CDib::ConvertToBits(int bitCount) {
  if (IsEmpty()) return false;
  std::vector<std::uint8_t> converted;
  if (bitCount <= 8) {
    Palette palette = CreateOctreePalette(*this, std::size_t{1} << std::max(bitCount, 1), bitCount);
    converted = ConvertDIBFormat(dib_, bitCount, palette.empty() ? nullptr : &palette);
  } else {
    converted = ConvertDIBFormat(dib_, bitCount, nullptr);
  }
  if (converted.empty()) return false;
  TakeIn(std::move(converted));
  return true;
}

bool CDib::ChangeBitCount(int bitCount) {
  if (IsEmpty()) return false;
  if (BitCount() == bitCount) return true;
  std::vector<std::uint8_t> converted = ConvertDIBFormat(dib_, bitCount, nullptr);
  if (converted.empty()) return false;
  TakeIn(std::move(converted));
  return true;
}

// --- pixel buffers ----------------------------------------------------------

void SwapRedBlue(std::uint8_t* buffer, std::size_t width, std::size_t height) {
  std::uint8_t* end = buffer + width * height * 3;
  for (std::uint8_t* p = buffer; p < end; p += 3) std::swap(p[0], p[2]);
}

std::vector<std::uint8_t> PadRows(const std::uint8_t* packed, std::size_t width, std::size_t height) {
  const std::size_t in = width * 3, out = DibRowSize(24, static_cast<std::int64_t>(width));
  std::vector<std::uint8_t> result(out * height);
  for (std::size_t y = 0; y < height; ++y) std::memcpy(&result[y * out], packed + y * in, in);
  return result;
}

std::vector<std::uint8_t> UnpadRows(const std::uint8_t* padded, std::size_t width, std::size_t height, int bitCount) {
  const std::size_t in = DibRowSize(bitCount, static_cast<std::int64_t>(width));
  const std::size_t out = width * bitCount / 8;
  std::vector<std::uint8_t> result(out * height);
  for (std::size_t y = 0; y < height; ++y) std::memcpy(&result[y * out], padded + y * in, out);
  return result;
}

void ReverseRows(std::uint8_t* buffer, std::size_t rowBytes, std::size_t height) {
  std::vector<std::uint8_t> temp(rowBytes);
  for (std::size_t i = 0; i < height / 2; ++i) {
    std::uint8_t* a = buffer + i * rowBytes;
    std::uint8_t* b = buffer + (height - 1 - i) * rowBytes;
    std::memcpy(temp.data(), a, rowBytes);
    std::memcpy(a, b, rowBytes);
    std::memcpy(b, temp.data(), rowBytes);
  }
}

bool MakeDibFromRgb(const std::uint8_t* rgb, int width, int height, CDib& out) {
  if (!rgb || width <= 0 || height <= 0) return false;
  const std::uint64_t rowSize = DibRowSize(24, width);
  if (rowSize * static_cast<std::uint64_t>(height) > kMaxDibBytes) return false;
  std::vector<std::uint8_t> dib;
  try {
    dib = NewHeader(width, height, 24, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Zero image size, as the header of a fresh 24-bit DIB has.
  StoreLe32(&dib[20], 0);
  const auto w = static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = rgb + static_cast<std::size_t>(y) * w * 3;
    std::uint8_t* dst = dib.data() + kInfoHeaderSize + static_cast<std::size_t>(height - 1 - y) * rowSize;
    for (std::size_t x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return out.Attach(std::move(dib));
}

}  // namespace kelvarion
