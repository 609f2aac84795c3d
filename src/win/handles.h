// Owners for the system's handles: one move-only holder, one traits struct per
// kind saying what "empty" is and how the handle is given back. A holder frees
// its handle exactly once, never throws, and never converts on its own.
#pragma once

#include <windows.h>

#include <utility>

struct _IMAGELIST;

namespace kelvarion {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Traits::IsValid(handle_); }

  // Gives the handle up without freeing it; the holder is empty afterwards.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::Empty()); }

  // Frees the present handle (if any) and takes the new one.
  void reset(Handle handle = Traits::Empty()) noexcept {
    Handle old = std::exchange(handle_, handle);
    if (Traits::IsValid(old) && old != handle) Traits::Free(old);
  }

  // For out-parameters (RegOpenKeyExW(..., key.put())): frees the present
  // handle first.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Empty();
};

namespace handle_traits {

// Handles whose only empty value is null.
template <typename H, auto FreeFunction>
struct NullIsEmpty {
  using Handle = H;
  static constexpr Handle Empty() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  static void Free(Handle h) noexcept { FreeFunction(h); }
};

inline void FreeWindow(HWND h) noexcept { DestroyWindow(h); }
inline void FreeMenu(HMENU h) noexcept { DestroyMenu(h); }
inline void FreeIcon(HICON h) noexcept { DestroyIcon(h); }
inline void FreeGlobal(HGLOBAL h) noexcept { GlobalFree(h); }
inline void FreeKey(HKEY h) noexcept { RegCloseKey(h); }
inline void FreeMemoryDc(HDC h) noexcept { DeleteDC(h); }
template <typename T>
void FreeGdiObject(T h) noexcept {
  DeleteObject(h);
}
// In handles.cpp, so that commctrl.h and wininet.h stay out of this header.
void FreeImageList(_IMAGELIST* h) noexcept;
void FreeInternet(void* h) noexcept;

// Kernel handles: CreateFileW reports failure with INVALID_HANDLE_VALUE, most
// other calls with null; neither is ever closed.
struct Kernel {
  using Handle = HANDLE;
  static constexpr Handle Empty() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Free(Handle h) noexcept { CloseHandle(h); }
};

}  // namespace handle_traits

// DestroyWindow works only on the thread that created the window; keep a
// WindowHandle on that thread.
using WindowHandle = UniqueHandle<handle_traits::NullIsEmpty<HWND, handle_traits::FreeWindow>>;
using MenuHandle = UniqueHandle<handle_traits::NullIsEmpty<HMENU, handle_traits::FreeMenu>>;
// Only for icons we made or extracted; shared icons (LoadIconW) are not ours.
using IconHandle = UniqueHandle<handle_traits::NullIsEmpty<HICON, handle_traits::FreeIcon>>;
using GlobalHandle = UniqueHandle<handle_traits::NullIsEmpty<HGLOBAL, handle_traits::FreeGlobal>>;
using KeyHandle = UniqueHandle<handle_traits::NullIsEmpty<HKEY, handle_traits::FreeKey>>;
// Only for device contexts made with CreateCompatibleDC (GetDC's go back with ReleaseDC).
using MemoryDcHandle = UniqueHandle<handle_traits::NullIsEmpty<HDC, handle_traits::FreeMemoryDc>>;
using KernelHandle = UniqueHandle<handle_traits::Kernel>;
using ImageListHandle = UniqueHandle<handle_traits::NullIsEmpty<_IMAGELIST*, handle_traits::FreeImageList>>;
using InternetHandle = UniqueHandle<handle_traits::NullIsEmpty<void*, handle_traits::FreeInternet>>;
// Keeps the GDI type: GdiObject<HBITMAP>, GdiObject<HFONT>, GdiObject<> for HGDIOBJ.
template <typename T = HGDIOBJ>
using GdiObject = UniqueHandle<handle_traits::NullIsEmpty<T, handle_traits::FreeGdiObject<T>>>;

}  // namespace kelvarion
