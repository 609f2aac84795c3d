// The clipboard port on the real Win32 clipboard. Names cross the boundary as
// code page 936 through the W functions, whatever the ANSI code page is.
#pragma once

#include "platform/clipboard_port.h"

namespace kelvarion {

class Win32Clipboard : public ClipboardPort {
 public:
  Window GetOwner() override;
  int CountFormats() override;
  bool IsFormatAvailable(std::uint32_t id) override;
  // Another program may hold the clipboard for a moment: a few tries within a
  // few milliseconds before giving up.
  bool Open(Window owner) override;
  void Close() override;
  std::uint32_t EnumFormats(std::uint32_t previous) override;
  bool Empty() override;
  // nullptr for the handle formats (bitmap, palette, enhanced metafile and
  // the other GDI-object formats) and for any handle without bytes.
  std::unique_ptr<ClipDataView> GetData(std::uint32_t id) override;
  // A movable, zero-filled global memory block, locked while it is filled.
  std::unique_ptr<ClipDataBlock> Allocate(std::size_t size) override;
  bool SetData(std::uint32_t id, std::unique_ptr<ClipDataBlock> block) override;
  bool GetFormatName(std::uint32_t id, std::string& name) override;
  std::uint32_t RegisterFormat(const std::string& name) override;
};

}  // namespace kelvarion
