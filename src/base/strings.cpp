#include "base/strings.h"

#include <climits>

#include "base/dbcs.h"

namespace kelvarion {

void SplitString(std::string_view text, std::string_view separator, CTextList& list) {
  if (text.empty() || separator.empty()) return;
  std::size_t start = 0;
  for (;;) {
    std::size_t found = FindText(text, separator, start);
    if (found == std::string_view::npos) {
      // The rest is a last part unless the text ended with a separator.
      if (start < text.size()) list.Add(std::string(text.substr(start)));
      return;
    }
    list.Add(std::string(text.substr(start, found - start)));
    start = found + separator.size();
  }
}

std::string IntToString(int value) { return std::to_string(value); }

std::string UIntToString(unsigned value) { return std::to_string(value); }

std::string IntToZeroPadded(int value, int width) {
  std::string text = IntToString(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  return text;
}

int StrToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;  // stays saturated
  }
  if (negative) return value > INT_MAX ? INT_MIN : -static_cast<int>(value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string RepeatString(std::string_view text, int count) {
  std::string out;
  if (count <= 0) return out;
  out.reserve(text.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out.append(text);
  return out;
}

std::string TrimLeft(std::string_view text, std::string_view chars) {
  std::size_t first = text.find_first_not_of(chars);
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string TrimRight(std::string_view text, std::string_view chars) {
  // Blanks and line ends lie below 0x40 and so are never trail bytes.
  std::size_t last = text.find_last_not_of(chars);
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string Trim(std::string_view text, std::string_view chars) { return TrimLeft(TrimRight(text, chars), chars); }

std::string MakeTimeStampName(std::time_t time, int milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  if (milliseconds > 999) milliseconds = 999;
  // The program runs on one thread, so localtime's shared result is safe here.
  const std::tm* local = std::localtime(&time);
  std::tm fields{};
  if (local) fields = *local;
  return IntToZeroPadded(fields.tm_year + 1900, 4) + IntToZeroPadded(fields.tm_mon + 1, 2) +
         IntToZeroPadded(fields.tm_mday, 2) + IntToZeroPadded(fields.tm_hour, 2) + IntToZeroPadded(fields.tm_min, 2) +
         IntToZeroPadded(fields.tm_sec, 2) + IntToZeroPadded(milliseconds, 3).substr(0, 2);
}

}  // namespace kelvarion
