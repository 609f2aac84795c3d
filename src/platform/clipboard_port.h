// The clipboard as the core sees it: an ordered list of formats, each with a
// numeric identifier and (for memory formats) its bytes. The Win32 shell backs
// it with the real clipboard; the native tests with an in-memory one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kelvarion {

// The predefined formats the program handles by number (the numbers of the
// system's CF_ constants, the same on every clipboard).
inline constexpr std::uint32_t kCfText = 1;
inline constexpr std::uint32_t kCfMetafilePict = 3;  // holds a handle of the program that made it
inline constexpr std::uint32_t kCfOemText = 7;
inline constexpr std::uint32_t kCfDib = 8;
inline constexpr std::uint32_t kCfUnicodeText = 13;
inline constexpr std::uint32_t kCfHdrop = 15;  // a DROPFILES block: the names of files
inline constexpr std::uint32_t kCfMaxPredefined = 17;  // 1..17 have fixed names, later ones are registered
inline constexpr std::uint32_t kCfDspMetafilePict = 0x0083;

// Bytes of one format, readable while the object lives (on Win32 it holds the
// lock on the global memory object).
class ClipDataView {
 public:
  virtual ~ClipDataView() = default;
  virtual const std::uint8_t* Data() const = 0;
  virtual std::size_t Size() const = 0;
};

// A block of memory about to be handed to the clipboard. Until SetData takes it,
// it belongs to its holder and is freed with it.
class ClipDataBlock {
 public:
  virtual ~ClipDataBlock() = default;
  virtual std::uint8_t* Data() = 0;
  virtual std::size_t Size() const = 0;
};

class ClipboardPort {
 public:
  using Window = std::uintptr_t;  // an owner window handle; 0 for none

  virtual ~ClipboardPort() = default;

  virtual Window GetOwner() = 0;
  virtual int CountFormats() = 0;
  virtual bool IsFormatAvailable(std::uint32_t id) = 0;

  // Open retries briefly while another program holds the clipboard.
  virtual bool Open(Window owner) = 0;
  virtual void Close() = 0;

  // The following need the clipboard open.
  virtual std::uint32_t EnumFormats(std::uint32_t previous) = 0;
  virtual bool Empty() = 0;
  // Bytes of a memory format; nullptr for handle formats (bitmap, palette,
  // enhanced metafile) and for formats that are not there.
  virtual std::unique_ptr<ClipDataView> GetData(std::uint32_t id) = 0;
  // Zero-filled block of size bytes, or nullptr when no memory can be had.
  virtual std::unique_ptr<ClipDataBlock> Allocate(std::size_t size) = 0;
  // Hands the block over. On success the clipboard owns the memory; on
  // failure the block is freed.
  virtual bool SetData(std::uint32_t id, std::unique_ptr<ClipDataBlock> block) = 0;

  // Need no open clipboard. Names are code page 936 bytes.
  virtual bool GetFormatName(std::uint32_t id, std::string& name) = 0;  // registered formats only
  virtual std::uint32_t RegisterFormat(const std::string& name) = 0;   // 0 on failure
};

// Opens the clipboard for the scope and always closes it.
class ClipboardSession {
 public:
  ClipboardSession(ClipboardPort& port, ClipboardPort::Window owner)
      : port_(port), open_(port.Open(owner)) {}
  ~ClipboardSession() {
    if (open_) port_.Close();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool IsOpen() const { return open_; }
  void Close() {
    if (open_) port_.Close();
    open_ = false;
  }

 private:
  ClipboardPort& port_;
  bool open_;
};

}  // namespace kelvarion
