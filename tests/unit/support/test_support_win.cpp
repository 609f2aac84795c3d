#include <windows.h>

#include <filesystem>
#include <thread>

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

namespace {

// Two message-only windows on a thread of their own that answers their
// messages: the clipboard sends its owner WM_DESTROYCLIPBOARD and waits for
// the answer when somebody else empties it, and a test thread that is busy
// waiting for a helper process would not answer.
struct OwnerWindows {
  HWND program = nullptr;
  HWND other = nullptr;
};

const OwnerWindows& Windows() {
  static const OwnerWindows windows = [] {
    OwnerWindows made;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The thread runs until the process ends.
    std::thread([&made, ready] {
      auto make = [](const wchar_t* title) {
        return CreateWindowExW(0, L"STATIC", title, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      };
      made.program = make(L"Kelvarion test: the program");
      made.other = make(L"Kelvarion test: another program");
      SetEvent(ready);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }).detach();
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    return made;
  }();
  return windows;
}

}  // namespace

ClipboardPort::Window ProgramWindow() { return reinterpret_cast<ClipboardPort::Window>(Windows().program); }
ClipboardPort::Window OtherProgramWindow() { return reinterpret_cast<ClipboardPort::Window>(Windows().other); }

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
