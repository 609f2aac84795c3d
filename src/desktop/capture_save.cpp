#include "desktop/capture_save.h"

#include "base/file_utils.h"
#include "image/dib.h"
#include "image/gif_file.h"
#include "image/jpeg_file.h"

namespace kelvarion {

namespace {

bool WriteImageBytes(FileSystem& files, const std::string& path, const CByteBuffer& image) {
  return WriteDataFile(files, path, image, false) == 0;
}

// GIF and JPEG are made straight from the image in memory: no BMP is written
// only to be read back.
bool WriteConverted(FileSystem& files, const std::string& path, const CByteBuffer& image, HistoryKind kind,
                    UserNotice& notice) {
  CDib dib;
  if (!dib.ReadFromMemory(image.GetData(), static_cast<std::size_t>(image.GetLength()))) return false;
  if (kind == HistoryKind::kGif) {
    GifFile gif(&notice);
    return gif.Save(files, path, &dib);
  }
  JpegFile jpeg(&notice);
  return jpeg.Save(files, path, &dib, true, kJpegQuality);
}

// Icons of the program's executable for the image rows.
constexpr int kBmpIcon = 4;
constexpr int kGifIcon = 8;
constexpr int kJpgIcon = 9;

}  // namespace

ScreenSaveFormat ChooseScreenSaveFormat(const std::string& screenSaveType) {
  if (screenSaveType == "GIF") return {HistoryKind::kGif, kGifIcon};
  if (screenSaveType == "JPG") return {HistoryKind::kJpg, kJpgIcon};
  return {HistoryKind::kBmp, kBmpIcon};
}

CaptureSaveResult SaveCaptureToHistory(CaptureSaveContext& context, const CByteBuffer& image,
                                       std::string* savedName) {
  const ClockReading now = context.clock.Now();
  const std::string& directory = context.historyDirectory;
  CreateDirectoryPath(context.files, directory);
  ScreenSaveFormat format = ChooseScreenSaveFormat(context.screenSaveType);
  CaptureSaveResult result = CaptureSaveResult::kSaved;

  std::string name;
  if (format.kind != HistoryKind::kBmp) {
    name = WriteNewHistoryFile(context.files, directory, context.stamps, now, format.kind,
                               [&](const std::string& path) {
                                 return WriteConverted(context.files, path, image, format.kind, context.notice);
                               });
    if (name.empty()) {
      // What the user captured is not lost to the converter: it stays as BMP.
      format = ChooseScreenSaveFormat("BMP");
      result = CaptureSaveResult::kSavedAsBmp;
    }
  }
  if (format.kind == HistoryKind::kBmp) {
    name = WriteNewHistoryFile(context.files, directory, context.stamps, now, format.kind,
                               [&](const std::string& path) { return WriteImageBytes(context.files, path, image); });
    if (name.empty()) {
      context.notice.Show("屏幕图像未能保存：无法在下面的目录中写入历史文件\r\n" + directory, context.caption,
                          NoticeIcon::kStop);
      return CaptureSaveResult::kWriteFailed;
    }
  }
  if (result == CaptureSaveResult::kSavedAsBmp) {
    const char* wanted = context.screenSaveType == "GIF" ? "GIF" : "JPG";
    context.notice.Show(std::string("屏幕图像未能转换为") + wanted + "格式，已按BMP格式保存为\r\n" + directory + name,
                        context.caption, NoticeIcon::kStop);
  }
  context.sink.AddHistoryRow(name, name, context.exePath, format.iconIndex, -1);
  if (savedName) *savedName = name;
  return result;
}

}  // namespace kelvarion
