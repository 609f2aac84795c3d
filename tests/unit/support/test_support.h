// What the unit suites share: the platform's real file system, a scratch
// directory per test, and the clipboard the suite runs against (the in-memory
// one natively, the real one under Wine).
#pragma once

#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clipboard_port.h"
#include "platform/file_system.h"

namespace kelvarion::test {

FileSystem& HostFileSystem();

// The clipboard of this platform: in memory natively, the system's on Windows.
std::unique_ptr<ClipboardPort> MakePlatformClipboard();
bool PlatformClipboardIsReal();

// Windows that open the clipboard in the tests: ProgramWindow() stands for the
// program's own (its list view), OtherProgramWindow() for another program that
// copies. Emptying the clipboard makes the opener's window its owner, as it
// must on Windows. Both live as long as the test process.
ClipboardPort::Window ProgramWindow();
ClipboardPort::Window OtherProgramWindow();

// A fresh directory, removed with everything in it at the end of the scope.
// path() is in the program's Windows form and ends in "\".
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Replaces the clipboard's content through the port with these formats, as
// another program does (the clipboard is then owned by OtherProgramWindow()).
struct ClipboardFormat {
  std::uint32_t id;
  std::string bytes;
};
void SetClipboardState(ClipboardPort& clipboard, const std::vector<ClipboardFormat>& formats);

// Whole-file helpers for assertions (bytes as they are on disk).
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace kelvarion::test
