#include "image/jpeg_file.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

extern "C" {
#include <jpeglib.h>
}

#include "base/file_utils.h"

namespace kelvarion {

namespace {

// A picture larger than this is refused before the library allocates for it.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 27;
// The library fills a picture whose data end early, so a few bytes of header
// could claim any size; no real file packs more than this many pixels into a
// byte, and a header that claims more is refused.
constexpr std::uint64_t kMaxPixelsPerByte = 4096;
// The library's own working memory (coefficient buffers of progressive files).
constexpr long kMaxLibraryMemory = 768L * 1024 * 1024;

// What the replaced error exit jumps back with. Only plain C data lives in
// here and in the functions that call setjmp: nothing with a destructor may
// be skipped by the longjmp.
struct ErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer is ours too
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (a file that ends early, stray bytes) are not shown.
extern "C" void OutputMessage(j_common_ptr) {}

void SetUpErrors(ErrorManager* err, jpeg_error_mgr** slot) {
  *slot = jpeg_std_error(&err->pub);
  err->pub.error_exit = ErrorExit;
  err->pub.output_message = OutputMessage;
  err->message[0] = '\0';
}

enum DecodeResult { kDecoded, kLibraryError, kTooLarge, kNoMemory };

struct DecodeContext {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  const unsigned char* data;
  std::size_t size;
  unsigned char* rgb;  // malloc'd, width x height x 3
  unsigned width, height;
};

DecodeResult Decode(DecodeContext* ctx) {
  ctx->rgb = nullptr;
  SetUpErrors(&ctx->err, &ctx->cinfo.err);
  if (setjmp(ctx->err.jump)) {
    jpeg_destroy_decompress(&ctx->cinfo);
    std::free(ctx->rgb);
    ctx->rgb = nullptr;
    return kLibraryError;
  }
  jpeg_create_decompress(&ctx->cinfo);
  jpeg_mem_src(&ctx->cinfo, ctx->data, static_cast<unsigned long>(ctx->size));
  jpeg_read_header(&ctx->cinfo, TRUE);
  const std::uint64_t claimed = static_cast<std::uint64_t>(ctx->cinfo.image_width) * ctx->cinfo.image_height;
  if (claimed > kMaxPixels || claimed > static_cast<std::uint64_t>(ctx->size) * kMaxPixelsPerByte) {
    jpeg_destroy_decompress(&ctx->cinfo);
    return kTooLarge;
  }
  ctx->cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
  // Colour files come out as RGB; four-channel (Adobe CMYK) ones as they are.
  if (ctx->cinfo.jpeg_color_space != JCS_GRAYSCALE && ctx->cinfo.num_components == 3) {
    ctx->cinfo.out_color_space = JCS_RGB;
  }
  jpeg_start_decompress(&ctx->cinfo);
  const unsigned width = ctx->cinfo.output_width, height = ctx->cinfo.output_height;
  const int components = ctx->cinfo.output_components;
  ctx->rgb = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(width) * height, 3));
  if (!ctx->rgb) {
    jpeg_destroy_decompress(&ctx->cinfo);
    return kNoMemory;
  }
  JSAMPARRAY row = (*ctx->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&ctx->cinfo), JPOOL_IMAGE,
                                                  width * components, 1);
  while (ctx->cinfo.output_scanline < height) {
    const unsigned y = ctx->cinfo.output_scanline;
    if (jpeg_read_scanlines(&ctx->cinfo, row, 1) != 1) break;
    unsigned char* out = ctx->rgb + static_cast<std::size_t>(y) * width * 3;
    const unsigned char* in = row[0];
    if (components == 3) {
      std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
    } else if (components == 1) {
      for (unsigned x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
    } else if (components == 4) {
      // Adobe writes CMYK inverted: each channel is already 255 - ink.
      for (unsigned x = 0; x < width; ++x) {
        const unsigned k = in[4 * x + 3];
        for (int c = 0; c < 3; ++c) out[3 * x + c] = static_cast<unsigned char>(in[4 * x + c] * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&ctx->cinfo);
  jpeg_destroy_decompress(&ctx->cinfo);
  ctx->width = width;
  ctx->height = height;
  return kDecoded;
}

struct EncodeContext {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  const unsigned char* pixels;
  unsigned width, height;
  int components;
  int quality;
  unsigned char* out;  // malloc'd by the library's memory destination
  unsigned long outSize;
};

bool Encode(EncodeContext* ctx) {
  ctx->out = nullptr;
  ctx->outSize = 0;
  SetUpErrors(&ctx->err, &ctx->cinfo.err);
  if (setjmp(ctx->err.jump)) {
    jpeg_destroy_compress(&ctx->cinfo);
    std::free(ctx->out);
    ctx->out = nullptr;
    return false;
  }
  jpeg_create_compress(&ctx->cinfo);
  jpeg_mem_dest(&ctx->cinfo, &ctx->out, &ctx->outSize);
  ctx->cinfo.image_width = ctx->width;
  ctx->cinfo.image_height = ctx->height;
  ctx->cinfo.input_components = ctx->components;
  ctx->cinfo.in_color_space = ctx->components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&ctx->cinfo);
  jpeg_set_quality(&ctx->cinfo, ctx->quality, TRUE);
  jpeg_start_compress(&ctx->cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(ctx->width) * ctx->components;
  while (ctx->cinfo.next_scanline < ctx->height) {
    JSAMPROW row = const_cast<JSAMPROW>(ctx->pixels + ctx->cinfo.next_scanline * stride);
    jpeg_write_scanlines(&ctx->cinfo, &row, 1);
  }
  jpeg_finish_compress(&ctx->cinfo);
  jpeg_destroy_compress(&ctx->cinfo);
  return true;
}

}  // namespace

void JpegFile::ReportLibraryError(const char* message) {
  if (notice_) notice_->Show(message, "JPEG Fatal Error", NoticeIcon::kStop);
}

std::vector<std::uint8_t> JpegFile::JPEGRead(FileSystem& fs, const std::string& path, int& width, int& height) {
  auto file = fs.Open(path, OpenMode::kRead);
  std::vector<std::uint8_t> bytes;
  if (!file || !ReadWholeFile(*file, bytes)) {
    error_ = "JPEG :\nCan't open " + path + "\n";
    return {};
  }
  file.reset();
  return JPEGReadMemory(bytes.data(), bytes.size(), width, height);
}

std::vector<std::uint8_t> JpegFile::JPEGReadMemory(const std::uint8_t* bytes, std::size_t size, int& width,
                                                   int& height) {
  static const std::uint8_t kNothing = 0;
  auto ctx = std::make_unique<DecodeContext>();
  ctx->data = bytes ? bytes : &kNothing;
  ctx->size = bytes ? size : 0;
  switch (Decode(ctx.get())) {
    case kDecoded: break;
    case kLibraryError:
      error_ = ctx->err.message;
      ReportLibraryError(ctx->err.message);
      return {};
    case kTooLarge:
    case kNoMemory:
      error_ = "JpegFile :\nOut of memory";
      return {};
  }
  std::vector<std::uint8_t> rgb;
  const std::size_t n = static_cast<std::size_t>(ctx->width) * ctx->height * 3;
  try {
    rgb.assign(ctx->rgb, ctx->rgb + n);
  } catch (const std::bad_alloc&) {
    error_ = "JpegFile :\nOut of memory";
  }
  std::free(ctx->rgb);
  if (rgb.empty()) return {};
  width = static_cast<int>(ctx->width);
  height = static_cast<int>(ctx->height);
  return rgb;
}

bool JpegFile::JPEGWriteMemory(const std::uint8_t* rgb, int width, int height, bool color, int quality,
                               std::vector<std::uint8_t>& out) {
  if (!rgb || width <= 0 || height <= 0 || width > 65500 || height > 65500) return false;
  std::vector<std::uint8_t> grey;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (!color) {
    try {
      grey.resize(pixels);
    } catch (const std::bad_alloc&) {
      error_ = "Memory error";
      return false;
    }
    for (std::size_t i = 0; i < pixels; ++i) {
      const std::uint8_t* p = rgb + 3 * i;
      grey[i] = static_cast<std::uint8_t>(0.587 * p[1] + 0.299 * p[0] + 0.114 * p[2]);
    }
  }
  auto ctx = std::make_unique<EncodeContext>();
  ctx->pixels = color ? rgb : grey.data();
  ctx->width = static_cast<unsigned>(width);
  ctx->height = static_cast<unsigned>(height);
  ctx->components = color ? 3 : 1;
  ctx->quality = quality < 0 ? 0 : (quality > 100 ? 100 : quality);
  if (!Encode(ctx.get())) {
    error_ = ctx->err.message;
    ReportLibraryError(ctx->err.message);
    return false;
  }
  bool ok = true;
  try {
    out.assign(ctx->out, ctx->out + ctx->outSize);
  } catch (const std::bad_alloc&) {
    error_ = "Memory error";
    ok = false;
  }
  std::free(ctx->out);
  return ok;
}

bool JpegFile::JPEGWrite(FileSystem& fs, const std::string& path, const std::uint8_t* rgb, int width, int height,
                         bool color, int quality) {
  if (!rgb || width <= 0 || height <= 0) return false;
  auto file = fs.Open(path, OpenMode::kCreate);
  if (!file) {
    error_ = "JpegFile :\nCan't open " + path + "\n";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  if (!JPEGWriteMemory(rgb, width, height, color, quality, bytes)) return false;
  return file->Write(bytes.data(), bytes.size()) == bytes.size();
}

bool JpegFile::Load(FileSystem& fs, const std::string& path) {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb = JPEGRead(fs, path, width, height);
  if (rgb.empty()) return false;
  auto dib = std::make_unique<CDib>();
  if (!MakeDibFromRgb(rgb.data(), width, height, *dib)) {
    error_ = "JpegFile :\nOut of memory";
    return false;
  }
  image_ = std::move(dib);
  return true;
}

bool JpegFile::Save(FileSystem& fs, const std::string& path, const CDib* dib, bool color, int quality) {
  if (!dib) dib = image_.get();
  if (!dib || dib->IsEmpty()) return false;
  // Plain 24- and 32-bit pictures (a screen capture is one) are read as they
  // are; any other is made 24-bit first.
  CDib widened;
  const CDib* work = dib;
  DibLayout layout;
  if (!dib->GetLayout(layout) || layout.compression != kBiRgb || (layout.bitCount != 24 && layout.bitCount != 32)) {
    widened = *dib;
    if (!widened.ChangeBitCount(24)) return false;
    work = &widened;
    if (!work->GetLayout(layout)) return false;
  }
  const std::size_t step = static_cast<std::size_t>(layout.bitCount) / 8;
  const int width = work->Width(), height = work->Height();
  // Rows packed, turned top-down and swapped to R, G, B in one pass.
  std::vector<std::uint8_t> rgb;
  try {
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
  } catch (const std::bad_alloc&) {
    error_ = "Memory error";
    return false;
  }
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* src = work->Bits() + static_cast<std::size_t>(height - 1 - y) * layout.rowSize;
    std::uint8_t* dst = &rgb[static_cast<std::size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x, src += step, dst += 3) dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
  }
  return JPEGWrite(fs, path, rgb.data(), width, height, color, quality);
}

}  // namespace kelvarion
