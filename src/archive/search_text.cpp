#include "archive/search_text.h"

namespace kelvarion {

namespace {

// The value bits of a lead byte from 0xC0 up, as SQLite's reader takes them.
const unsigned char kLeadBits[64] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00,
};

}  // namespace

std::uint32_t ReadLikeChar(std::string_view text, std::size_t& pos) {
  std::uint32_t c = static_cast<unsigned char>(text[pos++]);
  if (c >= 0xC0) {
    c = kLeadBits[c - 0xC0];
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) {
      c = (c << 6) + (0x3F & static_cast<unsigned char>(text[pos++]));
    }
    if (c < 0x80 || (c & 0xFFFFF800u) == 0xD800 || (c & 0xFFFFFFFEu) == 0xFFFE) c = 0xFFFD;
  }
  return c;
}

void AppendCharToken(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  // Lead byte and count of continuation bytes for the value's size.
  int extra;
  unsigned lead;
  if (c < 0x800) {
    extra = 1, lead = 0xC0;
  } else if (c < 0x10000) {
    extra = 2, lead = 0xE0;
  } else if (c < 0x200000) {
    extra = 3, lead = 0xF0;
  } else if (c < 0x4000000) {
    extra = 4, lead = 0xF8;
  } else if (c < 0x80000000u) {
    extra = 5, lead = 0xFC;
  } else {
    extra = 6, lead = 0xFE;
  }
  out.push_back(static_cast<char>(lead | (extra == 6 ? 0 : (c >> (6 * extra)))));
  for (int i = extra - 1; i >= 0; --i) out.push_back(static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F)));
}

std::vector<std::uint32_t> LikeChars(std::string_view text) {
  std::vector<std::uint32_t> chars;
  chars.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] != '\0') chars.push_back(FoldLikeChar(ReadLikeChar(text, pos)));
  return chars;
}

bool TrigramFoldsLikeLike(std::uint32_t c) {
  if (c < 0x80) return true;
  struct Range {
    std::uint32_t first, last;
  };
  // Blocks in which the trigram tokenizer's folding changes no character and
  // maps no other character onto one of them.
  static const Range kCaseless[] = {
      {0x2000, 0x206F},   // general punctuation
      {0x2190, 0x23FF},   // arrows, mathematical and technical symbols
      {0x2500, 0x2BFF},   // box drawing, shapes, dingbats
      {0x2E80, 0xA4CF},   // CJK radicals, symbols and punctuation, kana, ideographs, Yi
      {0xAC00, 0xD7A3},   // Hangul syllables
      {0xF900, 0xFAFF},   // CJK compatibility ideographs
      {0xFE30, 0xFE4F},   // CJK compatibility forms
      {0xFF01, 0xFF20},   // full-width punctuation and digits
      {0xFF3B, 0xFF40},
      {0xFF5B, 0xFF65},
      {0x20000, 0x3FFFF}, // CJK extensions
  };
  for (const Range& r : kCaseless) {
    if (c >= r.first && c <= r.last) return true;
  }
  return false;
}

std::uint32_t TrigramFoldTrap(std::uint32_t c) {
  if (c == 'k' || c == 'K') return 0x212A;
  if (c == 's' || c == 'S') return 0x017F;
  return 0;
}

std::string FirstChars(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < text.size(); ++n) ReadLikeChar(text, pos);
  return std::string(text.substr(0, pos));
}

}  // namespace kelvarion
