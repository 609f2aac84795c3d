#include "support/test_support.h"

namespace kelvarion::test {

std::string ReadBytes(const std::string& path) {
  std::string out;
  auto f = HostFileSystem().Open(path, OpenMode::kRead);
  if (!f) return out;
  char buffer[65536];
  for (std::size_t n; (n = f->Read(buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  return out;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  auto f = HostFileSystem().Open(path, OpenMode::kCreate);
  if (f) f->Write(bytes.data(), bytes.size());
}

}  // namespace kelvarion::test
