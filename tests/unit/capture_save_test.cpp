#include "desktop/capture_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/strings.h"
#include "desktop/capture_image.h"
#include "image/gif_file.h"
#include "image/jpeg_file.h"
#include "image_test_support.h"
#include "platform/memory/memory_file_system.h"

namespace kelvarion {
namespace {

using test::Bytes;
using test::HostFileSystem;
using test::ScratchDir;

constexpr char kExe[] = "C:\\程序\\Kelvarion.exe";
constexpr int kWidth = 67, kHeight = 49;  // odd sides: rows need padding

class FixedClock : public Clock {
 public:
  ClockReading Now() override { return reading; }
  ClockReading reading{1700000000, 456};
};

struct AddedRow {
  std::string text, fileName, iconFile;
  int iconIndex, type;
};

class RecordingSink : public HistorySink {
 public:
  int AddHistoryRow(const std::string& text, const std::string& fileName, const std::string& iconFile, int iconIndex,
                    int type) override {
    rows.insert(rows.begin(), AddedRow{text, fileName, iconFile, iconIndex, type});
    return 0;
  }
  std::vector<AddedRow> rows;
};

class RecordingNotice : public UserNotice {
 public:
  void Show(const std::string& text, const std::string& caption, NoticeIcon) override {
    texts.push_back(text);
    captions.push_back(caption);
  }
  std::vector<std::string> texts, captions;
};

// Four flat quadrants, as a screen with a few windows on it: GIF keeps them
// exactly, JPEG nearly.
Bytes PatternRgb() {
  const std::uint8_t colors[4][3] = {{200, 30, 40}, {20, 180, 60}, {30, 60, 220}, {240, 220, 20}};
  Bytes rgb;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* c = colors[(y >= kHeight / 2 ? 2 : 0) + (x >= kWidth / 2 ? 1 : 0)];
      rgb.insert(rgb.end(), c, c + 3);
    }
  return rgb;
}

// The image as CaptureScreenRect leaves it: 32 bits, bottom-up rows.
void MakeCaptureImage(const Bytes& rgb, CByteBuffer& image) {
  const std::int64_t size = CaptureImageSize(kWidth, kHeight, 32);
  ASSERT_EQ(image.SetLength(static_cast<int>(size)), size);
  WriteCaptureHeaders(image.GetData(), kWidth, kHeight, 32, size);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* px = image.GetData() + kCaptureHeaderSize + (static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 4;
      const std::uint8_t* c = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
      px[0] = c[2], px[1] = c[1], px[2] = c[0], px[3] = 0;
    }
}

struct SaveCase {
  const char* type;
  const char* ending;
  int iconIndex;
};

class CaptureSaveTest : public ::testing::TestWithParam<SaveCase> {};

// The view holds the setting already upper-cased; what reaches the save is
// compared exactly.
INSTANTIATE_TEST_SUITE_P(Formats, CaptureSaveTest,
                         ::testing::Values(SaveCase{"BMP", ".bmp", 4}, SaveCase{"GIF", ".gif", 8},
                                           SaveCase{"JPG", ".jpg", 9}, SaveCase{"gif", ".bmp", 4},
                                           SaveCase{"PNG", ".bmp", 4}, SaveCase{"", ".bmp", 4}));

TEST_P(CaptureSaveTest, TheImageBecomesAFileOfTheChosenFormatAndARowOnTop) {
  const SaveCase& c = GetParam();
  ScratchDir dir;
  const std::string history = dir.path() + "历史\\";  // not there yet: made on the way
  FixedClock clock;
  RecordingSink sink;
  RecordingNotice notice;
  CHistoryStamps stamps;
  CaptureSaveContext context{HostFileSystem(), clock, history, kExe, c.type, sink, stamps, notice, "Kelvarion"};
  const Bytes rgb = PatternRgb();
  CByteBuffer image;
  MakeCaptureImage(rgb, image);

  std::string name;
  ASSERT_EQ(SaveCaptureToHistory(context, image, &name), CaptureSaveResult::kSaved);
  EXPECT_EQ(name, MakeTimeStampName(clock.reading.seconds, 450) + c.ending) << "the clock's time stamp";
  ASSERT_EQ(sink.rows.size(), 1u);
  const AddedRow& row = sink.rows[0];
  EXPECT_EQ(row.text, name);
  EXPECT_EQ(row.fileName, name);
  EXPECT_EQ(row.iconFile, kExe);
  EXPECT_EQ(row.iconIndex, c.iconIndex);
  EXPECT_EQ(row.type, -1);
  EXPECT_TRUE(notice.texts.empty());

  const std::string bytes = test::ReadBytes(history + name);
  std::vector<std::string> names;
  ASSERT_TRUE(HostFileSystem().ListDirectory(history, names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{name, kTemporaryFolder}));
  std::vector<std::string> temporary;
  HostFileSystem().ListDirectory(history + kTemporaryFolder, temporary);
  EXPECT_TRUE(temporary.empty()) << "no temporary file stays behind";
  if (std::string(c.ending) == ".bmp") {
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(image.GetData()), image.GetLength()))
        << "the BMP is the captured image byte for byte";
  } else if (std::string(c.ending) == ".gif") {
    GifFile gif;
    ASSERT_TRUE(gif.Load(HostFileSystem(), history + name)) << gif.ErrorText();
    EXPECT_EQ(test::DibToRgb(*gif.Image()), rgb) << "four colours go through GIF unchanged";
  } else {
    JpegFile jpeg;
    ASSERT_TRUE(jpeg.Load(HostFileSystem(), history + name));
    const Bytes decoded = test::DibToRgb(*jpeg.Image());
    ASSERT_EQ(decoded.size(), rgb.size());
    // JPEG blurs colours across its 8x8 blocks at the edges between the
    // quadrants; away from them the picture stays close.
    auto inside = [](int v, int size) {  // the pixel's centre at least 8 from every edge
      for (int edge : {0, size / 2, size})
        if (std::abs(2 * v + 1 - 2 * edge) < 16) return false;
      return true;
    };
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        if (!inside(x, kWidth) || !inside(y, kHeight)) continue;
        for (int ch = 0; ch < 3; ++ch) {
          const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 3 + ch;
          worst = std::max(worst, std::abs(decoded[at] - rgb[at]));
        }
      }
    EXPECT_LE(worst, 24) << "JPEG at quality 75 keeps flat areas close";
  }
}

TEST(CaptureSave, TwoCapturesWithinOneHundredthGetTwoFilesAndTwoRows) {
  ScratchDir dir;
  FixedClock clock;
  RecordingSink sink;
  RecordingNotice notice;
  CHistoryStamps stamps;
  CaptureSaveContext context{HostFileSystem(), clock, dir.path(), kExe, "BMP", sink, stamps, notice, ""};
  CByteBuffer first, second;
  MakeCaptureImage(PatternRgb(), first);
  MakeCaptureImage(Bytes(kWidth * kHeight * 3, 7), second);
  std::string a, b;
  ASSERT_EQ(SaveCaptureToHistory(context, first, &a), CaptureSaveResult::kSaved);
  ASSERT_EQ(SaveCaptureToHistory(context, second, &b), CaptureSaveResult::kSaved);
  EXPECT_NE(a, b);
  EXPECT_EQ(test::ReadBytes(dir.path() + a), std::string(reinterpret_cast<const char*>(first.GetData()), first.GetLength()))
      << "the first capture's file is not replaced";
  EXPECT_EQ(test::ReadBytes(dir.path() + b),
            std::string(reinterpret_cast<const char*>(second.GetData()), second.GetLength()));
  ASSERT_EQ(sink.rows.size(), 2u);
  EXPECT_EQ(sink.rows[0].fileName, b);
  EXPECT_EQ(sink.rows[1].fileName, a);
}

// A file system on which files of one ending cannot be made.
class RefusingFileSystem : public MemoryFileSystem {
 public:
  std::string refused;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode != OpenMode::kRead && path.find(refused) != std::string::npos) return nullptr;
    return MemoryFileSystem::Open(path, mode);
  }
};

TEST(CaptureSave, AFailedConversionKeepsThePictureAsBmpAndSaysSo) {
  for (const char* type : {"GIF", "JPG"}) {
    RefusingFileSystem files;
    files.refused = std::string(type) == "GIF" ? ".gif" : ".jpg";
    FixedClock clock;
    RecordingSink sink;
    RecordingNotice notice;
    CHistoryStamps stamps;
    CaptureSaveContext context{files, clock, "C:\\h\\", kExe, type, sink, stamps, notice, "标题"};
    CByteBuffer image;
    MakeCaptureImage(PatternRgb(), image);
    std::string name;
    EXPECT_EQ(SaveCaptureToHistory(context, image, &name), CaptureSaveResult::kSavedAsBmp) << type;
    EXPECT_EQ(name.substr(16), ".bmp") << type;
    EXPECT_EQ(files.GetFile("C:\\h\\" + name), std::string(reinterpret_cast<const char*>(image.GetData()), image.GetLength()));
    ASSERT_EQ(sink.rows.size(), 1u) << type;
    EXPECT_EQ(sink.rows[0].fileName, name);
    EXPECT_EQ(sink.rows[0].iconIndex, 4) << "the BMP row's icon";
    ASSERT_FALSE(notice.texts.empty()) << type;
    EXPECT_NE(notice.texts.back().find(type), std::string::npos) << "the message names the format that failed";
    EXPECT_NE(notice.texts.back().find(name), std::string::npos) << "and the file that was kept";
    EXPECT_EQ(notice.captions.back(), "标题");
    EXPECT_EQ(files.FilePaths(), std::vector<std::string>{"C:\\h\\" + name}) << type << ": nothing half-written stays";
  }
}

TEST(CaptureSave, NothingWrittenMeansNoRowAndTheUserIsTold) {
  const struct {
    bool failOpen;
    long long limit;
    bool failRename;
  } cases[] = {{true, -1, false}, {false, 100, false}, {false, -1, true}};
  for (const auto& c : cases) {
    MemoryFileSystem files;
    files.failOpenWrite = c.failOpen;
    files.writeLimit = c.limit;
    files.failRename = c.failRename;
    FixedClock clock;
    RecordingSink sink;
    RecordingNotice notice;
    CHistoryStamps stamps;
    CaptureSaveContext context{files, clock, "C:\\h\\", kExe, "BMP", sink, stamps, notice, ""};
    CByteBuffer image;
    MakeCaptureImage(PatternRgb(), image);
    std::string name = "untouched";
    EXPECT_EQ(SaveCaptureToHistory(context, image, &name), CaptureSaveResult::kWriteFailed);
    EXPECT_EQ(name, "untouched");
    EXPECT_TRUE(sink.rows.empty()) << "a row would point at nothing";
    EXPECT_TRUE(files.FilePaths().empty()) << "no file, not even a part of one";
    ASSERT_EQ(notice.texts.size(), 1u);
    EXPECT_NE(notice.texts[0].find("C:\\h\\"), std::string::npos) << "the message names the directory";
  }
}

}  // namespace
}  // namespace kelvarion
