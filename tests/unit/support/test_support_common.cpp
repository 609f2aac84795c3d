#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

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

void SetClipboardState(ClipboardPort& clipboard, const std::vector<ClipboardFormat>& formats) {
  ClipboardSession session(clipboard, OtherProgramWindow());
  ASSERT_TRUE(session.IsOpen()) << "the clipboard could not be opened to set up the test";
  ASSERT_TRUE(clipboard.Empty());
  for (const ClipboardFormat& f : formats) {
    auto block = clipboard.Allocate(f.bytes.size());
    ASSERT_TRUE(block) << "no memory for format " << f.id;
    if (!f.bytes.empty()) std::memcpy(block->Data(), f.bytes.data(), f.bytes.size());
    ASSERT_TRUE(clipboard.SetData(f.id, std::move(block))) << "setting format " << f.id;
  }
}

}  // namespace kelvarion::test
