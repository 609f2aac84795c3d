#include "image/jpeg_file.h"

#include <gtest/gtest.h>

#include "image_test_support.h"
#include "platform/memory/fixed_environment.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::Bytes;

// The frame header of a JPEG file: its marker (C0 baseline, C2 progressive)
// and where it starts; -1 when there is none.
std::ptrdiff_t FindFrame(const Bytes& jpeg, std::uint8_t& marker) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1 || jpeg[i + 1] == 0xC2)) {
      marker = jpeg[i + 1];
      return static_cast<std::ptrdiff_t>(i);
    }
  }
  return -1;
}

TEST(JpegFile, ReadsWhatCjpegWrote) {
  // Samples from libjpeg-turbo's cjpeg, with the pixels its djpeg decodes.
  for (const char* name : {"cjpeg.jpg", "progressive.jpg"}) {
    JpegFile jpeg;
    int w = 0, h = 0;
    Bytes rgb = jpeg.JPEGRead(test::HostFileSystem(), test::DataPath(name), w, h);
    ASSERT_FALSE(rgb.empty()) << name << ": " << jpeg.ErrorText();
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 24);
    EXPECT_EQ(rgb, test::ReadData(std::string(name) + ".rgb")) << name << ": pixels differ from djpeg's";
  }
}

TEST(JpegFile, GreyscaleLoadsWithEqualChannels) {
  JpegFile jpeg;
  ASSERT_TRUE(jpeg.Load(test::HostFileSystem(), test::DataPath("grey.jpg"))) << jpeg.ErrorText();
  ASSERT_NE(jpeg.Image(), nullptr);
  EXPECT_EQ(jpeg.Image()->BitCount(), 24);
  Bytes rgb = test::DibToRgb(*jpeg.Image());
  Bytes grey = test::ReadData("grey.jpg.gray");
  ASSERT_EQ(rgb.size(), grey.size() * 3);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    ASSERT_EQ(rgb[3 * i], grey[i]) << "pixel " << i;
    ASSERT_EQ(rgb[3 * i + 1], grey[i]) << "pixel " << i << ": green differs from red";
    ASSERT_EQ(rgb[3 * i + 2], grey[i]) << "pixel " << i << ": blue differs from red";
  }
}

TEST(JpegFile, WritesBaselineColourAndGrey) {
  const int w = 64, h = 48;
  Bytes rgb = test::MakeSmoothPicture(w, h);
  for (bool color : {true, false}) {
    JpegFile jpeg;
    Bytes file;
    ASSERT_TRUE(jpeg.JPEGWriteMemory(rgb.data(), w, h, color, kJpegQuality, file));
    std::uint8_t marker = 0;
    std::ptrdiff_t frame = FindFrame(file, marker);
    ASSERT_GE(frame, 0);
    EXPECT_EQ(marker, 0xC0) << "baseline";
    EXPECT_EQ(file[frame + 9], color ? 3 : 1) << "component count";

    int rw, rh;
    Bytes back = jpeg.JPEGReadMemory(file.data(), file.size(), rw, rh);
    ASSERT_EQ(back.size(), rgb.size());
    if (color) {
      EXPECT_LT(test::MeanChannelError(back, rgb), 2.0) << "quality 75 of a smooth picture";
      EXPECT_LE(test::MaxChannelError(back, rgb), 24);
    } else {
      Bytes expect(rgb.size());
      for (std::size_t i = 0; i < rgb.size(); i += 3) {
        auto g = static_cast<std::uint8_t>(0.587 * rgb[i + 1] + 0.299 * rgb[i] + 0.114 * rgb[i + 2]);
        expect[i] = expect[i + 1] = expect[i + 2] = g;
        ASSERT_TRUE(back[i] == back[i + 1] && back[i] == back[i + 2]) << "grey output must have R = G = B";
      }
      EXPECT_LT(test::MeanChannelError(back, expect), 2.0);
    }
  }
}

TEST(JpegFile, SavesAnyDepthAsColour) {
  Bytes rgb = test::MakeSmoothPicture(33, 17);
  CDib source;
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), 33, 17, source));
  test::ScratchDir dir;
  std::string bytes24;
  for (int bits : {8, 16, 24, 32}) {
    CDib dib(source);
    ASSERT_TRUE(bits == 8 ? dib.ConvertToBits(8) : dib.ChangeBitCount(bits));
    const std::string path = dir.path() + std::to_string(bits) + ".jpg";
    JpegFile jpeg;
    ASSERT_TRUE(jpeg.Save(test::HostFileSystem(), path, &dib)) << bits << "-bit: " << jpeg.ErrorText();
    Bytes file = test::AsBytes(test::ReadBytes(path));
    std::uint8_t marker = 0;
    std::ptrdiff_t frame = FindFrame(file, marker);
    ASSERT_GE(frame, 0) << bits;
    EXPECT_EQ(file[frame + 9], 3) << bits << "-bit BMP must be written with three components";
    JpegFile back;
    ASSERT_TRUE(back.Load(test::HostFileSystem(), path));
    EXPECT_LT(test::MeanChannelError(test::DibToRgb(*back.Image()), test::DibToRgb(dib)), 3.0) << bits;
    // The same pixels make the same file, whether they came in three bytes
    // or four.
    if (bits == 24) bytes24 = test::AsString(file);
    if (bits == 32) EXPECT_EQ(test::AsString(file), bytes24) << "32-bit";
  }
  JpegFile none;
  EXPECT_FALSE(none.Save(test::HostFileSystem(), dir.path() + "n.jpg")) << "no image, nothing to save";
}

TEST(JpegFile, LibraryErrorsAndOurOwn) {
  RecordingUserNotice notice;
  std::vector<std::string>& reported = notice.texts;
  JpegFile jpeg(&notice);
  test::ScratchDir dir;
  int w = 0, h = 0;

  const std::string missing = dir.path() + "none.jpg";
  EXPECT_TRUE(jpeg.JPEGRead(test::HostFileSystem(), missing, w, h).empty());
  EXPECT_EQ(jpeg.ErrorText(), "JPEG :\nCan't open " + missing + "\n");
  EXPECT_TRUE(reported.empty()) << "a missing file is not the library's error";

  Bytes notJpeg = test::AsBytes("BM this is no JPEG at all");
  EXPECT_TRUE(jpeg.JPEGReadMemory(notJpeg.data(), notJpeg.size(), w, h).empty());
  ASSERT_EQ(reported.size(), 1u) << "the library's message goes to the notice";
  EXPECT_NE(reported[0].find("Not a JPEG file"), std::string::npos) << reported[0];
  EXPECT_EQ(notice.captions[0], "JPEG Fatal Error");
  EXPECT_EQ(notice.icons[0], NoticeIcon::kStop) << "the library gave up: a stop sign";
  EXPECT_EQ(jpeg.ErrorText(), reported[0]);

  Bytes empty;
  EXPECT_TRUE(jpeg.JPEGReadMemory(empty.data(), 0, w, h).empty());
  EXPECT_EQ(reported.size(), 2u) << "an empty file is the library's error too";

  // A real header that claims 65500 x 65500 over 766 bytes: refused before
  // anything that size is allocated.
  Bytes huge = test::ReadData("cjpeg.jpg");
  std::uint8_t marker = 0;
  std::ptrdiff_t frame = FindFrame(huge, marker);
  ASSERT_GE(frame, 0);
  huge[frame + 5] = huge[frame + 7] = 0xFF;
  huge[frame + 6] = huge[frame + 8] = 0xDC;
  reported.clear();
  EXPECT_TRUE(jpeg.JPEGReadMemory(huge.data(), huge.size(), w, h).empty());
  EXPECT_EQ(jpeg.ErrorText(), "JpegFile :\nOut of memory");
  EXPECT_TRUE(reported.empty());

  // A file cut short still reads (the library fills the rest).
  Bytes cut = test::ReadData("cjpeg.jpg");
  cut.resize(cut.size() - 100);  // into the scan data
  EXPECT_EQ(jpeg.JPEGReadMemory(cut.data(), cut.size(), w, h).size(), 40u * 24 * 3);

  Bytes rgb(12, 100);
  EXPECT_FALSE(jpeg.JPEGWrite(test::HostFileSystem(), dir.path() + "a.jpg", nullptr, 2, 2, true, 75));
  EXPECT_FALSE(jpeg.JPEGWrite(test::HostFileSystem(), dir.path() + "a.jpg", rgb.data(), 0, 2, true, 75));
  const std::string bad = dir.path() + "no\\such\\dir\\a.jpg";
  EXPECT_FALSE(jpeg.JPEGWrite(test::HostFileSystem(), bad, rgb.data(), 2, 2, true, 75));
  EXPECT_EQ(jpeg.ErrorText(), "JpegFile :\nCan't open " + bad + "\n");
}

TEST(JpegFile, FailedLoadKeepsThePreviousImage) {
  test::ScratchDir dir;
  test::WriteBytes(dir.path() + "bad.jpg", "\xFF\xD8\xFF\xE0 broken");
  JpegFile jpeg;
  ASSERT_TRUE(jpeg.Load(test::HostFileSystem(), test::DataPath("cjpeg.jpg")));
  Bytes before = jpeg.Image()->Data();
  EXPECT_FALSE(jpeg.Load(test::HostFileSystem(), dir.path() + "bad.jpg"));
  ASSERT_NE(jpeg.Image(), nullptr);
  EXPECT_EQ(jpeg.Image()->Data(), before);
}

#ifndef _WIN32
TEST(JpegFile, SameBytesAsCjpegAndImageMagickAgrees) {
  if (!test::HaveTool(test::kCjpeg) || !test::HaveTool(test::kConvert)) GTEST_SKIP() << "cjpeg or convert missing";
  const int w = 97, h = 61;
  Bytes rgb = test::MakeSmoothPicture(w, h);
  test::ScratchDir dir;
  const std::string ppm = dir.path() + "in.ppm";
  std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  test::WriteBytes(ppm, header + test::AsString(rgb));
  ASSERT_TRUE(test::RunTool(std::string(test::kCjpeg) + " -quality 75 -baseline -outfile '" +
                            HostPath(dir.path() + "theirs.jpg") + "' '" + HostPath(ppm) + "'"));
  JpegFile jpeg;
  ASSERT_TRUE(jpeg.JPEGWrite(test::HostFileSystem(), dir.path() + "ours.jpg", rgb.data(), w, h, true, 75));
  EXPECT_EQ(test::ReadBytes(dir.path() + "ours.jpg"), test::ReadBytes(dir.path() + "theirs.jpg"))
      << "the same library at the same settings should write the same file";

  int rw, rh;
  Bytes ours = jpeg.JPEGRead(test::HostFileSystem(), dir.path() + "ours.jpg", rw, rh);
  Bytes magick = test::DecodeWithImageMagick(dir.path() + "ours.jpg");
  ASSERT_EQ(magick.size(), ours.size());
  EXPECT_LE(test::MaxChannelError(magick, ours), 1) << "ImageMagick should decode our JPEG to our pixels";
}
#endif

}  // namespace
}  // namespace kelvarion
