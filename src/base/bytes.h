// Reading and writing the little-endian numbers and zero-terminated texts of
// bytes that come from outside: files, the clipboard's memory blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvarion {

inline std::uint16_t LoadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  StoreLe16(p, static_cast<std::uint16_t>(v));
  StoreLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

// The bytes up to the first zero byte, or all of them when there is none.
std::string ZeroTerminatedText(const std::uint8_t* data, std::size_t size);
// UTF-16LE code units up to the first zero unit, or all of them (an odd last
// byte is no code unit).
std::u16string ZeroTerminatedWideText(const std::uint8_t* data, std::size_t size);

}  // namespace kelvarion
