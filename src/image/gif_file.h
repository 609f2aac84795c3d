// GifFile: reads GIF87a and GIF89a files (the first image) into 24-bit
// images and writes any image as a GIF87a file with a 256-entry global colour
// table, with our own LZW coder both ways.
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

class GifFile {
 public:
  // `notice` (may be null) shows "Write Error in GIF file" when the disk
  // refuses the bytes.
  explicit GifFile(UserNotice* notice = nullptr) : notice_(notice) {}

  // A top-down RGB buffer (width x height x 3 bytes), or empty on failure
  // with the reason in ErrorText().
  std::vector<std::uint8_t> GIFRead(FileSystem& fs, const std::string& path, int& width, int& height);
  // The same over bytes already in memory; `path` only names the file in the
  // error texts.
  std::vector<std::uint8_t> GIFReadMemory(const std::uint8_t* bytes, std::size_t size, const std::string& path,
                                          int& width, int& height);

  // The decoded picture becomes Image() (24 bits); a failure keeps the old one.
  bool Load(FileSystem& fs, const std::string& path);
  // Writes `dib`, or Image() when it is null, reduced to 256 colours.
  bool Save(FileSystem& fs, const std::string& path, const CDib* dib = nullptr);

  // `pixels` holds width x height palette indices, top row first.
  bool GIFWrite(FileSystem& fs, const std::string& path, const std::uint8_t* pixels, int width, int height,
                int background, const std::uint8_t red[256], const std::uint8_t green[256],
                const std::uint8_t blue[256]);

  const std::string& ErrorText() const { return error_; }
  const CDib* Image() const { return image_.get(); }

 private:
  UserNotice* notice_;
  std::string error_ = "No Error";
  std::unique_ptr<CDib> image_;
};

// The whole GIF87a file for an indexed picture; false when the picture does
// not fit the format (no pixels, or a side above 65535).
bool EncodeGif(const std::uint8_t* pixels, int width, int height, int background, const std::uint8_t red[256],
               const std::uint8_t green[256], const std::uint8_t blue[256], std::vector<std::uint8_t>& out);

}  // namespace kelvarion
