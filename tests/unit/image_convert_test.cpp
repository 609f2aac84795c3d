#include "image/image_convert.h"

#include <gtest/gtest.h>

#include "image/dib.h"
#include "image_test_support.h"
#include "platform/memory/fixed_environment.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::Bytes;

void WriteBmp(const std::string& path, const Bytes& rgb, int w, int h, int bits) {
  CDib dib;
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), w, h, dib));
  ASSERT_TRUE(dib.ChangeBitCount(bits));
  ASSERT_TRUE(dib.Save(test::HostFileSystem(), path));
}

Bytes LoadBmpPixels(const std::string& path) {
  CDib dib;
  if (!dib.Load(test::HostFileSystem(), path)) return {};
  return test::DibToRgb(dib);
}

TEST(ImageConvert, RoundTripsThroughGifAndJpeg) {
  const int w = 150, h = 90;
  const Bytes few = test::MakeRgbPicture(w, h, 256, 5);  // exactly representable in a GIF
  const Bytes smooth = test::MakeSmoothPicture(w, h);
  for (bool inPlace : {false, true}) {
    test::ScratchDir dir;
    FileSystem& fs = test::HostFileSystem();
    const std::string bmp = dir.path() + "a.bmp";

    WriteBmp(bmp, few, w, h, 24);
    const std::string gif = inPlace ? bmp : dir.path() + "a.gif";
    ASSERT_EQ(ConvertBmpToGif(fs, bmp, gif), 0) << (inPlace ? "in place" : "to another file");
    EXPECT_EQ(test::ReadBytes(gif).substr(0, 6), "GIF87a");
    const std::string back = inPlace ? gif : dir.path() + "b.bmp";
    ASSERT_EQ(ConvertGifToBmp(fs, gif, back), 0);
    EXPECT_EQ(LoadBmpPixels(back), few) << "BMP -> GIF -> BMP must keep every pixel of 256 colours";

    WriteBmp(bmp, smooth, w, h, 24);
    const std::string jpg = inPlace ? bmp : dir.path() + "a.jpg";
    ASSERT_EQ(ConvertBmpToJpeg(fs, bmp, jpg), 0);
    EXPECT_EQ(test::ReadBytes(jpg).substr(0, 2), "\xFF\xD8");
    const std::string back2 = inPlace ? jpg : dir.path() + "c.bmp";
    ASSERT_EQ(ConvertJpegToBmp(fs, jpg, back2), 0);
    Bytes pixels = LoadBmpPixels(back2);
    EXPECT_LT(test::MeanChannelError(pixels, smooth), 2.0) << "BMP -> JPEG -> BMP";
    EXPECT_LE(test::MaxChannelError(pixels, smooth), 24);
  }
}

TEST(ImageConvert, EveryDepthConverts) {
  const int w = 40, h = 30;
  const Bytes rgb = test::MakeRgbPicture(w, h, 50, 9);
  for (int bits : {16, 24, 32}) {
    test::ScratchDir dir;
    FileSystem& fs = test::HostFileSystem();
    const std::string bmp = dir.path() + "a.bmp";
    WriteBmp(bmp, rgb, w, h, bits);
    Bytes expect = LoadBmpPixels(bmp);  // 16 bits drop the low bits of each channel
    ASSERT_EQ(ConvertBmpToGif(fs, bmp, dir.path() + "a.gif"), 0) << bits;
    ASSERT_EQ(ConvertGifToBmp(fs, dir.path() + "a.gif", dir.path() + "g.bmp"), 0) << bits;
    EXPECT_EQ(LoadBmpPixels(dir.path() + "g.bmp"), expect) << bits << "-bit BMP through GIF";
    ASSERT_EQ(ConvertBmpToJpeg(fs, bmp, dir.path() + "a.jpg"), 0) << bits;
    ASSERT_EQ(ConvertJpegToBmp(fs, dir.path() + "a.jpg", dir.path() + "j.bmp"), 0) << bits;
    Bytes j = LoadBmpPixels(dir.path() + "j.bmp");
    EXPECT_EQ(j.size(), expect.size()) << bits << "-bit BMP through JPEG";
  }
}

// The host's files, except that created files take no bytes.
class FullDiskFileSystem : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    auto file = test::HostFileSystem().Open(path, mode);
    if (!file || mode != OpenMode::kCreate) return file;
    class Refusing : public File {
     public:
      explicit Refusing(std::unique_ptr<File> f) : f_(std::move(f)) {}
      std::size_t Read(void*, std::size_t) override { return 0; }
      std::size_t Write(const void*, std::size_t) override { return 0; }
      bool Seek(std::int64_t o) override { return f_->Seek(o); }
      std::int64_t Tell() override { return f_->Tell(); }
      std::int64_t Size() override { return f_->Size(); }

     private:
      std::unique_ptr<File> f_;
    };
    return std::make_unique<Refusing>(std::move(file));
  }
  bool Exists(const std::string& p) override { return test::HostFileSystem().Exists(p); }
  bool IsDirectory(const std::string& p) override { return test::HostFileSystem().IsDirectory(p); }
  bool MakeDirectory(const std::string& p) override { return test::HostFileSystem().MakeDirectory(p); }
  bool ListDirectory(const std::string& d, std::vector<std::string>& n) override {
    return test::HostFileSystem().ListDirectory(d, n);
  }
  bool Rename(const std::string& f, const std::string& t) override { return test::HostFileSystem().Rename(f, t); }
  bool Remove(const std::string& p) override { return test::HostFileSystem().Remove(p); }
};

TEST(ImageConvert, SourceAndTargetFailures) {
  test::ScratchDir dir;
  FileSystem& fs = test::HostFileSystem();
  const std::string target = dir.path() + "target";
  const std::string garbage = dir.path() + "garbage";
  test::WriteBytes(garbage, "this is not a picture of any kind");
  const Bytes rgb = test::MakeRgbPicture(8, 8, 4);
  const std::string bmp = dir.path() + "ok.bmp";
  WriteBmp(bmp, rgb, 8, 8, 24);
  ASSERT_EQ(ConvertBmpToGif(fs, bmp, dir.path() + "ok.gif"), 0);
  ASSERT_EQ(ConvertBmpToJpeg(fs, bmp, dir.path() + "ok.jpg"), 0);

  using Converter = int (*)(FileSystem&, const std::string&, const std::string&);
  struct Case {
    const char* name;
    Converter convert;
    std::string good;
  };
  const Case cases[] = {
      {"BMP to GIF", [](FileSystem& f, const std::string& s, const std::string& t) { return ConvertBmpToGif(f, s, t); }, bmp},
      {"BMP to JPEG", [](FileSystem& f, const std::string& s, const std::string& t) { return ConvertBmpToJpeg(f, s, t); }, bmp},
      {"GIF to BMP", [](FileSystem& f, const std::string& s, const std::string& t) { return ConvertGifToBmp(f, s, t); },
       dir.path() + "ok.gif"},
      {"JPEG to BMP", [](FileSystem& f, const std::string& s, const std::string& t) { return ConvertJpegToBmp(f, s, t); },
       dir.path() + "ok.jpg"},
  };
  for (const Case& c : cases) {
    test::WriteBytes(target, "keep me");
    EXPECT_EQ(c.convert(fs, dir.path() + "missing", target), kConvertSourceError) << c.name << ", missing source";
    EXPECT_EQ(c.convert(fs, garbage, target), kConvertSourceError) << c.name << ", unreadable source";
    EXPECT_EQ(test::ReadBytes(target), "keep me") << c.name << ": a failed read must leave the target alone";
    EXPECT_EQ(c.convert(fs, c.good, dir.path() + "no\\such\\dir\\t"), kConvertTargetError) << c.name;
    FullDiskFileSystem full;
    EXPECT_EQ(c.convert(full, c.good, target), kConvertTargetError) << c.name << ", disk full";
  }

  RecordingUserNotice notice;
  FullDiskFileSystem full;
  EXPECT_EQ(ConvertBmpToGif(full, bmp, target, &notice), kConvertTargetError);
  EXPECT_EQ(notice.texts, std::vector<std::string>{"Write Error in GIF file"});

  RecordingUserNotice jpegNotice;
  EXPECT_EQ(ConvertJpegToBmp(fs, garbage, target, &jpegNotice), kConvertSourceError);
  EXPECT_EQ(jpegNotice.texts.size(), 1u) << "the library's message for a bad JPEG goes to the notice";
}

}  // namespace
}  // namespace kelvarion
