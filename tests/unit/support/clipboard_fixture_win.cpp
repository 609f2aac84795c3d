#include <windows.h>

#include <cstdint>
#include <thread>
#include <vector>

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

namespace {

// A METAFILEPICT block around a small recorded metafile; the clipboard owns
// both once it is set.
HGLOBAL MakeMetafilePicture() {
  HDC dc = CreateMetaFileW(nullptr);
  if (!dc) return nullptr;
  Rectangle(dc, 0, 0, 100, 50);
  HMETAFILE metafile = CloseMetaFile(dc);
  if (!metafile) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(METAFILEPICT));
  auto* picture = memory ? static_cast<METAFILEPICT*>(GlobalLock(memory)) : nullptr;
  if (!picture) {
    if (memory) GlobalFree(memory);
    DeleteMetaFile(metafile);
    return nullptr;
  }
  *picture = METAFILEPICT{MM_ANISOTROPIC, 100, 50, metafile};
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

bool AddMetafilePictures(ClipboardPort& clipboard) {
  if (auto* memory = dynamic_cast<MemoryClipboard*>(&clipboard)) {
    const std::vector<std::uint8_t> header = {8, 0, 0, 0, 100, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0,
                                              0x2A, 0x46, 0x0B, 0x26, 0, 0, 0, 0};
    memory->Put(CF_METAFILEPICT, header);
    memory->Put(CF_DSPMETAFILEPICT, header);
    return true;
  }
  if (!clipboard.Open(OtherProgramWindow())) return false;
  bool set = true;
  for (UINT format : {CF_METAFILEPICT, CF_DSPMETAFILEPICT}) {
    HGLOBAL picture = MakeMetafilePicture();
    if (!picture || !SetClipboardData(format, picture)) {
      // Not handed over: the block and its metafile are still ours.
      if (picture) {
        auto* header = static_cast<METAFILEPICT*>(GlobalLock(picture));
        if (header) {
          DeleteMetaFile(header->hMF);
          GlobalUnlock(picture);
        }
        GlobalFree(picture);
      }
      set = false;
    }
  }
  clipboard.Close();
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
