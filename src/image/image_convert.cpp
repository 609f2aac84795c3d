#include "image/image_convert.h"

#include "image/dib.h"
#include "image/gif_file.h"
#include "image/jpeg_file.h"

namespace kelvarion {

int ConvertBmpToGif(FileSystem& fs, const std::string& source, const std::string& target, UserNotice* notice) {
  CDib dib;
  if (!dib.Load(fs, source)) return kConvertSourceError;
  GifFile gif(notice);
  return gif.Save(fs, target, &dib) ? 0 : kConvertTargetError;
}

int ConvertBmpToJpeg(FileSystem& fs, const std::string& source, const std::string& target, UserNotice* notice) {
  CDib dib;
  if (!dib.Load(fs, source)) return kConvertSourceError;
  JpegFile jpeg(notice);
  return jpeg.Save(fs, target, &dib, true, kJpegQuality) ? 0 : kConvertTargetError;
}

int ConvertGifToBmp(FileSystem& fs, const std::string& source, const std::string& target) {
  GifFile gif;
  if (!gif.Load(fs, source)) return kConvertSourceError;
  return gif.Image()->Save(fs, target) ? 0 : kConvertTargetError;
}

int ConvertJpegToBmp(FileSystem& fs, const std::string& source, const std::string& target, UserNotice* notice) {
  JpegFile jpeg(notice);
  if (!jpeg.Load(fs, source)) return kConvertSourceError;
  return jpeg.Image()->Save(fs, target) ? 0 : kConvertTargetError;
}

}  // namespace kelvarion
