#include "base/bytes.h"

namespace kelvarion {

std::string ZeroTerminatedText(const std::uint8_t* data, std::size_t size) {
  const auto* p = reinterpret_cast<const char*>(data);
  std::size_t n = 0;
  while (n < size && p[n] != '\0') ++n;
  return std::string(p, n);
}

std::u16string ZeroTerminatedWideText(const std::uint8_t* data, std::size_t size) {
  std::u16string out;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const char16_t unit = LoadLe16(data + i);
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

}  // namespace kelvarion
