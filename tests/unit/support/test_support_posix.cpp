#include <stdlib.h>

#include <filesystem>

#include "platform/memory/memory_clipboard.h"
#include "platform/posix/posix_ports.h"
#include "support/test_support.h"

namespace kelvarion::test {

FileSystem& HostFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

std::unique_ptr<ClipboardPort> MakePlatformClipboard() { return std::make_unique<MemoryClipboard>(); }
bool PlatformClipboardIsReal() { return false; }

// The in-memory clipboard takes any number for a window.
ClipboardPort::Window ProgramWindow() { return 0x4B01; }
ClipboardPort::Window OtherProgramWindow() { return 0x4B02; }

ScratchDir::ScratchDir() {
  std::string base = (std::filesystem::temp_directory_path() / "kelvarion-XXXXXX").string();
  char* made = mkdtemp(base.data());
  path_ = std::string(made ? made : base.c_str()) + "\\";
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(HostPath(path_), ec);
}

}  // namespace kelvarion::test
