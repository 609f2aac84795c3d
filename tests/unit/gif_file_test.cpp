#include "image/gif_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image_test_support.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::Bytes;

// Colour i of the tables the hand-made files carry.
std::uint8_t Red(int i) { return static_cast<std::uint8_t>(i); }
std::uint8_t Green(int i) { return static_cast<std::uint8_t>(255 - i); }
std::uint8_t Blue(int i) { return static_cast<std::uint8_t>(i * 3); }

// LZW codes packed least significant bit first, the code width following
// the table as a decoder grows it.
Bytes PackCodes(int codeSize, const std::vector<int>& codes) {
  const int clear = 1 << codeSize;
  Bytes out;
  std::uint64_t acc = 0;
  int bits = 0, width = codeSize + 1, nextFree = clear + 2;
  bool first = true;
  for (int code : codes) {
    acc |= static_cast<std::uint64_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      out.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
    if (code == clear) {
      width = codeSize + 1, nextFree = clear + 2, first = true;
      continue;
    }
    if (first) {
      first = false;
      continue;
    }
    if (nextFree < 4096 && ++nextFree >= (1 << width) && width < 12) ++width;
  }
  if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc));
  return out;
}

struct GifShape {
  int width = 4, height = 4;
  int codeSize = 8;
  bool interlaced = false;
  int globalEntries = 256;  // 0: no global table
  int localEntries = 0;
  std::uint8_t aspect = 0;
};

// A GIF89a file around LZW data, in sub-blocks of 255 bytes.
Bytes MakeGif(const GifShape& s, const Bytes& lzw) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  auto put16 = [&](int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto table = [&](int entries) {
    for (int i = 0; i < entries; ++i) b.insert(b.end(), {Red(i), Green(i), Blue(i)});
  };
  auto sizeBits = [](int entries) {
    int n = 0;
    while ((2 << n) < entries) ++n;
    return n;
  };
  put16(s.width);
  put16(s.height);
  b.push_back(s.globalEntries ? static_cast<std::uint8_t>(0x80 | sizeBits(s.globalEntries)) : 0);
  b.push_back(0);
  b.push_back(s.aspect);
  table(s.globalEntries ? 2 << sizeBits(s.globalEntries) : 0);
  b.push_back(0x2C);
  put16(0), put16(0), put16(s.width), put16(s.height);
  std::uint8_t flags = s.interlaced ? 0x40 : 0;
  if (s.localEntries) flags |= static_cast<std::uint8_t>(0x80 | sizeBits(s.localEntries));
  b.push_back(flags);
  if (s.localEntries) table(2 << sizeBits(s.localEntries));
  b.push_back(static_cast<std::uint8_t>(s.codeSize));
  for (std::size_t i = 0; i < lzw.size(); i += 255) {
    std::size_t n = std::min<std::size_t>(255, lzw.size() - i);
    b.push_back(static_cast<std::uint8_t>(n));
    b.insert(b.end(), lzw.begin() + i, lzw.begin() + i + n);
  }
  b.push_back(0);
  b.push_back(0x3B);
  return b;
}

// The RGB the tables above give for a row of palette indices.
Bytes ColoursOf(const std::vector<int>& indices) {
  Bytes rgb;
  for (int i : indices) rgb.insert(rgb.end(), {Red(i), Green(i), Blue(i)});
  return rgb;
}

Bytes Read(const Bytes& file, int& w, int& h, std::string* error = nullptr) {
  GifFile gif;
  Bytes rgb = gif.GIFReadMemory(file.data(), file.size(), "x.gif", w, h);
  if (error) *error = gif.ErrorText();
  return rgb;
}

TEST(GifFile, ReadsWhatImageMagickWrote) {
  // Samples written by ImageMagick, with the pixels its own decoder gives.
  for (const char* name : {"extensions89a.gif", "interlaced.gif", "animated.gif"}) {
    GifFile gif;
    int w = 0, h = 0;
    Bytes rgb = gif.GIFRead(test::HostFileSystem(), test::DataPath(name), w, h);
    ASSERT_FALSE(rgb.empty()) << name << ": " << gif.ErrorText();
    EXPECT_EQ(w, 13);
    EXPECT_EQ(h, 11);
    EXPECT_EQ(rgb, test::ReadData(std::string(name) + ".rgb")) << name << ": pixels differ from ImageMagick's";
  }
}

TEST(GifFile, WritesTheGif87aLayout) {
  const int w = 300, h = 200;
  Bytes pixels(w * h);
  for (int i = 0; i < w * h; ++i) pixels[i] = static_cast<std::uint8_t>((i * 7 + i / 13) % 256);
  std::uint8_t r[256], g[256], b[256];
  for (int i = 0; i < 256; ++i) r[i] = Red(i), g[i] = Green(i), b[i] = Blue(i);
  Bytes file;
  ASSERT_TRUE(EncodeGif(pixels.data(), w, h, 3, r, g, b, file));

  ASSERT_GT(file.size(), 13u + 768 + 11);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
  EXPECT_EQ(test::Get16(file, 6), unsigned(w));
  EXPECT_EQ(test::Get16(file, 8), unsigned(h));
  EXPECT_EQ(file[10], 0xE7) << "screen flags";
  EXPECT_EQ(file[11], 3) << "background index";
  EXPECT_EQ(file[12], 0) << "aspect";
  EXPECT_EQ(file[13 + 3 * 200], 200);
  EXPECT_EQ(file[13 + 3 * 200 + 1], 55);
  const std::size_t d = 13 + 768;
  EXPECT_EQ(file[d], 0x2C);
  EXPECT_EQ(test::Get32(file, d + 1), 0u) << "left and top";
  EXPECT_EQ(test::Get16(file, d + 5), unsigned(w));
  EXPECT_EQ(test::Get16(file, d + 7), unsigned(h));
  EXPECT_EQ(file[d + 9], 0) << "no local table, not interlaced";
  EXPECT_EQ(file[d + 10], 8) << "LZW minimum code size";
  std::size_t pos = d + 11;
  int blocks = 0;
  while (pos < file.size() && file[pos] != 0) {
    EXPECT_LE(file[pos], 254) << "sub-block " << blocks << " too long";
    pos += file[pos] + 1;
    ++blocks;
  }
  ASSERT_EQ(pos + 2, file.size()) << "the data must end in the block terminator and the trailer";
  EXPECT_EQ(file[pos + 1], 0x3B);
  EXPECT_GT(blocks, 10);

  int rw = 0, rh = 0;
  Bytes rgb = Read(file, rw, rh);
  std::vector<int> indices(pixels.begin(), pixels.end());
  EXPECT_EQ(rgb, ColoursOf(indices)) << "our reader must decode our writer exactly (through table clears)";
}

TEST(GifFile, RoundTripsSmallAndOddPictures) {
  struct Case {
    int w, h;
    int colors;
  };
  for (const Case& c : {Case{1, 1, 1}, Case{1, 7, 2}, Case{255, 3, 256}, Case{64, 64, 1}, Case{17, 33, 60}}) {
    Bytes rgb = test::MakeRgbPicture(c.w, c.h, c.colors, c.w * 31 + c.h);
    CDib dib;
    ASSERT_TRUE(MakeDibFromRgb(rgb.data(), c.w, c.h, dib));
    test::ScratchDir dir;
    GifFile out;
    ASSERT_TRUE(out.Save(test::HostFileSystem(), dir.path() + "p.gif", &dib)) << c.w << "x" << c.h;
    GifFile in;
    ASSERT_TRUE(in.Load(test::HostFileSystem(), dir.path() + "p.gif")) << in.ErrorText();
    ASSERT_NE(in.Image(), nullptr);
    EXPECT_EQ(in.Image()->BitCount(), 24);
    EXPECT_EQ(test::DibToRgb(*in.Image()), rgb) << c.w << "x" << c.h << " with " << c.colors << " colours";
  }
  GifFile none;
  test::ScratchDir dir;
  EXPECT_FALSE(none.Save(test::HostFileSystem(), dir.path() + "n.gif")) << "no image, nothing to save";
}

TEST(GifFile, ReadsInterlacedRowsInPassOrder) {
  // 1 x 10, each row its own colour: the rows arrive as 0 8 | 4 | 2 6 | 1 3 5 7 9.
  GifShape s;
  s.width = 1, s.height = 10, s.interlaced = true;
  const std::vector<int> order = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  std::vector<int> codes = {256};
  for (int row : order) codes.push_back(row * 10);
  codes.push_back(257);
  int w, h;
  Bytes rgb = Read(MakeGif(s, PackCodes(8, codes)), w, h);
  std::vector<int> expect;
  for (int row = 0; row < 10; ++row) expect.push_back(row * 10);
  EXPECT_EQ(rgb, ColoursOf(expect)) << "interlaced rows landed in the wrong places";
}

TEST(GifFile, LocalTableAndIndicesPastTheTable) {
  GifShape s;
  s.width = 4, s.height = 1, s.codeSize = 2, s.globalEntries = 0, s.localEntries = 2;
  // Index 3 is past the two-entry table: black, not a read past it.
  int w, h;
  Bytes rgb = Read(MakeGif(s, PackCodes(2, {4, 1, 0, 3, 1, 5})), w, h);
  Bytes expect = ColoursOf({1, 0, 0, 1});
  expect[6] = expect[7] = expect[8] = 0;
  EXPECT_EQ(rgb, expect);
}

TEST(GifFile, ErrorTexts) {
  GifShape s;
  Bytes good = MakeGif(s, PackCodes(8, {256, 1, 2, 3, 257}));
  const std::size_t descriptor = 13 + 768;
  struct Case {
    const char* what;
    Bytes file;
    const char* text;
  };
  Bytes local = good;
  local[descriptor + 9] = 0x80;  // a local table of 2 entries, then nothing
  local.resize(descriptor + 10 + 6);
  Bytes noCodeSize = good;
  noCodeSize.resize(descriptor + 10);
  Bytes badCodeSize = good;
  badCodeSize[descriptor + 10] = 12;
  Bytes zero = good;
  zero[descriptor + 5] = zero[descriptor + 6] = 0;
  std::vector<Case> cases = {
      {"short magic", {'G', 'I', 'F'}, "Error reading GIF Magic #\nx.gif"},
      {"not a GIF", test::AsBytes("\x89PNG\r\n\x1a\n...."), "Error, x.gif is not a valid .GIF file"},
      {"version 88a", test::AsBytes("GIF88a1234567"), "Error, Bad GIF Version number"},
      {"short screen", test::AsBytes("GIF87a12345"), "Error, failed to GIF read screen descriptor.\nGiving up"},
      {"short global table", Bytes(good.begin(), good.begin() + 100), "Error reading GIF colormap"},
      {"no image", Bytes(good.begin(), good.begin() + descriptor), "Unexpected EOF in GIF.\nGiving up"},
      {"trailer before the image", [&] { Bytes b(good.begin(), good.begin() + descriptor); b.push_back(0x3B); return b; }(),
       "Unexpected EOF in GIF.\nGiving up"},
      {"extension cut at its label", [&] { Bytes b(good.begin(), good.begin() + descriptor); b.push_back(0x21); return b; }(),
       "Error on extension read.\nGiving up"},
      {"short image descriptor", Bytes(good.begin(), good.begin() + descriptor + 5), "Error on dimension read\nGiving up"},
      {"zero width", zero, "Error on dimension read\nGiving up"},
      {"short local table", Bytes(local.begin(), local.end() - 1), "Error reading GIF colormap\nGiving up"},
      {"no code size, global table", noCodeSize, "Error reading GIF file\nGIFScreen Colormap\nGiving up"},
      {"no code size, local table", local, "Error reading GIF file\nLocalColorMap\nGiving up"},
      {"code size 12", badCodeSize, "Error reading GIF file\nGIFScreen Colormap\nGiving up"},
  };
  for (const Case& c : cases) {
    int w = -1, h = -1;
    std::string error;
    Bytes rgb = Read(c.file, w, h, &error);
    EXPECT_TRUE(rgb.empty()) << c.what << " was read";
    EXPECT_EQ(error, c.text) << c.what;
  }

  GifFile gif;
  int w, h;
  EXPECT_TRUE(gif.GIFRead(test::HostFileSystem(), "", w, h).empty());
  EXPECT_EQ(gif.ErrorText(), "No Name Given");
  test::ScratchDir dir;
  const std::string missing = dir.path() + "none.gif";
  EXPECT_TRUE(gif.GIFRead(test::HostFileSystem(), missing, w, h).empty());
  EXPECT_EQ(gif.ErrorText(), "Cant open GIF :\n" + missing);
  EXPECT_FALSE(gif.GIFWrite(test::HostFileSystem(), dir.path() + "no\\such\\dir\\a.gif", good.data(), 1, 1, 0,
                            good.data(), good.data(), good.data()));
  EXPECT_EQ(gif.ErrorText(), "Can't open GIF for writing");

  Bytes square = good;
  square[12] = 1;
  std::string error;
  EXPECT_FALSE(Read(square, w, h, &error).empty()) << "odd pixel aspect is no reason to refuse";
  EXPECT_EQ(error, "Non-square pixels in GIF image.\nIgnoring that fact...");
  square[12] = 49;
  Read(square, w, h, &error);
  EXPECT_EQ(error, "No Error") << "aspect 49 means square pixels";
}

TEST(GifFile, FailedLoadKeepsThePreviousImage) {
  test::ScratchDir dir;
  GifShape s;
  test::WriteBytes(dir.path() + "a.gif", test::AsString(MakeGif(s, PackCodes(8, {256, 9, 257}))));
  test::WriteBytes(dir.path() + "bad.gif", "GIF89a");
  GifFile gif;
  ASSERT_TRUE(gif.Load(test::HostFileSystem(), dir.path() + "a.gif"));
  Bytes before = gif.Image()->Data();
  EXPECT_FALSE(gif.Load(test::HostFileSystem(), dir.path() + "bad.gif"));
  ASSERT_NE(gif.Image(), nullptr);
  EXPECT_EQ(gif.Image()->Data(), before);
}

// Malformed image data of the kinds that crash LZW decoders. Each must read
// without touching memory it does not own (the sanitizer build watches) and
// give the pixels the rules say.
TEST(GifFile, SurvivesMalformedLzwData) {
  GifShape small;

  {  // A code far above the next free code reads as "previous string + its first byte".
    int w, h;
    Bytes rgb = Read(MakeGif(small, PackCodes(8, {256, 5, 400, 511, 300, 257})), w, h);
    ASSERT_EQ(rgb.size(), 16u * 3);
    EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + 3 * 7), ColoursOf({5, 5, 5, 5, 5, 5, 5}));
  }
  {  // The first code after a clear that is not a colour ends the decoding.
    int w, h;
    Bytes rgb = Read(MakeGif(small, PackCodes(8, {256, 300, 1, 2})), w, h);
    EXPECT_EQ(rgb, Bytes(16 * 3, 0)) << "a picture whose decoding ends early still counts, unfilled";
  }
  {  // Far more pixels than the picture holds: the rest is dropped.
    int w, h;
    std::vector<int> codes = {256, 1};
    for (int c = 258; c < 300; ++c) codes.push_back(c);
    Bytes rgb = Read(MakeGif(small, PackCodes(8, codes)), w, h);
    EXPECT_EQ(rgb, ColoursOf(std::vector<int>(16, 1)));
  }
  {  // Data that stop mid-picture, with no terminator at all.
    Bytes file = MakeGif(small, PackCodes(8, {256, 1, 2, 3, 4, 5}));
    file.resize(file.size() - 3);
    int w, h;
    Bytes rgb = Read(file, w, h);
    ASSERT_EQ(rgb.size(), 16u * 3);
    EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + 9), ColoursOf({1, 2, 3}));
  }
  {  // A header that claims 65535 x 65535 over a few bytes: refused, not allocated.
    GifShape huge;
    huge.width = huge.height = 65535;
    std::string error;
    int w, h;
    EXPECT_TRUE(Read(MakeGif(huge, PackCodes(8, {256, 1, 257})), w, h, &error).empty());
    EXPECT_EQ(error, "Out of Memory in GIFRead");
  }
  {  // 8 KB of data claiming 2^27 pixels: no LZW stream of that size fills a
     // tenth of them (the densest one, in LongestPrefixChains, fills 341 a bit).
    GifShape huge;
    huge.width = 65535, huge.height = 2048;
    std::string error;
    int w, h;
    EXPECT_TRUE(Read(MakeGif(huge, Bytes(8192, 0)), w, h, &error).empty()) << "refused, not allocated";
    EXPECT_EQ(error, "Out of Memory in GIFRead");
  }
  {  // A small picture whose data are missing altogether still reads, blank.
    int w, h;
    Bytes rgb = Read(MakeGif(small, Bytes()), w, h);
    EXPECT_EQ(rgb, Bytes(16 * 3, 0));
  }
  for (int codeSize : {0, 12, 15, 255}) {
    GifShape s;
    s.codeSize = codeSize;
    Bytes lzw(40, 0xFF);
    int w, h;
    std::string error;
    EXPECT_TRUE(Read(MakeGif(s, lzw), w, h, &error).empty()) << "code size " << codeSize;
    EXPECT_EQ(error, "Error reading GIF file\nGIFScreen Colormap\nGiving up") << "code size " << codeSize;
  }
  for (int codeSize : {1, 11}) {  // the extremes that are allowed
    GifShape s;
    s.codeSize = codeSize;
    int w, h;
    const int clear = 1 << codeSize;
    Bytes rgb = Read(MakeGif(s, PackCodes(codeSize, {clear, 1, 0, clear + 2, 1, clear + 1})), w, h);
    EXPECT_EQ(Bytes(rgb.begin(), rgb.begin() + 15), ColoursOf({1, 0, 1, 0, 1})) << "code size " << codeSize;
  }
}

#ifdef KELVARION_CAN_LIMIT_MEMORY
TEST(GifFileDeathTest, RunningOutOfMemoryFailsTheReadOrSaveOnly) {
  // 32 MB of image data (a picture of 4 pixels) must be copied out of their
  // sub-blocks, and an 8-bit picture of 32 MB packed before it is written:
  // with 16 MB to spare both fail, and the program goes on.
  EXPECT_EXIT(
      {
        const Bytes file = MakeGif(GifShape{}, Bytes(32u << 20, 0));
        test::LimitAddressSpaceGrowth(16u << 20);
        GifFile gif;
        int w = 0;
        int h = 0;
        const bool read = !gif.GIFReadMemory(file.data(), file.size(), "x.gif", w, h).empty();
        std::_Exit(!read && gif.ErrorText() == "Out of Memory in GIFRead" ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        CDib picture;
        Bytes dib(kInfoHeaderSize + 256 * 4 + (32u << 20), 0);
        test::Put32(dib, 0, kInfoHeaderSize);
        test::Put32(dib, 4, 8192);
        test::Put32(dib, 8, 4096);
        test::Put16(dib, 12, 1);
        test::Put16(dib, 14, 8);
        if (!picture.Attach(std::move(dib))) std::_Exit(2);
        test::LimitAddressSpaceGrowth(16u << 20);
        GifFile gif;
        const bool saved = gif.Save(test::HostFileSystem(), "/nonexistent/x.gif", &picture);
        std::_Exit(!saved && gif.ErrorText() == "Out of Memory in GIF save" ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}
#endif

TEST(GifFile, FullTableWithoutClearKeepsDecoding) {
  // Every code adds an entry until the table holds 4096; then more codes
  // come with no clear, and must still decode (as 12-bit codes, adding none).
  GifShape s;
  s.width = 80, s.height = 60;
  std::vector<int> codes = {256}, expect;
  for (int i = 0; i < s.width * s.height; ++i) {
    codes.push_back((i * 7) % 256);
    expect.push_back((i * 7) % 256);
  }
  codes.push_back(257);
  int w, h;
  Bytes rgb = Read(MakeGif(s, PackCodes(8, codes)), w, h);
  EXPECT_EQ(rgb, ColoursOf(expect));
}

TEST(GifFile, LongestPrefixChains) {
  // Codes 258, 259, ... each one longer than the last, up to the 3838-byte
  // string of entry 4095, then that code over and over: chains as deep as the
  // table allows.
  GifShape s;
  s.width = 4096, s.height = 2048;
  std::vector<int> codes = {256, 0};
  std::size_t pixels = 1;
  for (int code = 258; code < 4096; ++code) {
    codes.push_back(code);
    pixels += code - 256;
  }
  while (pixels < std::size_t(s.width) * s.height) {
    codes.push_back(4095);
    pixels += 4095 - 256;
  }
  int w, h;
  Bytes rgb = Read(MakeGif(s, PackCodes(8, codes)), w, h);
  ASSERT_EQ(rgb.size(), std::size_t(s.width) * s.height * 3);
  const Bytes zero = ColoursOf({0});
  bool same = true;
  for (std::size_t i = 0; i < rgb.size() && same; i += 3) same = std::memcmp(&rgb[i], zero.data(), 3) == 0;
  EXPECT_TRUE(same) << "every pixel of the chains should be colour 0";
}

#ifndef _WIN32
TEST(GifFile, ImageMagickDecodesOurFiles) {
  if (!test::HaveTool(test::kConvert)) GTEST_SKIP() << "ImageMagick is not installed";
  for (int colors : {2, 100, 256}) {
    const int w = 123, h = 45;
    Bytes rgb = test::MakeRgbPicture(w, h, colors, colors);
    CDib dib;
    ASSERT_TRUE(MakeDibFromRgb(rgb.data(), w, h, dib));
    test::ScratchDir dir;
    GifFile gif;
    ASSERT_TRUE(gif.Save(test::HostFileSystem(), dir.path() + "ours.gif", &dib));
    EXPECT_EQ(test::DecodeWithImageMagick(dir.path() + "ours.gif"), rgb) << colors << " colours";
  }
}
#endif

}  // namespace
}  // namespace kelvarion
