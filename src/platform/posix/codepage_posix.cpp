#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "base/codepage.h"

namespace kelvarion {

namespace {
std::string Convert(std::string_view text, const char* to, const char* from) {
  std::string out;
  // The same limit as the Win32 conversions, so that both builds agree.
  if (text.size() > kMaxConvertibleLength) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off sequence: mark it and go on after its first byte.
      out.push_back('?');
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}
}  // namespace

std::string Utf16ToCp936(std::u16string_view text) {
  std::string out;
  if (text.size() > kMaxConvertibleLength) return out;
  iconv_t cd = iconv_open("CP936", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  // iconv takes bytes: lay the code units out little-endian whatever the host.
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // One character that does not convert, or a lone surrogate: mark it and
      // step over its code units (two for a whole surrogate pair).
      out.push_back('?');
      std::size_t step = 2;
      const auto unitAt = [&](std::size_t offset) {
        return static_cast<unsigned>(static_cast<unsigned char>(in[offset])) |
               static_cast<unsigned>(static_cast<unsigned char>(in[offset + 1])) << 8;
      };
      if (inLeft >= 4 && unitAt(0) >= 0xD800 && unitAt(0) <= 0xDBFF && unitAt(2) >= 0xDC00 && unitAt(2) <= 0xDFFF) {
        step = 4;
      }
      step = std::min(step, inLeft);
      in += step;
      inLeft -= step;
    }
  }
  iconv_close(cd);
  return out;
}

std::string Cp936ToUtf8(std::string_view text) { return Convert(text, "UTF-8", "CP936"); }
std::string Utf8ToCp936(std::string_view text) { return Convert(text, "CP936", "UTF-8"); }

std::u16string Cp936ToUtf16(std::string_view text) {
  if (text.size() > kMaxConvertibleLength) return std::u16string();
  // Through UTF-8, whose '?' marks keep their place (iconv's UTF-16 output
  // would take a one-byte mark out of step).
  const std::string utf8 = Cp936ToUtf8(text);
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += static_cast<std::size_t>(extra) + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return out;
}

}  // namespace kelvarion
