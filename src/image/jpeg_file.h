// JpegFile: JPEG files through libjpeg (the IJG 6 interface of
// libjpeg-turbo), exchanged with CDib as 24-bit images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/dib.h"
#include "platform/file_system.h"
#include "platform/user_notice.h"

namespace kelvarion {

inline constexpr int kJpegQuality = 75;

class JpegFile {
 public:
  // notice (may be null) shows the library's own message when it gives up
  // on a file, captioned "JPEG Fatal Error" with a stop sign.
  explicit JpegFile(UserNotice* notice = nullptr) : notice_(notice) {}

  // A top-down RGB buffer (width x height x 3 bytes), or empty on failure
  // with the reason in ErrorText(). Greyscale files come out with R = G = B.
  std::vector<std::uint8_t> JPEGRead(FileSystem& fs, const std::string& path, int& width, int& height);
  std::vector<std::uint8_t> JPEGReadMemory(const std::uint8_t* bytes, std::size_t size, int& width, int& height);

  // The decoded picture becomes Image() (24 bits); a failure keeps the old one.
  bool Load(FileSystem& fs, const std::string& path);
  // Writes `dib`, or Image() when it is null; `color` false writes greyscale.
  bool Save(FileSystem& fs, const std::string& path, const CDib* dib = nullptr, bool color = true,
            int quality = kJpegQuality);

  // `rgb` is top-down, width x height x 3 bytes; baseline at `quality` (0-100).
  bool JPEGWrite(FileSystem& fs, const std::string& path, const std::uint8_t* rgb, int width, int height, bool color,
                 int quality);
  // The same into memory.
  bool JPEGWriteMemory(const std::uint8_t* rgb, int width, int height, bool color, int quality,
                       std::vector<std::uint8_t>& out);

  const std::string& ErrorText() const { return error_; }
  const CDib* Image() const { return image_.get(); }

 private:
  void ReportLibraryError(const char* message);

  UserNotice* notice_;
  std::string error_ = "No Error";
  std::unique_ptr<CDib> image_;
};

}  // namespace kelvarion
