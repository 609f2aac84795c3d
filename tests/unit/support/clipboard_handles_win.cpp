#include <windows.h>

#include "platform/memory/memory_clipboard.h"
#include "support/clipboard_handles.h"

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
  if (!clipboard.Open(0)) {
    DeleteObject(bitmap);
    return false;
  }
  bool set = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
  clipboard.Close();
  if (!set) DeleteObject(bitmap);
  return set;
}

}  // namespace kelvarion::test
