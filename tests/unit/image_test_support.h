// What the image suites share: pictures made up for the tests, little-endian
// byte builders, the committed sample files, and (natively) the outside tools
// that check our files against decoders we did not write.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/dib.h"
#include "support/test_support.h"
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include "platform/posix/posix_ports.h"
#endif

namespace kelvarion::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v);
  Put16(b, at + 2, v >> 16);
}
inline std::uint32_t Get16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
inline std::uint32_t Get32(const Bytes& b, std::size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }

inline std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }
inline Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A top-down RGB picture with `colors` distinct colours (at most 4096 here)
// laid out in blocks and stripes, so that runs, edges and repeats all occur.
inline Bytes MakeRgbPicture(int width, int height, int colors, unsigned seed = 1) {
  Bytes rgb(static_cast<std::size_t>(width) * height * 3);
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < colors; ++i) {
    seed = seed * 1103515245u + 12345u;
    palette.push_back((seed >> 8) & 0xFFFFFF);
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int pick = ((x / 3) * 7 + (y / 2) * 13 + ((x * y) % 5)) % colors;
      std::uint32_t c = palette[pick];
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = c >> 16, p[1] = (c >> 8) & 0xFF, p[2] = c & 0xFF;
    }
  }
  return rgb;
}

// A smooth picture (gradients, as in a photo) for lossy round trips.
inline Bytes MakeSmoothPicture(int width, int height) {
  Bytes rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / (width - 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / (height - 1));
      p[2] = static_cast<std::uint8_t>(128 + (x - y) / 4);
    }
  }
  return rgb;
}

inline int CountColors(const Bytes& rgb) {
  std::vector<bool> seen(1 << 24);
  int n = 0;
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    std::uint32_t c = (rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
    if (!seen[c]) seen[c] = true, ++n;
  }
  return n;
}

// The pixels of a CDib as a top-down RGB buffer, whatever its bit count.
inline Bytes DibToRgb(const CDib& dib) {
  CDib copy(dib);
  if (!copy.ChangeBitCount(24)) return {};
  const int w = copy.Width(), h = copy.Height();
  const std::size_t row = DibRowSize(24, w);
  Bytes rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = copy.Bits() + static_cast<std::size_t>(h - 1 - y) * row;
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = src[3 * x + 2], p[1] = src[3 * x + 1], p[2] = src[3 * x];
    }
  }
  return rgb;
}

// The largest difference of any channel between two pictures of one size.
inline int MaxChannelError(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}
inline double MeanChannelError(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / a.size();
}

// The committed sample files (tests/data/images), in the program's path form.
inline std::string DataPath(const std::string& name) {
  std::string dir = KELVARION_TEST_IMAGES;
#ifdef _WIN32
  // Wine maps the host's root on drive Z:.
  if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
  for (char& c : dir)
    if (c == '/') c = '\\';
#endif
  return dir + name;
}

// Raw RGB of a sample: "<name>.rgb" beside it holds the expected pixels.
inline Bytes ReadData(const std::string& name) { return AsBytes(ReadBytes(DataPath(name))); }

#ifndef _WIN32
// ImageMagick and libjpeg-turbo's tools, when this machine has them.
inline const char* kConvert = "/usr/bin/convert";
inline const char* kCjpeg = "/usr/bin/cjpeg";
inline bool HaveTool(const char* path) { return std::system((std::string("test -x ") + path).c_str()) == 0; }
inline bool RunTool(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }
// ImageMagick's decoding of a file, as top-down RGB bytes.
inline Bytes DecodeWithImageMagick(const std::string& path) {
  std::string out = HostPath(path) + ".magick.rgb";
  if (!RunTool(std::string(kConvert) + " '" + HostPath(path) + "[0]' -depth 8 rgb:'" + out + "'")) return {};
  std::FILE* f = std::fopen(out.c_str(), "rb");
  Bytes bytes;
  if (!f) return bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
  std::fclose(f);
  return bytes;
}
#endif

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
// Memory that runs out, for the allocations a file's sizes can ask for: caps
// this process's address space at what it uses now plus `room` bytes, so that
// any larger allocation fails at once (and nothing is touched) instead of
// being granted. Only for a death test's child: the cap cannot be lifted
// again. Not under AddressSanitizer, whose shadow memory the cap would forbid.
#define KELVARION_CAN_LIMIT_MEMORY 1
inline void LimitAddressSpaceGrowth(std::size_t room) {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  unsigned long pages = 0;
  if (f) {
    if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + room;
  setrlimit(RLIMIT_AS, &limit);
}
#endif

}  // namespace kelvarion::test
