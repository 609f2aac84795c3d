#include <thread>

#include "platform/memory/memory_clipboard.h"
#include "support/clipboard_fixture.h"

namespace kelvarion::test {

bool AddBitmapHandle(ClipboardPort& clipboard) {
  auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard);
  if (!memory) return false;
  memory->PutHandle(2);
  return true;
}

bool ClipboardIsClosed(ClipboardPort& clipboard) {
  bool opened = false;
  std::thread([&] {
    opened = clipboard.Open(0);
    if (opened) clipboard.Close();
  }).join();
  return opened;
}

}  // namespace kelvarion::test
