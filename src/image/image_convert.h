// The file converters between BMP and GIF or JPEG. Each returns 0 on
// success, -1 when the source cannot be read, -2 when the target cannot be
// written. The source is read whole before the target is opened, so source
// and target may be the same path.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/user_notice.h"

namespace kelvarion {

inline constexpr int kConvertSourceError = -1;
inline constexpr int kConvertTargetError = -2;

// `notice` (may be null) shows what the codecs must tell: "Write Error in
// GIF file", the JPEG library's messages.
int ConvertBmpToGif(FileSystem& fs, const std::string& source, const std::string& target,
                    UserNotice* notice = nullptr);
// Colour, quality 75, baseline.
int ConvertBmpToJpeg(FileSystem& fs, const std::string& source, const std::string& target,
                     UserNotice* notice = nullptr);
int ConvertGifToBmp(FileSystem& fs, const std::string& source, const std::string& target);
int ConvertJpegToBmp(FileSystem& fs, const std::string& source, const std::string& target,
                     UserNotice* notice = nullptr);

}  // namespace kelvarion
