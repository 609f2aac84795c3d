#include "platform/win32/win32_clipboard.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "win/handles.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr int kOpenAttempts = 5;

class GlobalBlock : public ClipDataBlock {
 public:
  static std::unique_ptr<GlobalBlock> Make(std::size_t size) {
    // A block of 0 bytes would be a discarded object that cannot be locked.
    GlobalHandle memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<std::size_t>(size, 1)));
    if (!memory.get()) return nullptr;
    void* p = GlobalLock(memory.get());
    if (!p) return nullptr;
    return std::unique_ptr<GlobalBlock>(new GlobalBlock(std::move(memory), p, size));
  }
  ~GlobalBlock() override { Unlock(); }

  std::uint8_t* Data() override { return static_cast<std::uint8_t*>(data_); }
  std::size_t Size() const override { return size_; }

  // The clipboard takes the object unlocked.
  HGLOBAL Unlocked() {
    Unlock();
    return memory_.get();
  }
  void HandedOver() { static_cast<void>(memory_.release()); }

 private:
  GlobalBlock(GlobalHandle memory, void* data, std::size_t size)
      : memory_(std::move(memory)), data_(data), size_(size) {}
  void Unlock() {
    if (data_) GlobalUnlock(memory_.get());
    data_ = nullptr;
  }

  // Owns the memory object until the clipboard takes it.
  GlobalHandle memory_;
  void* data_;
  std::size_t size_;
};

// Holds the lock on a clipboard-owned object while its bytes are read.
class GlobalView : public ClipDataView {
 public:
  GlobalView(HGLOBAL h, const void* data, std::size_t size) : h_(h), data_(data), size_(size) {}
  ~GlobalView() override { GlobalUnlock(h_); }
  GlobalView(const GlobalView&) = delete;
  GlobalView& operator=(const GlobalView&) = delete;
  const std::uint8_t* Data() const override { return static_cast<const std::uint8_t*>(data_); }
  std::size_t Size() const override { return size_; }

 private:
  HGLOBAL h_;
  const void* data_;
  std::size_t size_;
};

// Formats whose clipboard handle is a GDI object, not global memory.
bool IsHandleFormat(std::uint32_t id) {
  switch (id) {
    case CF_BITMAP:
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_DSPBITMAP:
    case CF_DSPENHMETAFILE:
    case CF_OWNERDISPLAY:
      return true;
    default:
      return id >= CF_GDIOBJFIRST && id <= CF_GDIOBJLAST;
  }
}

}  // namespace

ClipboardPort::Window Win32Clipboard::GetOwner() { return reinterpret_cast<Window>(GetClipboardOwner()); }

int Win32Clipboard::CountFormats() { return CountClipboardFormats(); }

bool Win32Clipboard::IsFormatAvailable(std::uint32_t id) { return IsClipboardFormatAvailable(id) != 0; }

bool Win32Clipboard::Open(Window owner) {
  HWND window = reinterpret_cast<HWND>(owner);
  for (int attempt = 1;; ++attempt) {
    if (OpenClipboard(window)) return true;
    if (attempt == kOpenAttempts) return false;
    Sleep(1);
  }
}

void Win32Clipboard::Close() { CloseClipboard(); }

std::uint32_t Win32Clipboard::EnumFormats(std::uint32_t previous) { return EnumClipboardFormats(previous); }

bool Win32Clipboard::Empty() { return EmptyClipboard() != 0; }

std::unique_ptr<ClipDataView> Win32Clipboard::GetData(std::uint32_t id) {
  if (IsHandleFormat(id)) return nullptr;
  HANDLE h = GetClipboardData(id);
  if (!h) return nullptr;
  SIZE_T size = GlobalSize(h);
  if (size == 0) return nullptr;
  const void* p = GlobalLock(h);
  if (!p) return nullptr;
  return std::make_unique<GlobalView>(h, p, size);
}

std::unique_ptr<ClipDataBlock> Win32Clipboard::Allocate(std::size_t size) { return GlobalBlock::Make(size); }

bool Win32Clipboard::SetData(std::uint32_t id, std::unique_ptr<ClipDataBlock> block) {
  auto* global = dynamic_cast<GlobalBlock*>(block.get());
  if (!global || id == 0) return false;
  if (!SetClipboardData(id, global->Unlocked())) return false;  // the block frees it
  global->HandedOver();
  return true;
}

bool Win32Clipboard::GetFormatName(std::uint32_t id, std::string& name) {
  // Registered names have at most 255 characters.
  wchar_t buffer[256];
  int n = GetClipboardFormatNameW(id, buffer, static_cast<int>(std::size(buffer)));
  if (n <= 0) return false;
  name = Narrow(std::wstring_view(buffer, static_cast<std::size_t>(n)));
  return true;
}

std::uint32_t Win32Clipboard::RegisterFormat(const std::string& name) {
  if (name.empty()) return 0;
  return RegisterClipboardFormatW(Widen(name).c_str());
}

}  // namespace kelvarion
