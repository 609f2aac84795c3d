// The converters between code page 936 and UTF-16 / UTF-8 take clipboard text
// from any program and file names and texts from disk. Whatever the input, the
// output is bounded by it; a text that converts without loss comes back to the
// same bytes; and one pass makes any text one that survives every further pass.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/codepage.h"
#include "fuzz_check.h"

namespace {

using namespace kelvarion;

std::size_t Count(const std::string& text, char c) {
  std::size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}
std::size_t Count(const std::u16string& text, char16_t c) {
  std::size_t n = 0;
  for (char16_t x : text) n += x == c;
  return n;
}

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return false;
    char32_t code = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      code = (code << 6) | (t & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input as code page 936 bytes.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = Cp936ToUtf16(bytes);
  // One unit for each character, and a character is one or two bytes.
  FUZZ_CHECK(wide.size() <= bytes.size(), "at most one wide unit for each byte");
  FUZZ_CHECK(Count(wide, u'\0') == Count(bytes, '\0'), "zeros stay zeros, and no zero is made");
  const std::string back = Utf16ToCp936(wide);
  FUZZ_CHECK(back.size() <= 2 * wide.size(), "at most two bytes for each wide unit");
  // Nothing was lost when no '?' was added: then the bytes come back as they were.
  const bool whole = Count(wide, u'?') == Count(bytes, '?');
  FUZZ_CHECK(!whole || back == bytes, "a text that converts without loss comes back to the same bytes");
  // After one pass every character converts both ways.
  FUZZ_CHECK(Utf16ToCp936(Cp936ToUtf16(back)) == back, "a converted text survives another round trip");

  const std::string utf8 = Cp936ToUtf8(bytes);
  FUZZ_CHECK(IsUtf8(utf8), "the UTF-8 form is well formed");
  FUZZ_CHECK(utf8.size() <= 3 * bytes.size(), "at most three UTF-8 bytes for each byte");
  FUZZ_CHECK(!whole || Utf8ToCp936(utf8) == bytes, "through UTF-8 and back, a whole text is the same");

  // The input as UTF-16 code units (wide clipboard text), surrogates and all.
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  const std::string fromWide = Utf16ToCp936(units);
  FUZZ_CHECK(fromWide.size() <= 2 * units.size(), "at most two bytes for each wide unit");
  FUZZ_CHECK(Count(fromWide, '\0') == Count(units, u'\0'), "zeros stay zeros, and no zero is made");
  FUZZ_CHECK(Utf16ToCp936(Cp936ToUtf16(fromWide)) == fromWide, "clipboard text once converted survives a round trip");
  // Character by character: each comes back as itself or as '?' (a pair of
  // surrogates, which code page 936 cannot hold, as one '?').
  const std::u16string again = Cp936ToUtf16(fromWide);
  std::size_t at = 0;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                      units[i + 1] <= 0xDFFF;
    FUZZ_CHECK(at < again.size(), "no character is lost");
    FUZZ_CHECK(again[at] == (pair ? u'?' : units[i]) || again[at] == u'?', "no character turns into another");
    i += pair ? 1 : 0;
    ++at;
  }
  FUZZ_CHECK(at == again.size(), "no character is added");

  // The input as UTF-8 (archive text, host file names).
  const std::string fromUtf8 = Utf8ToCp936(bytes);
  FUZZ_CHECK(fromUtf8.size() <= bytes.size(), "no more bytes than the UTF-8 had");
  FUZZ_CHECK(Utf8ToCp936(Cp936ToUtf8(fromUtf8)) == fromUtf8, "archive text once converted survives a round trip");
  return 0;
}
