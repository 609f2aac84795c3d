#include "platform/memory/memory_clipboard.h"
#include "support/clipboard_handles.h"

namespace kelvarion::test {

bool AddBitmapHandle(ClipboardPort& clipboard) {
  auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard);
  if (!memory) return false;
  memory->PutHandle(2);
  return true;
}

}  // namespace kelvarion::test
