// The MD5 message digest (RFC 1321), which the screen lock stores in place of
// its password. Our own small implementation: the password rules are part of
// the portable core, so the very code that runs on Windows is the code the
// native tests check against the RFC's test suite.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarion {

// The 16 bytes of the digest of the bytes given.
std::array<std::uint8_t, 16> Md5Digest(std::string_view bytes);

// The digest as 32 upper-case hexadecimal digits, its bytes in order.
std::string Md5HexUpper(std::string_view bytes);

}  // namespace kelvarion
