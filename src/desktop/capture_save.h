// The common end of every screen capture: the image becomes a new history
// file in the format the user chose ("BMP", "GIF" or "JPG") and a row at the
// top of the list. The clipboard is not touched.
#pragma once

#include <string>

#include "base/byte_buffer.h"
#include "clip/capture.h"
#include "clip/history_file.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/user_notice.h"

namespace kelvarion {

struct ScreenSaveFormat {
  HistoryKind kind;
  int iconIndex;  // in the program's own executable
};

// "GIF" and "JPG", exactly; anything else is BMP.
ScreenSaveFormat ChooseScreenSaveFormat(const std::string& screenSaveType);

struct CaptureSaveContext {
  FileSystem& files;
  Clock& clock;
  std::string historyDirectory;  // ends in "\"
  std::string exePath;           // the rows' icon file
  std::string screenSaveType;    // as the view holds it
  HistorySink& sink;
  CHistoryStamps& stamps;  // of the history files the list knows: new names are checked there
  UserNotice& notice;  // what went wrong, under the caption below
  std::string caption;
};

enum class CaptureSaveResult {
  kSaved,
  kSavedAsBmp,   // GIF or JPEG could not be made: the picture is kept as BMP, and the user told
  kWriteFailed,  // nothing could be written: no file, no row, the user told
};

// The image is a BMP file image as CaptureScreenRect makes it. The name is
// stepped past any history file of the same hundredth of a second, so a
// quick second capture never replaces the first. savedName (may be null)
// gets the new file's name.
CaptureSaveResult SaveCaptureToHistory(CaptureSaveContext& context, const CByteBuffer& image,
                                       std::string* savedName = nullptr);

// Told when the screen could not be copied at all (nothing is saved then).
inline constexpr char kScreenCopyFailedMessage[] = "未能复制屏幕图像，没有保存任何内容。";

}  // namespace kelvarion
