#include <windows.h>

#include <filesystem>

#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_ports.h"
#include "support/test_support.h"
#include "win/text_win.h"

namespace kelvarion::test {

FileSystem& HostFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

std::unique_ptr<ClipboardPort> MakePlatformClipboard() { return std::make_unique<Win32Clipboard>(); }
bool PlatformClipboardIsReal() { return true; }

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  for (;;) {
    std::wstring candidate = std::wstring(temp) + L"kelvarion-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(++counter);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = Narrow(candidate) + "\\";
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(Widen(path_)), ec);
}

}  // namespace kelvarion::test
