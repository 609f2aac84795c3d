// CDib: an image held as a packed device-independent bitmap (information
// header, colour table, bottom-up pixel rows) in memory of our own. It reads
// and writes BMP files, changes colour depth and reduces colours with an
// octree palette. No GDI here: the Win32 shell makes a DIB section or a
// palette from the packed bytes when it must show or place one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/palette.h"
#include "platform/file_system.h"

namespace kelvarion {

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitfields = 3;
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::size_t kCoreHeaderSize = 12;
inline constexpr std::size_t kFileHeaderSize = 14;

// Where everything of a packed DIB lies, worked out from its header alone.
struct DibLayout {
  std::uint32_t headerSize = 0;  // 40, or 12 for the core header
  std::int64_t width = 0, height = 0;
  int bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::uint64_t colorCount = 0;     // colour table entries
  std::uint64_t colorTableSize = 0;  // bytes, with the three masks of BI_BITFIELDS
  std::uint64_t rowSize = 0;
  std::uint64_t imageSize = 0;  // the header's field, or row size x height when it is 0
  std::uint64_t wholeSize = 0;
  bool IsCore() const { return headerSize == kCoreHeaderSize; }
};

// Reads the header at `dib` (`available` bytes). False when it is not one we
// can hold: a header other than 40 or 12 bytes, a bit count other than
// 1/4/8/16/24/32, a width or height of 0 or less, an unknown compression, or
// sizes past 2 GiB. Does not check that `available` covers the whole size.
bool GetDibLayout(const std::uint8_t* dib, std::size_t available, DibLayout& layout);
std::uint64_t DibRowSize(int bitCount, std::int64_t width);

// A logical palette with one entry per colour table entry; empty when the
// DIB has no colour table.
Palette CreateDIBPalette(const std::vector<std::uint8_t>& dib);

// The information header of a BMP file, checked as the BMP reader checks it:
// `info` (infoSize bytes, at least 40) is what follows the 14-byte file
// header, `available` how many bytes the file has there in all. Fills
// `header` with the header as the packed DIB is held (colours used and image
// size filled in, the height made positive), `layout` with its layout and
// `topDown` with whether the file's rows must be turned over. False for a
// header other than the 40-byte one, sizes the reader refuses, or a DIB
// longer than the bytes available.
bool ReadBmpInfoHeader(const std::uint8_t* info, std::size_t infoSize, std::uint64_t available,
                       std::uint8_t header[kInfoHeaderSize], DibLayout& layout, bool& topDown);

class CDib;

// At most `maxColors` colours at `colorBits` (1..8) bits of each channel,
// reduced as it goes; empty when the image has nothing to count.
Palette CreateOctreePalette(const CDib& dib, std::size_t maxColors, int colorBits, OctreeStats* stats = nullptr);

// A new packed DIB of `bitCount` bits with the pixels of `source`; colours
// that the new table lacks go to the nearest entry. `palette` (may be null)
// gives the colour table for 4 and 8 bits. Empty on failure.
std::vector<std::uint8_t> ConvertDIBFormat(const std::vector<std::uint8_t>& source, int bitCount,
                                           const Palette* palette);

class CDib {
 public:
  CDib() = default;
  CDib(const CDib&) = default;
  CDib& operator=(const CDib&) = default;
  CDib(CDib&&) noexcept = default;
  CDib& operator=(CDib&&) noexcept = default;

  // BMP files through the file system port; true on success. A failed read
  // leaves the previous image in place.
  bool Load(FileSystem& fs, const std::string& path);
  bool Save(FileSystem& fs, const std::string& path) const;
  bool Read(File& file);
  bool Write(File& file) const;
  // The BMP file form in memory (what Read takes from a file, what Write
  // puts there).
  bool ReadFromMemory(const std::uint8_t* bytes, std::size_t size);
  bool WriteToMemory(std::vector<std::uint8_t>& out) const;

  // Copies the whole size of a packed DIB; false when it is null, its header
  // is not one we hold, or `size` does not cover it.
  bool Create(const std::uint8_t* packedDib, std::size_t size);
  // Takes the block over; false (and the old image kept) when it is empty or
  // not a packed DIB we hold.
  bool Attach(std::vector<std::uint8_t> packedDib);

  int Width() const;
  int Height() const;
  int BitCount() const;
  std::uint8_t* Bits();
  const std::uint8_t* Bits() const;
  const std::vector<std::uint8_t>& Data() const { return dib_; }  // the packed DIB
  const Palette& GetPalette() const { return palette_; }
  bool IsEmpty() const { return dib_.empty(); }
  bool GetLayout(DibLayout& layout) const;

  bool ConvertToBits(int bitCount);
  bool ChangeBitCount(int bitCount);

 private:
  void TakeIn(std::vector<std::uint8_t> dib);

  std::vector<std::uint8_t> dib_;
  Palette palette_;
};

// Pixel buffer operations over 3-byte pixels and byte rows.
void SwapRedBlue(std::uint8_t* buffer, std::size_t width, std::size_t height);
// Rows of width x 3 bytes into rows padded to a multiple of 4 bytes.
std::vector<std::uint8_t> PadRows(const std::uint8_t* packed, std::size_t width, std::size_t height);
// Rows padded to a multiple of 4 into rows of width x bits / 8 bytes.
std::vector<std::uint8_t> UnpadRows(const std::uint8_t* padded, std::size_t width, std::size_t height, int bitCount);
void ReverseRows(std::uint8_t* buffer, std::size_t rowBytes, std::size_t height);

// A 24-bit packed DIB from a top-down RGB buffer of width x height x 3 bytes.
bool MakeDibFromRgb(const std::uint8_t* rgb, int width, int height, CDib& out);

}  // namespace kelvarion
