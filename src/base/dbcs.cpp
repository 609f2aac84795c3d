#include "base/dbcs.h"

namespace kelvarion {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename Fn>
std::string MapSingleBytes(std::string_view text, Fn fn) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t n = CharLength(out, i);
    if (n == 1) out[i] = fn(out[i]);
    i += n;
  }
  return out;
}
}  // namespace

std::size_t CharLength(std::string_view text, std::size_t pos) {
  if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]))) return 2;
  return 1;
}

std::size_t FindChar(std::string_view text, char c, std::size_t start) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = CharLength(text, i);
    if (i >= start && n == 1 && text[i] == c) return i;
    i += n;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view text, char c, std::size_t end) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size() && i < end;) {
    std::size_t n = CharLength(text, i);
    if (n == 1 && text[i] == c) found = i;
    i += n;
  }
  return found;
}

std::size_t FindLastChar(std::string_view text, char c) { return FindLastChar(text, c, text.size()); }

std::size_t FindText(std::string_view text, std::string_view needle, std::size_t start) {
  if (needle.empty()) return start <= text.size() ? start : std::string_view::npos;
  for (std::size_t i = 0; i < text.size();) {
    if (i >= start && text.compare(i, needle.size(), needle) == 0) return i;
    i += CharLength(text, i);
  }
  return std::string_view::npos;
}

std::string ToUpper(std::string_view text) { return MapSingleBytes(text, Upper); }
std::string ToLower(std::string_view text) { return MapSingleBytes(text, Lower); }

int CompareNoCase(std::string_view a, std::string_view b) {
  // Only single-byte characters fold, so compare the folded copies.
  std::string ua = ToUpper(a), ub = ToUpper(b);
  int r = ua.compare(ub);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareNoCase(a, b) == 0; }

bool EndsWithChar(std::string_view text, char c) {
  if (text.empty()) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < text.size();) {
    last = i;
    i += CharLength(text, i);
  }
  return CharLength(text, last) == 1 && text[last] == c;
}

std::string_view CutOnCharacter(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = 0;
  while (end < limit) {
    const std::size_t next = end + CharLength(text, end);
    if (next > limit) break;
    end = next;
  }
  return text.substr(0, end);
}

}  // namespace kelvarion
