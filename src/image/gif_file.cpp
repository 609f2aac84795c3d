#include "image/gif_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "base/bytes.h"
#include "base/file_utils.h"

namespace kelvarion {

namespace {

constexpr int kMaxBits = 12;
constexpr int kMaxMaxCode = 1 << kMaxBits;  // 4096 codes
constexpr int kHashSize = 5003;             // 80% occupancy of the code space
constexpr int kHashShift = 4;

// A picture larger than this is refused before anything is allocated for it.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 27;

// The most pixels LZW data of this many bytes can stand for. A code read at a
// width of w bits is one longer than some table entry at most, and while codes
// are w bits wide the table holds fewer than 2^w entries, each at most one
// longer than the one before: so a w-bit code yields at most 2^w pixels.
// 2^w / w grows with w, so no stream yields more than 4096 / 12 pixels a bit,
// whatever its clear codes and widths. A header that claims more than its data
// can give is refused instead of being allocated for.
std::uint64_t MaxLzwPixels(std::size_t dataBytes) {
  return static_cast<std::uint64_t>(dataBytes) * 8 * kMaxMaxCode / kMaxBits;
}

void Put16(std::vector<std::uint8_t>& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

class LzwEncoder {
 public:
  explicit LzwEncoder(std::vector<std::uint8_t>& out) : out_(out) {}

  void Compress(const std::uint8_t* pixels, std::size_t count) {
    nBits_ = initBits_;
    maxCode_ = MaxCode(nBits_);
    freeEnt_ = clearCode_ + 2;
    ClearHash();
    Output(clearCode_);
    int ent = pixels[0];
    for (std::size_t i = 1; i < count; ++i) {
      const int c = pixels[i];
      const std::int32_t fcode = (static_cast<std::int32_t>(c) << kMaxBits) + ent;
      int index = (c << kHashShift) ^ ent;
      if (hashTable_[index] == fcode) {
        ent = codeTable_[index];
        continue;
      }
      if (hashTable_[index] >= 0) {
        const int displacement = index == 0 ? 1 : kHashSize - index;
        bool found = false;
        do {
          if ((index -= displacement) < 0) index += kHashSize;
          if (hashTable_[index] == fcode) {
            found = true;
            break;
          }
        } while (hashTable_[index] > 0);
        if (found) {
          ent = codeTable_[index];
          continue;
        }
      }
      Output(ent);
      ent = c;
      if (freeEnt_ < kMaxMaxCode) {
        codeTable_[index] = static_cast<std::uint16_t>(freeEnt_++);
        hashTable_[index] = fcode;
      } else {
        ClearHash();
        freeEnt_ = clearCode_ + 2;
        clearFlag_ = true;
        Output(clearCode_);
      }
    }
    Output(ent);
    Output(endCode_);
  }

 private:
  static int MaxCode(int bits) { return (1 << bits) - 1; }

  void ClearHash() { hashTable_.fill(-1); }

  void CharOut(std::uint8_t c) {
    packet_[count_++] = c;
    if (count_ >= 254) FlushPacket();
  }

  void FlushPacket() {
    if (count_ == 0) return;
    out_.push_back(static_cast<std::uint8_t>(count_));
    out_.insert(out_.end(), packet_.begin(), packet_.begin() + count_);
    count_ = 0;
  }

  void Output(int code) {
    accumulator_ &= (1u << bits_) - 1;
    accumulator_ |= static_cast<std::uint32_t>(code) << bits_;
    bits_ += nBits_;
    while (bits_ >= 8) {
      CharOut(static_cast<std::uint8_t>(accumulator_));
      accumulator_ >>= 8;
      bits_ -= 8;
    }
    // The decoder widens its codes when the table passes the current width;
    // keep step with it.
    if (freeEnt_ > maxCode_ || clearFlag_) {
      if (clearFlag_) {
        nBits_ = initBits_;
        maxCode_ = MaxCode(nBits_);
        clearFlag_ = false;
      } else {
        ++nBits_;
        maxCode_ = nBits_ == kMaxBits ? kMaxMaxCode : MaxCode(nBits_);
      }
    }
    if (code == endCode_) {
      while (bits_ > 0) {
        CharOut(static_cast<std::uint8_t>(accumulator_));
        accumulator_ >>= 8;
        bits_ -= 8;
      }
      bits_ = 0;
      FlushPacket();
    }
  }

  std::vector<std::uint8_t>& out_;
  int initBits_ = 9;
  int clearCode_ = 256;
  int endCode_ = 257;
  int nBits_ = 9;
  int maxCode_ = 511;
  int freeEnt_ = 258;
  bool clearFlag_ = false;
  std::uint32_t accumulator_ = 0;
  int bits_ = 0;
  std::array<std::uint8_t, 256> packet_{};
  int count_ = 0;
  std::array<std::int32_t, kHashSize> hashTable_{};
  std::array<std::uint16_t, kHashSize> codeTable_{};
};

// Reads bytes from a file image in memory; every read says whether it could.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(void* out, std::size_t n) {
    if (size_ - pos_ < n) {
      pos_ = size_;
      return false;
    }
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  int Byte() { return pos_ < size_ ? data_[pos_++] : -1; }
  void Skip(std::size_t n) { pos_ += std::min(n, size_ - pos_); }
  std::size_t Remaining() const { return size_ - pos_; }

  // Data sub-blocks up to the zero-length block (or the end of the file).
  void ReadSubBlocks(std::vector<std::uint8_t>* into) {
    for (;;) {
      int count = Byte();
      if (count <= 0) return;
      std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), Remaining());
      if (into) into->insert(into->end(), data_ + pos_, data_ + pos_ + n);
      pos_ += n;
    }
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

using ColorTable = std::array<std::uint8_t, 256 * 3>;

// Where decoded pixels go: rows top-down, or the four passes of an
// interlaced picture. Full() once the last row is done.
class PixelSink {
 public:
  PixelSink(std::uint8_t* rgb, int width, int height, bool interlaced, const ColorTable& colors)
      : rgb_(rgb), width_(width), height_(height), interlaced_(interlaced), colors_(colors) {}

  bool Full() const { return done_; }

  void Put(std::uint8_t index) {
    std::uint8_t* p = rgb_ + (static_cast<std::size_t>(row_) * width_ + x_) * 3;
    std::memcpy(p, &colors_[index * 3], 3);
    if (++x_ < width_) return;
    x_ = 0;
    if (!interlaced_) {
      if (++row_ >= height_) done_ = true;
      return;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= height_) {
      if (++pass_ >= 4) {
        done_ = true;
        return;
      }
      row_ = kStart[pass_];
    }
  }

 private:
  std::uint8_t* rgb_;
  int width_, height_;
  bool interlaced_;
  const ColorTable& colors_;
  int x_ = 0, row_ = 0, pass_ = 0;
  bool done_ = false;
};

// Decodes LZW codes until the picture is full, the end code, or anything
// malformed; whatever was decoded by then stays.
void DecodeLzw(int codeSize, const std::vector<std::uint8_t>& data, PixelSink& sink) {
  const int clearCode = 1 << codeSize;
  const int endCode = clearCode + 1;
  std::array<std::uint16_t, kMaxMaxCode> prefix{};
  std::array<std::uint8_t, kMaxMaxCode> suffix{};
  std::array<std::uint8_t, 2 * kMaxMaxCode> stack{};
  for (int i = 0; i < clearCode; ++i) suffix[i] = static_cast<std::uint8_t>(i);

  int width = codeSize + 1;
  int nextFree = clearCode + 2;
  int oldCode = -1;
  std::uint8_t firstByte = 0;
  const std::uint64_t totalBits = static_cast<std::uint64_t>(data.size()) * 8;
  std::uint64_t bitPos = 0;

  while (!sink.Full()) {
    if (bitPos + width > totalBits) return;  // the data ran out
    std::uint32_t bits = 0;
    const std::size_t byte = static_cast<std::size_t>(bitPos / 8);
    for (std::size_t i = 0; i < 3 && byte + i < data.size(); ++i) bits |= static_cast<std::uint32_t>(data[byte + i]) << (8 * i);
    const int code = static_cast<int>((bits >> (bitPos % 8)) & ((1u << width) - 1));
    bitPos += width;

    if (code == clearCode) {
      width = codeSize + 1;
      nextFree = clearCode + 2;
      oldCode = -1;
      continue;
    }
    if (code == endCode) return;
    if (oldCode < 0) {
      // The first code after a clear must be a plain colour index.
      if (code >= clearCode) return;
      firstByte = suffix[code];
      sink.Put(firstByte);
      oldCode = code;
      continue;
    }

    int sp = 0;
    int current = code;
    int inCode = code;
    if (code >= nextFree) {
      // Not in the table yet: the previous string plus its own first byte.
      // A code beyond that one is malformed; read it as that same string so
      // that nothing undefined is ever followed.
      stack[sp++] = firstByte;
      current = oldCode;
      inCode = nextFree < kMaxMaxCode ? nextFree : oldCode;
    }
    // Every entry's prefix is a smaller code, so the chain ends; the bound on
    // its length guards the stack all the same.
    while (current >= clearCode) {
      if (sp >= static_cast<int>(stack.size()) - 1 || prefix[current] == current) return;
      stack[sp++] = suffix[current];
      current = prefix[current];
    }
    firstByte = suffix[current];
    stack[sp++] = firstByte;

    // A full table takes no more entries; decoding goes on with it as it is.
    if (nextFree < kMaxMaxCode) {
      prefix[nextFree] = static_cast<std::uint16_t>(oldCode);
      suffix[nextFree] = firstByte;
      ++nextFree;
      if (nextFree >= (1 << width) && width < kMaxBits) ++width;
    }
    oldCode = inCode;
    while (sp > 0 && !sink.Full()) sink.Put(stack[--sp]);
  }
}

}  // namespace

bool EncodeGif(const std::uint8_t* pixels, int width, int height, int background, const std::uint8_t red[256],
               const std::uint8_t green[256], const std::uint8_t blue[256], std::vector<std::uint8_t>& out) {
  if (!pixels || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
  try {
    out.assign({'G', 'I', 'F', '8', '7', 'a'});
    Put16(out, width);
    Put16(out, height);
    out.push_back(0xE7);  // global table of 256 entries at 8 bits of colour
    out.push_back(static_cast<std::uint8_t>(background));
    out.push_back(0);  // square pixels
    for (int i = 0; i < 256; ++i) {
      out.push_back(red[i]);
      out.push_back(green[i]);
      out.push_back(blue[i]);
    }
    out.push_back(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.push_back(0);  // no local table, not interlaced
    out.push_back(8);  // LZW minimum code size
    LzwEncoder encoder(out);
    encoder.Compress(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    out.push_back(0);
    out.push_back(0x3B);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
  return true;
}

bool GifFile::GIFWrite(FileSystem& fs, const std::string& path, const std::uint8_t* pixels, int width, int height,
                       int background, const std::uint8_t red[256], const std::uint8_t green[256],
                       const std::uint8_t blue[256]) {
  std::vector<std::uint8_t> bytes;
  if (!EncodeGif(pixels, width, height, background, red, green, blue, bytes)) {
    error_ = "Can't write this picture as GIF";
    return false;
  }
  auto file = fs.Open(path, OpenMode::kCreate);
  if (!file) {
    error_ = "Can't open GIF for writing";
    return false;
  }
  if (file->Write(bytes.data(), bytes.size()) != bytes.size()) {
    error_ = "Write Error in GIF file";
    if (notice_) notice_->Show("Write Error in GIF file", "Kelvarion", NoticeIcon::kNone);
    return false;
  }
  return true;
}

std::vector<std::uint8_t> GifFile::GIFRead(FileSystem& fs, const std::string& path, int& width, int& height) {
  if (path.empty()) {
    error_ = "No Name Given";
    return {};
  }
  auto file = fs.Open(path, OpenMode::kRead);
  std::vector<std::uint8_t> bytes;
  if (!file || !ReadWholeFile(*file, bytes)) {
    error_ = "Cant open GIF :\n" + path;
    return {};
  }
  file.reset();
  return GIFReadMemory(bytes.data(), bytes.size(), path, width, height);
}

std::vector<std::uint8_t> GifFile::GIFReadMemory(const std::uint8_t* bytes, std::size_t size, const std::string& path,
                                                 int& width, int& height) {
  ByteReader in(bytes, bytes ? size : 0);
  std::uint8_t magic[6];
  if (!in.Read(magic, 6)) {
    error_ = "Error reading GIF Magic #\n" + path;
    return {};
  }
  if (std::memcmp(magic, "GIF", 3) != 0) {
    error_ = "Error, " + path + " is not a valid .GIF file";
    return {};
  }
  if (std::memcmp(magic + 3, "87a", 3) != 0 && std::memcmp(magic + 3, "89a", 3) != 0) {
    error_ = "Error, Bad GIF Version number";
    return {};
  }
  std::uint8_t screen[7];
  if (!in.Read(screen, 7)) {
    error_ = "Error, failed to GIF read screen descriptor.\nGiving up";
    return {};
  }
  ColorTable globalColors{};
  if (screen[4] & 0x80) {
    if (!in.Read(globalColors.data(), (2u << (screen[4] & 7)) * 3)) {
      error_ = "Error reading GIF colormap";
      return {};
    }
  }
  if (screen[6] != 0 && screen[6] != 49) error_ = "Non-square pixels in GIF image.\nIgnoring that fact...";

  // Extensions (graphic control, comments, applications) are skipped; any
  // other stray byte before the image is ignored.
  for (;;) {
    int c = in.Byte();
    if (c < 0) {
      error_ = "Unexpected EOF in GIF.\nGiving up";
      return {};
    }
    if (c == 0x21) {
      if (in.Byte() < 0) {
        error_ = "Error on extension read.\nGiving up";
        return {};
      }
      in.ReadSubBlocks(nullptr);
    } else if (c == 0x2C) {
      break;
    }
  }

  std::uint8_t image[9];
  if (!in.Read(image, 9)) {
    error_ = "Error on dimension read\nGiving up";
    return {};
  }
  const int w = LoadLe16(image + 4);
  const int h = LoadLe16(image + 6);
  const std::uint8_t flags = image[8];
  if (w == 0 || h == 0) {
    error_ = "Error on dimension read\nGiving up";
    return {};
  }
  const std::uint64_t pixels = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
  const bool local = (flags & 0x80) != 0;
  ColorTable localColors{};
  if (local && !in.Read(localColors.data(), (2u << (flags & 7)) * 3)) {
    error_ = "Error reading GIF colormap\nGiving up";
    return {};
  }
  const int codeSize = in.Byte();
  // A code size of 12 or more would put the clear code past the table.
  if (codeSize < 1 || codeSize > 11) {
    error_ = local ? "Error reading GIF file\nLocalColorMap\nGiving up"
                   : "Error reading GIF file\nGIFScreen Colormap\nGiving up";
    return {};
  }
  // The image data are read before the picture is allocated, so that the
  // picture can be no larger than what they can fill.
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> rgb;
  try {
    in.ReadSubBlocks(&data);
    // One byte to spare: a small picture whose data are cut off still reads.
    if (pixels > kMaxPixels || pixels > MaxLzwPixels(data.size() + 1)) {
      error_ = "Out of Memory in GIFRead";
      return {};
    }
    rgb.resize(pixels * 3);
  } catch (const std::bad_alloc&) {
    error_ = "Out of Memory in GIFRead";
    return {};
  }
  PixelSink sink(rgb.data(), w, h, (flags & 0x40) != 0, local ? localColors : globalColors);
  DecodeLzw(codeSize, data, sink);
  width = w;
  height = h;
  return rgb;
}

bool GifFile::Load(FileSystem& fs, const std::string& path) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb = GIFRead(fs, path, width, height);
  if (rgb.empty()) return false;
  auto dib = std::make_unique<CDib>();
  if (!MakeDibFromRgb(rgb.data(), width, height, *dib)) {
    error_ = "Out of Memory in GIFRead";
    return false;
  }
  image_ = std::move(dib);
  return true;
}

bool GifFile::Save(FileSystem& fs, const std::string& path, const CDib* dib) {
  if (!dib) dib = image_.get();
  if (!dib || dib->IsEmpty()) return false;
  // An 8-bit image goes as it is; anything else is reduced to 256 colours
  // (the copy is made by the conversion itself).
  CDib reduced;
  const CDib* work = dib;
  if (dib->BitCount() != 8) {
    reduced = *dib;
    if (!reduced.ConvertToBits(8)) return false;
    work = &reduced;
  }
  DibLayout layout;
  if (!work->GetLayout(layout) || layout.compression != kBiRgb) return false;
  std::uint8_t red[256] = {}, green[256] = {}, blue[256] = {};
  const Palette& palette = work->GetPalette();
  for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
    red[i] = palette[i].red, green[i] = palette[i].green, blue[i] = palette[i].blue;
  }
  const int width = work->Width(), height = work->Height();
  // Rows packed to the width and turned top-down in one pass.
  std::vector<std::uint8_t> pixels;
  try {
    pixels.resize(static_cast<std::size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    error_ = "Out of Memory in GIF save";
    return false;
  }
  for (int y = 0; y < height; ++y) {
    std::memcpy(&pixels[static_cast<std::size_t>(y) * width],
                work->Bits() + static_cast<std::size_t>(height - 1 - y) * layout.rowSize, width);
  }
  return GIFWrite(fs, path, pixels.data(), width, height, 0, red, green, blue);
}

}  // namespace kelvarion
