#include "desktop/md5.h"

#include <cstddef>

namespace kelvarion {

namespace {

// floor(|sin(i + 1)| * 2^32), as the RFC tabulates it.
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

struct State {
  std::uint32_t a = 0x67452301, b = 0xefcdab89, c = 0x98badcfe, d = 0x10325476;

  void Transform(const std::uint8_t* block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
      x[i] = static_cast<std::uint32_t>(block[i * 4]) | static_cast<std::uint32_t>(block[i * 4 + 1]) << 8 |
             static_cast<std::uint32_t>(block[i * 4 + 2]) << 16 | static_cast<std::uint32_t>(block[i * 4 + 3]) << 24;
    std::uint32_t aa = a, bb = b, cc = c, dd = d;
    for (int i = 0; i < 64; ++i) {
      const int round = i / 16;
      std::uint32_t f;
      int k;
      switch (round) {
        case 0: f = (bb & cc) | (~bb & dd); k = i; break;
        case 1: f = (bb & dd) | (cc & ~dd); k = (5 * i + 1) % 16; break;
        case 2: f = bb ^ cc ^ dd; k = (3 * i + 5) % 16; break;
        default: f = cc ^ (bb | ~dd); k = (7 * i) % 16; break;
      }
      const std::uint32_t next = bb + RotateLeft(aa + f + x[k] + kSine[i], kShift[round][i % 4]);
      aa = dd;
      dd = cc;
      cc = bb;
      bb = next;
    }
    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
};

}  // namespace

std::array<std::uint8_t, 16> Md5Digest(std::string_view bytes) {
  State state;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t length = bytes.size();
  std::size_t done = 0;
  for (; length - done >= 64; done += 64) state.Transform(data + done);

  // The tail, a one bit, zeros up to 56 bytes of the last block, and the
  // length in bits as a little-endian 64-bit number.
  std::uint8_t last[128] = {};
  const std::size_t tail = length - done;
  for (std::size_t i = 0; i < tail; ++i) last[i] = data[done + i];
  last[tail] = 0x80;
  const std::size_t blocks = tail < 56 ? 1 : 2;
  const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
  for (int i = 0; i < 8; ++i) last[blocks * 64 - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  for (std::size_t i = 0; i < blocks; ++i) state.Transform(last + i * 64);

  std::array<std::uint8_t, 16> digest{};
  const std::uint32_t words[4] = {state.a, state.b, state.c, state.d};
  for (int w = 0; w < 4; ++w)
    for (int i = 0; i < 4; ++i) digest[w * 4 + i] = static_cast<std::uint8_t>(words[w] >> (8 * i));
  return digest;
}

std::string Md5HexUpper(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(32);
  for (std::uint8_t byte : Md5Digest(bytes)) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace kelvarion
