#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "base/bytes.h"
#include "base/codepage.h"

namespace kelvarion {

namespace {

// Converts bytes with iconv; where a sequence does not convert, a '?' takes
// its place and stepOver (given the rest of the input) says how many bytes
// it was. False when iconv has no such conversion.
bool Iconv(const char* to, const char* from, std::string_view bytes, std::size_t (*stepOver)(const char*, std::size_t),
           std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out.push_back('?');
      const std::size_t step = std::min(stepOver(in, inLeft), inLeft);
      in += step;
      inLeft -= step;
    }
  }
  iconv_close(cd);
  return true;
}

// An invalid or cut-off multi-byte sequence: go on after its first byte.
std::size_t OneByte(const char*, std::size_t) { return 1; }

// One UTF-16LE character that does not convert, or a lone surrogate: its
// code units, two for a whole surrogate pair.
std::size_t OneCharacter(const char* in, std::size_t left) {
  const auto unitAt = [in](std::size_t offset) { return LoadLe16(reinterpret_cast<const std::uint8_t*>(in + offset)); };
  if (left >= 4 && unitAt(0) >= 0xD800 && unitAt(0) <= 0xDBFF && unitAt(2) >= 0xDC00 && unitAt(2) <= 0xDFFF) return 4;
  return 2;
}

std::string Convert(std::string_view text, const char* to, const char* from) {
  std::string out;
  // The same limit as the Win32 conversions, so that both builds agree.
  if (text.size() > kMaxConvertibleLength) return out;
  if (!Iconv(to, from, text, OneByte, out)) return std::string(text);
  return out;
}

}  // namespace

std::string Utf16ToCp936(std::u16string_view text) {
  std::string out;
  if (text.size() > kMaxConvertibleLength) return out;
  // iconv takes bytes: lay the code units out little-endian whatever the host.
  std::string bytes(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) StoreLe16(reinterpret_cast<std::uint8_t*>(&bytes[2 * i]), text[i]);
  if (!Iconv("CP936", "UTF-16LE", bytes, OneCharacter, out)) return std::string();
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
