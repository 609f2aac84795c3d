#include <iconv.h>

#include <cerrno>

#include "base/codepage.h"

namespace kelvarion {

namespace {
std::string Convert(std::string_view text, const char* to, const char* from) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off sequence: mark it and go on after its first byte.
      out.push_back('?');
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}
}  // namespace

std::string Cp936ToUtf8(std::string_view text) { return Convert(text, "UTF-8", "CP936"); }
std::string Utf8ToCp936(std::string_view text) { return Convert(text, "CP936", "UTF-8"); }

}  // namespace kelvarion
