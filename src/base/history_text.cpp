#include "base/history_text.h"

#include "base/codepage.h"
#include "base/dbcs.h"

namespace kelvarion {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool StartsWithMark(std::string_view text) { return text.substr(0, kUtf8Mark.size()) == kUtf8Mark; }

std::string_view Body(std::string_view text) { return text.substr(kUtf8Mark.size()); }

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Bytes of the UTF-8 character whose lead byte is c (1 for a stray byte).
std::size_t Utf8Length(unsigned char c) { return c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4; }

// Whether code page 936 holds the characters exactly: they come back the same
// from its bytes (a character it lacks came out as '?' or a look-alike).
bool Cp936Holds(std::u16string_view text, const std::string& bytes) { return Cp936ToUtf16(bytes) == text; }

}  // namespace

void Utf8Checker::Feed(std::string_view bytes) {
  for (char ch : bytes) {
    if (!valid_) return;
    const auto c = static_cast<unsigned char>(ch);
    if (pending_ > 0) {
      if ((c & 0xC0) != 0x80) {
        valid_ = false;
        return;
      }
      value_ = (value_ << 6) | (c & 0x3F);
      if (--pending_ == 0 && (value_ < minimum_ || value_ > 0x10FFFF || (value_ >= 0xD800 && value_ <= 0xDFFF)))
        valid_ = false;
      continue;
    }
    if (c < 0x80) continue;
    if (c >= 0xC2 && c <= 0xDF) {
      pending_ = 1, value_ = c & 0x1F, minimum_ = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      pending_ = 2, value_ = c & 0x0F, minimum_ = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      pending_ = 3, value_ = c & 0x07, minimum_ = 0x10000;
    } else {
      valid_ = false;
    }
  }
}

bool IsValidUtf8(std::string_view text) {
  Utf8Checker checker;
  checker.Feed(text);
  return checker.Finish();
}

bool IsUtf8HistoryText(std::string_view text) { return StartsWithMark(text) && IsValidUtf8(Body(text)); }

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8Length(lead);
    if (length == 1 && lead >= 0x80) {  // not valid UTF-8 after all
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string MakeHistoryText(std::u16string_view text) {
  std::string bytes = Utf16ToCp936(text);
  if (Cp936Holds(text, bytes) && !IsUtf8HistoryText(bytes)) return bytes;
  return std::string(kUtf8Mark) + Utf16ToUtf8(text);
}

std::string MakeHistoryTextFrom936(std::string bytes) {
  if (!IsUtf8HistoryText(bytes)) return bytes;
  return std::string(kUtf8Mark) + Utf16ToUtf8(Cp936ToUtf16(bytes));
}

std::u16string HistoryTextToUtf16(std::string_view text) {
  return IsUtf8HistoryText(text) ? Utf8ToUtf16(Body(text)) : Cp936ToUtf16(text);
}

std::string HistoryTextToUtf8(std::string_view text) {
  return IsUtf8HistoryText(text) ? std::string(Body(text)) : Cp936ToUtf8(text);
}

std::string HistoryTextToCp936(std::string_view text) {
  return IsUtf8HistoryText(text) ? Utf16ToCp936(Utf8ToUtf16(Body(text))) : std::string(text);
}

std::string ComparableHistoryText(std::string_view text) {
  return IsUtf8HistoryText(text) ? MakeHistoryText(Utf8ToUtf16(Body(text))) : std::string(text);
}

std::string CutHistoryText(std::string_view text, std::size_t width, bool* cut) {
  if (!IsUtf8HistoryText(text)) {
    const std::string_view kept = CutOnCharacter(text, width);
    if (cut) *cut = kept.size() < text.size();
    // A cut can end a text just before the bytes that kept it from reading
    // as UTF-8.
    return MakeHistoryTextFrom936(std::string(kept));
  }
  const std::string_view body = Body(text);
  std::size_t pos = 0, used = 0;
  while (pos < body.size()) {
    const std::size_t length = Utf8Length(static_cast<unsigned char>(body[pos]));
    const std::size_t columns = length == 1 ? 1 : 2;
    if (used + columns > width) break;
    used += columns;
    pos += length;
  }
  if (cut) *cut = pos < body.size();
  return std::string(kUtf8Mark) + std::string(body.substr(0, pos));
}

}  // namespace kelvarion
