#include <windows.h>

#include <thread>

#include "platform/memory/memory_clipboard.h"
#include "support/clipboard_fixture.h"
#include "support/test_support.h"

namespace kelvarion::test {

bool AddBitmapHandle(ClipboardPort& clipboard) {
  if (auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard)) {
    memory->PutHandle(2);
    return true;
  }
  // A 2x2 bitmap, 32 bits a pixel; the clipboard owns it once set.
  const DWORD pixels[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, pixels);
  if (!bitmap) return false;
  if (!clipboard.Open(OtherProgramWindow())) {
    DeleteObject(bitmap);
    return false;
  }
  bool set = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
  clipboard.Close();
  if (!set) DeleteObject(bitmap);
  return set;
}

bool ClipboardIsClosed(ClipboardPort& clipboard) {
  bool opened = false;
  if (auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard)) {
    std::thread([&] {
      opened = memory->Open(0);
      if (opened) memory->Close();
    }).join();
    return opened;
  }
  std::thread([&] {
    HWND window = CreateWindowExW(0, L"STATIC", L"clipboard probe", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    if (!window) return;
    opened = OpenClipboard(window) != 0;
    if (opened) CloseClipboard();
    DestroyWindow(window);
  }).join();
  return opened;
}

}  // namespace kelvarion::test
