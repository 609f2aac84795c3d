#include <cstdint>
#include <thread>
#include <vector>

#include "platform/memory/memory_clipboard.h"
#include "support/clipboard_fixture.h"

namespace kelvarion::test {

bool AddBitmapHandle(ClipboardPort& clipboard) {
  auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard);
  if (!memory) return false;
  memory->PutHandle(2);
  return true;
}

bool AddMetafilePictures(ClipboardPort& clipboard) {
  auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard);
  if (!memory) return false;
  // Mapping mode, extents and a handle value, as a 64-bit program lays them out.
  const std::vector<std::uint8_t> header = {8, 0, 0, 0, 100, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0,
                                            0x2A, 0x46, 0x0B, 0x26, 0, 0, 0, 0};
  memory->Put(3, header);
  memory->Put(0x83, header);
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
