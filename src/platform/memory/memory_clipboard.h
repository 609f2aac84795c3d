// An in-memory clipboard for the native tests: formats in the order they were
// set, registered names from 0xC000 up, and switches that make it fail on
// purpose so that error paths can be tested. Like Windows it has an owner,
// the window its last emptying session was opened for, and refuses data while
// it has none.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clipboard_port.h"

namespace kelvarion {

class MemoryClipboard : public ClipboardPort {
 public:
  struct Entry {
    std::uint32_t id = 0;
    std::optional<std::vector<std::uint8_t>> bytes;  // none: a handle format
  };

  // Test setup and inspection (need no open clipboard).
  void Put(std::uint32_t id, std::vector<std::uint8_t> bytes);
  void PutText(std::uint32_t id, const std::string& text);  // with its zero byte
  void PutHandle(std::uint32_t id);
  void SetOwner(Window owner) { owner_ = owner; }
  const std::vector<Entry>& Entries() const { return entries_; }
  const Entry* Find(std::uint32_t id) const;
  bool IsOpen() const { return open_; }
  int OpenCount() const { return openCount_; }
  int RegisteredNameCount() const { return static_cast<int>(names_.size()); }

  // Failures on purpose.
  bool failOpen = false;
  bool failAllocate = false;
  std::size_t failAllocateOver = SIZE_MAX;  // Allocate fails for blocks larger than this
  bool failRegister = false;
  int failSetAfter = -1;  // SetData fails once this many calls succeeded (-1: never)

  Window GetOwner() override { return owner_; }
  int CountFormats() override { return static_cast<int>(entries_.size()); }
  bool IsFormatAvailable(std::uint32_t id) override { return Find(id) != nullptr; }
  bool Open(Window owner) override;
  void Close() override { open_ = false; }
  std::uint32_t EnumFormats(std::uint32_t previous) override;
  bool Empty() override;
  std::unique_ptr<ClipDataView> GetData(std::uint32_t id) override;
  std::unique_ptr<ClipDataBlock> Allocate(std::size_t size) override;
  bool SetData(std::uint32_t id, std::unique_ptr<ClipDataBlock> block) override;
  bool GetFormatName(std::uint32_t id, std::string& name) override;
  std::uint32_t RegisterFormat(const std::string& name) override;

 private:
  Entry* FindMutable(std::uint32_t id);

  std::vector<Entry> entries_;
  std::map<std::uint32_t, std::string> names_;
  std::uint32_t nextRegistered_ = 0xC000;
  Window owner_ = 0;
  Window openedBy_ = 0;
  bool open_ = false;
  int openCount_ = 0;
  int setCalls_ = 0;
};

}  // namespace kelvarion
