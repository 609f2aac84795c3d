#include "image/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "image_test_support.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::Bytes;
using test::Get16;
using test::Get32;
using test::Put16;
using test::Put32;

// A BMP file image: 40-byte header, `table` (BGR0 entries), bottom-up rows.
Bytes MakeBmp(int width, int height, int bits, const Bytes& table, const Bytes& pixels, std::uint32_t colorsUsed = 0,
              std::uint32_t compression = 0) {
  Bytes b(14 + 40);
  b[0] = 'B', b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(14 + 40 + table.size() + pixels.size()));
  Put32(b, 10, static_cast<std::uint32_t>(14 + 40 + table.size()));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bits);
  Put32(b, 30, compression);
  Put32(b, 34, static_cast<std::uint32_t>(pixels.size()));
  Put32(b, 46, colorsUsed);
  b.insert(b.end(), table.begin(), table.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// The same picture (top-down RGB) as a 24-bit BMP file image.
Bytes Bmp24(const Bytes& rgb, int width, int height) {
  CDib dib;
  EXPECT_TRUE(MakeDibFromRgb(rgb.data(), width, height, dib));
  Bytes file;
  EXPECT_TRUE(dib.WriteToMemory(file));
  return file;
}

Bytes Gray8Table() {
  Bytes table(256 * 4);
  for (int i = 0; i < 256; ++i) table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<std::uint8_t>(i);
  return table;
}

TEST(Dib, ReadsEveryDepthToTheSamePixels) {
  // One 5x3 picture stored at each depth; reading and widening to 24 bits
  // must give back the colours the file holds.
  struct Case {
    int bits;
    Bytes table;
    Bytes pixels;  // bottom-up, rows padded
    std::uint32_t compression;
    Bytes expectBottomRow;  // RGB of the five pixels of the stored first row
  };
  Bytes bw = {0, 0, 0, 0, 255, 255, 255, 0};
  Bytes vga4(16 * 4);
  vga4[4 * 3 + 2] = 200, vga4[4 * 5 + 1] = 100, vga4[4 * 5 + 0] = 50;
  Bytes masks32 = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};  // red in the low byte
  std::vector<Case> cases = {
      {1, bw, {0b10100000, 0, 0, 0, 0xF8, 0, 0, 0, 0, 0, 0, 0}, 0,
       {255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0}},
      {4, vga4, {0x35, 0x30, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0,
       {200, 0, 0, 0, 100, 50, 200, 0, 0, 0, 0, 0, 0, 0, 0}},
      {16, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F, 0x01, 0x00, 0, 0,
                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0,
       {248, 0, 0, 0, 248, 0, 0, 0, 248, 248, 248, 248, 0, 0, 8}},
      {32, masks32, Bytes(5 * 4 * 3, 0), kBiBitfields, {}},
  };
  // 32-bit bit fields: red in the lowest byte, so the first pixel 0x000000C8 is red 200.
  cases[3].pixels[0] = 200;
  cases[3].pixels[4 + 2] = 77;  // blue
  cases[3].expectBottomRow = {200, 0, 0, 0, 0, 77, 0, 0, 0, 0, 0, 0, 0, 0, 0};

  for (const Case& c : cases) {
    Bytes file = MakeBmp(5, 3, c.bits, c.table, c.pixels, 0, c.compression);
    CDib dib;
    ASSERT_TRUE(dib.ReadFromMemory(file.data(), file.size())) << c.bits << "-bit BMP not read";
    EXPECT_EQ(dib.BitCount(), c.bits);
    Bytes rgb = test::DibToRgb(dib);
    ASSERT_EQ(rgb.size(), 5u * 3 * 3) << c.bits << "-bit BMP did not widen to 24 bits";
    Bytes bottom(rgb.begin() + 2 * 15, rgb.end());
    EXPECT_EQ(bottom, c.expectBottomRow) << c.bits << "-bit pixels decoded wrong";
  }
}

TEST(Dib, ReadsDespiteWrongSizeFieldsAndTrailingBytes) {
  Bytes rgb = test::MakeRgbPicture(7, 5, 9);
  Bytes good = Bmp24(rgb, 7, 5);
  struct Case {
    const char* what;
    void (*spoil)(Bytes&);
  };
  const Case cases[] = {
      {"file size field 14", [](Bytes& b) { Put32(b, 2, 14); }},
      {"file size field huge", [](Bytes& b) { Put32(b, 2, 0xFFFFFFF0u); }},
      {"trailing bytes", [](Bytes& b) { b.insert(b.end(), 1000, 0xAB); }},
      {"image size field 0", [](Bytes& b) { Put32(b, 34, 0); }},
      {"image size field past the end", [](Bytes& b) { Put32(b, 34, 0x00FFFFFF); }},
      {"pixel offset past the end", [](Bytes& b) { Put32(b, 10, 0x7FFFFFFF); }},
  };
  for (const Case& c : cases) {
    Bytes file = good;
    c.spoil(file);
    CDib dib;
    ASSERT_TRUE(dib.ReadFromMemory(file.data(), file.size())) << c.what << ": not read";
    EXPECT_EQ(test::DibToRgb(dib), rgb) << c.what << ": pixels differ";
    EXPECT_EQ(dib.Data().size(), good.size() - 14) << c.what << ": the packed DIB should hold exactly the image";
  }
}

TEST(Dib, RefusesWhatIsNotAFullInfoHeaderBmp) {
  Bytes good = Bmp24(test::MakeRgbPicture(4, 4, 3), 4, 4);
  Bytes core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3, 0};
  struct Case {
    const char* what;
    Bytes file;
  };
  std::vector<Case> cases = {
      {"core header", core},
      {"not BM", good},
      {"header size 108", good},
      {"pixels cut short", Bytes(good.begin(), good.end() - 5)},
      {"only a file header", Bytes(good.begin(), good.begin() + 14)},
      {"empty", {}},
      {"width times height past memory", good},
      {"bit count 7", good},
      {"zero width", good},
      {"colours used claims four billion", MakeBmp(2, 2, 8, Gray8Table(), Bytes(8, 0), 0xFFFFFFFFu)},
      {"JPEG compression", good},
  };
  cases[1].file[1] = 'A';
  Put32(cases[2].file, 14, 108);
  Put32(cases[6].file, 18, 0x7FFFFFFF);
  Put32(cases[6].file, 22, 0x7FFFFFFF);
  Put16(cases[7].file, 28, 7);
  Put32(cases[8].file, 18, 0);
  Put32(cases[10].file, 30, 4);
  for (const Case& c : cases) {
    CDib dib;
    Bytes keep = test::MakeRgbPicture(2, 2, 2);
    ASSERT_TRUE(MakeDibFromRgb(keep.data(), 2, 2, dib));
    Bytes before = dib.Data();
    EXPECT_FALSE(dib.ReadFromMemory(c.file.data(), c.file.size())) << c.what << " was read";
    EXPECT_EQ(dib.Data(), before) << c.what << ": a failed read must keep the previous image";
  }
}

TEST(Dib, ColoursUsedFixAndColourTables) {
  // 8 bits with colours-used 0 reads all 256 entries; 24 and 32 bits have no table.
  Bytes eight = MakeBmp(4, 2, 8, Gray8Table(), {0, 1, 2, 255, 10, 20, 30, 40});
  CDib dib;
  ASSERT_TRUE(dib.ReadFromMemory(eight.data(), eight.size()));
  EXPECT_EQ(Get32(dib.Data(), 32), 256u) << "colours used should be fixed to 2^bits";
  EXPECT_EQ(dib.GetPalette().size(), 256u);
  EXPECT_EQ(dib.GetPalette()[255], (PaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(dib.Bits()[3], 255) << "pixels start after the 256-entry table";

  const Bytes gray = Gray8Table();
  Bytes fewer = MakeBmp(4, 1, 8, Bytes(gray.begin(), gray.begin() + 8), {0, 1, 1, 0}, 2);
  ASSERT_TRUE(dib.ReadFromMemory(fewer.data(), fewer.size()));
  EXPECT_EQ(dib.GetPalette().size(), 2u) << "a short table of colours-used entries";
  EXPECT_EQ(dib.Bits()[1], 1);

  for (int bits : {24, 32}) {
    Bytes file = MakeBmp(2, 2, bits, {}, Bytes(DibRowSize(bits, 2) * 2, 0x55));
    ASSERT_TRUE(dib.ReadFromMemory(file.data(), file.size())) << bits;
    EXPECT_TRUE(dib.GetPalette().empty()) << bits << "-bit BMP has no colour table";
    EXPECT_EQ(dib.Bits(), dib.Data().data() + 40) << bits << "-bit pixels follow the header";
  }
}

TEST(Dib, TopDownRowsAreTurnedOver) {
  Bytes rgb = test::MakeRgbPicture(3, 4, 12);
  Bytes file = Bmp24(rgb, 3, 4);
  // Store the rows top first, as a negative height says.
  const std::size_t row = DibRowSize(24, 3);
  Bytes topDown = file;
  for (int y = 0; y < 4; ++y) std::memcpy(&topDown[54 + y * row], &file[54 + (3 - y) * row], row);
  Put32(topDown, 22, static_cast<std::uint32_t>(-4));
  CDib dib;
  ASSERT_TRUE(dib.ReadFromMemory(topDown.data(), topDown.size()));
  EXPECT_EQ(dib.Height(), 4);
  EXPECT_EQ(test::DibToRgb(dib), rgb) << "a top-down BMP should read as the same picture";
}

TEST(Dib, WritesTheFileHeaderFromTheLayout) {
  test::ScratchDir dir;
  Bytes file = MakeBmp(3, 2, 8, Gray8Table(), Bytes(8, 7));
  Put32(file, 34, 0);  // image size 0: filled in
  CDib dib;
  ASSERT_TRUE(dib.ReadFromMemory(file.data(), file.size()));
  ASSERT_TRUE(dib.Save(test::HostFileSystem(), dir.path() + "a.bmp"));
  Bytes out = test::AsBytes(test::ReadBytes(dir.path() + "a.bmp"));
  ASSERT_EQ(out.size(), 14u + 40 + 1024 + 8);
  EXPECT_EQ(out[0], 'B');
  EXPECT_EQ(out[1], 'M');
  EXPECT_EQ(Get32(out, 2), out.size()) << "size field";
  EXPECT_EQ(Get32(out, 6), 0u) << "reserved words";
  EXPECT_EQ(Get32(out, 10), 14u + 40 + 1024) << "pixel offset";
  EXPECT_EQ(Get32(out, 34), 8u) << "image size = row size x height";

  CDib back;
  ASSERT_TRUE(back.Load(test::HostFileSystem(), dir.path() + "a.bmp"));
  EXPECT_EQ(back.Data(), dib.Data()) << "BMP save and load should round-trip the packed DIB";
  EXPECT_FALSE(back.Load(test::HostFileSystem(), dir.path() + "missing.bmp"));
  EXPECT_EQ(back.Data(), dib.Data());

  CDib core;
  Bytes corePacked = {12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3, 0};
  ASSERT_TRUE(core.Create(corePacked.data(), corePacked.size())) << "a core-header DIB can be held";
  EXPECT_EQ(core.Width(), 1);
  EXPECT_FALSE(core.Save(test::HostFileSystem(), dir.path() + "core.bmp")) << "but not written";
  EXPECT_FALSE(core.Create(corePacked.data(), corePacked.size() - 2)) << "Create must not read past its input";
  EXPECT_FALSE(core.Create(nullptr, 100));
}

TEST(Dib, OctreeKeepsUpTo256ColoursExactly) {
  for (int colors : {1, 2, 17, 200, 256}) {
    const int w = 61, h = 37;
    Bytes rgb = test::MakeRgbPicture(w, h, colors, 7 + colors);
    const int distinct = test::CountColors(rgb);
    CDib dib;
    ASSERT_TRUE(MakeDibFromRgb(rgb.data(), w, h, dib));
    OctreeStats stats;
    Palette palette = CreateOctreePalette(dib, 256, 8, &stats);
    EXPECT_EQ(static_cast<int>(palette.size()), distinct) << colors << " colours: one palette entry per colour";
    ASSERT_TRUE(dib.ConvertToBits(8));
    EXPECT_EQ(dib.BitCount(), 8);
    EXPECT_EQ(test::DibToRgb(dib), rgb) << colors << " colours should survive the reduction exactly";
  }
}

TEST(Dib, OctreeMergesManyColoursAndStaysSmall) {
  const int w = 256, h = 128;
  Bytes rgb = test::MakeSmoothPicture(w, h);
  ASSERT_GT(test::CountColors(rgb), 5000);
  CDib dib;
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), w, h, dib));
  for (std::size_t maxColors : {256u, 236u, 16u, 2u}) {
    OctreeStats stats;
    Palette palette = CreateOctreePalette(dib, maxColors, 8, &stats);
    EXPECT_LE(palette.size(), maxColors);
    EXPECT_GE(palette.size(), maxColors / 2) << "the octree should not throw away most of its budget";
    EXPECT_LE(stats.peakLeaves, maxColors + 1) << "the tree must reduce as it goes";
  }
  // The reduced picture: every pixel takes its nearest palette colour.
  Palette palette = CreateOctreePalette(dib, 256, 8);
  CDib reduced(dib);
  ASSERT_TRUE(reduced.ConvertToBits(8));
  Bytes out = test::DibToRgb(reduced);
  ASSERT_EQ(out.size(), rgb.size());
  for (std::size_t i = 0; i < rgb.size(); i += 3 * 97) {
    int best = 1 << 30;
    for (const PaletteEntry& e : palette) {
      int d = (e.red - rgb[i]) * (e.red - rgb[i]) + (e.green - rgb[i + 1]) * (e.green - rgb[i + 1]) +
              (e.blue - rgb[i + 2]) * (e.blue - rgb[i + 2]);
      best = std::min(best, d);
    }
    int got = (out[i] - rgb[i]) * (out[i] - rgb[i]) + (out[i + 1] - rgb[i + 1]) * (out[i + 1] - rgb[i + 1]) +
              (out[i + 2] - rgb[i + 2]) * (out[i + 2] - rgb[i + 2]);
    EXPECT_EQ(got, best) << "pixel " << i / 3 << " did not take the nearest colour";
  }
  EXPECT_LT(test::MeanChannelError(out, rgb), 4.0) << "256 colours should be close to a smooth picture";
  EXPECT_TRUE(CreateOctreePalette(dib, 256, 9).empty()) << "more than 8 colour bits gives no palette";
}

TEST(Dib, ChangeBitCountBetweenDepths) {
  Bytes rgb = test::MakeRgbPicture(9, 6, 40);
  CDib dib;
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), 9, 6, dib));
  Bytes before = dib.Data();
  EXPECT_TRUE(dib.ChangeBitCount(24));
  EXPECT_EQ(dib.Data(), before) << "the same bit count changes nothing";

  CDib wide(dib);
  ASSERT_TRUE(wide.ChangeBitCount(32));
  EXPECT_EQ(wide.BitCount(), 32);
  EXPECT_EQ(test::DibToRgb(wide), rgb) << "32 bits hold every 24-bit colour";

  CDib sixteen(dib);
  ASSERT_TRUE(sixteen.ChangeBitCount(16));
  Bytes back = test::DibToRgb(sixteen);
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    ASSERT_EQ(back[i], rgb[i] & 0xF8) << "16 bits keep the top five bits of each channel";
  }

  CDib mono(dib);
  ASSERT_TRUE(mono.ChangeBitCount(1));
  Bytes bw = test::DibToRgb(mono);
  for (std::size_t i = 0; i < bw.size(); i += 3) {
    const int sum = rgb[i] * rgb[i] + rgb[i + 1] * rgb[i + 1] + rgb[i + 2] * rgb[i + 2];
    const int toWhite = (255 - rgb[i]) * (255 - rgb[i]) + (255 - rgb[i + 1]) * (255 - rgb[i + 1]) +
                        (255 - rgb[i + 2]) * (255 - rgb[i + 2]);
    EXPECT_EQ(bw[i], sum <= toWhite ? 0 : 255) << "1 bit: the nearer of black and white";
  }

  CDib eight(dib);
  ASSERT_TRUE(eight.ChangeBitCount(8));
  EXPECT_EQ(test::DibToRgb(eight), rgb) << "40 colours fit the 236 of a fresh 8-bit table";
  CDib four(dib);
  ASSERT_TRUE(four.ChangeBitCount(4));
  EXPECT_EQ(four.GetPalette().size(), 16u);

  CDib empty;
  EXPECT_FALSE(empty.ChangeBitCount(24));
  EXPECT_FALSE(empty.ConvertToBits(8));
  EXPECT_FALSE(dib.ChangeBitCount(12)) << "no such depth";
}

TEST(Dib, PicturesWiderThanOneSpanConvert) {
  // Rows are decoded a few thousand pixels at a time; a width of two spans
  // and a bit puts span ends inside the picture.
  const int w = 9001, h = 3;
  Bytes rgb = test::MakeRgbPicture(w, h, 40);
  CDib dib;
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), w, h, dib));
  for (int bits : {32, 8, 4}) {
    CDib other(dib);
    ASSERT_TRUE(bits == 4 ? other.ConvertToBits(4) : other.ChangeBitCount(bits)) << bits << " bits";
    if (bits != 4) {
      EXPECT_EQ(test::DibToRgb(other), rgb) << bits << " bits hold these 40 colours";
    }
    CDib again(other);
    ASSERT_TRUE(again.ChangeBitCount(bits == 4 ? 8 : 24));
    EXPECT_EQ(test::DibToRgb(again), test::DibToRgb(other)) << "from " << bits << " bits, every pixel in its place";
  }
}

#ifdef KELVARION_CAN_LIMIT_MEMORY
TEST(DibDeathTest, AWidePictureAsksForNoScratchOfItsWidth) {
  // A 1-bit row of 2^26 pixels is 8 MB; decoded to colour triples at once it
  // would need 192 MB more. With 48 MB to spare both conversions must still
  // work, and nothing may end the program.
  EXPECT_EXIT(
      {
        const std::int64_t width = std::int64_t{1} << 26;
        Bytes dib(kInfoHeaderSize + 8 + DibRowSize(1, width), 0);
        Put32(dib, 0, kInfoHeaderSize);
        Put32(dib, 4, static_cast<std::uint32_t>(width));
        Put32(dib, 8, 1);
        Put16(dib, 12, 1);
        Put16(dib, 14, 1);
        Put32(dib, kInfoHeaderSize + 4, 0x00FFFFFF);  // entry 1 white
        CDib picture;
        if (!picture.Attach(dib)) std::_Exit(2);
        test::LimitAddressSpaceGrowth(48u << 20);
        const bool converted = !ConvertDIBFormat(picture.Data(), 1, nullptr).empty();
        const bool palette = !CreateOctreePalette(picture, 256, 8).empty();
        std::_Exit(converted && palette ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}
#endif

TEST(Dib, PixelBufferOperations) {
  Bytes px = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};  // 5 pixels: 1 row of 5, or 5 rows of 1
  Bytes swapped = px;
  SwapRedBlue(swapped.data(), 5, 1);
  EXPECT_EQ(swapped, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13}));

  Bytes padded = PadRows(px.data(), 1, 5);  // rows of 3 bytes padded to 4
  EXPECT_EQ(padded, (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0, 13, 14, 15, 0}));
  EXPECT_EQ(UnpadRows(padded.data(), 1, 5, 24), px);
  Bytes eightBit = {1, 2, 3, 0, 4, 5, 6, 0};
  EXPECT_EQ(UnpadRows(eightBit.data(), 3, 2, 8), (Bytes{1, 2, 3, 4, 5, 6}));

  for (std::size_t rows : {1u, 2u, 5u}) {
    Bytes r = padded;
    ReverseRows(r.data(), 4, rows);
    for (std::size_t y = 0; y < rows; ++y) {
      EXPECT_EQ(r[4 * y], padded[4 * (rows - 1 - y)]) << rows << " rows: row " << y << " not reversed";
    }
    for (std::size_t y = rows; y < 5; ++y) EXPECT_EQ(r[4 * y], padded[4 * y]) << "rows past the height stay";
  }

  // A 24-bit DIB from RGB: bottom-up, blue first, rows padded to 4 bytes.
  CDib dib;
  Bytes rgb = {10, 20, 30, 40, 50, 60};  // 1 wide, 2 high
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), 1, 2, dib));
  EXPECT_EQ(dib.Data().size(), 40u + 8);
  EXPECT_EQ(Get32(dib.Data(), 0), 40u);
  EXPECT_EQ(Get16(dib.Data(), 14), 24u);
  EXPECT_EQ(Bytes(dib.Bits(), dib.Bits() + 8), (Bytes{60, 50, 40, 0, 30, 20, 10, 0}));
  EXPECT_FALSE(MakeDibFromRgb(rgb.data(), 0, 2, dib));
  EXPECT_FALSE(MakeDibFromRgb(nullptr, 1, 2, dib));
}

}  // namespace
}  // namespace kelvarion
