#include "platform/memory/memory_clipboard.h"

#include "base/dbcs.h"

namespace kelvarion {

namespace {

class VectorView : public ClipDataView {
 public:
  explicit VectorView(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  const std::uint8_t* Data() const override { return bytes_.data(); }
  std::size_t Size() const override { return bytes_.size(); }

 private:
  const std::vector<std::uint8_t>& bytes_;
};

class VectorBlock : public ClipDataBlock {
 public:
  explicit VectorBlock(std::size_t size) : bytes(size, 0) {}
  std::uint8_t* Data() override { return bytes.data(); }
  std::size_t Size() const override { return bytes.size(); }
  std::vector<std::uint8_t> bytes;
};

}  // namespace

void MemoryClipboard::Put(std::uint32_t id, std::vector<std::uint8_t> bytes) {
  if (Entry* e = FindMutable(id)) {
    e->bytes = std::move(bytes);
    return;
  }
  entries_.push_back(Entry{id, std::move(bytes)});
}

void MemoryClipboard::PutText(std::uint32_t id, const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  Put(id, std::move(bytes));
}

void MemoryClipboard::PutHandle(std::uint32_t id) {
  if (Entry* e = FindMutable(id)) {
    e->bytes.reset();
    return;
  }
  entries_.push_back(Entry{id, std::nullopt});
}

const MemoryClipboard::Entry* MemoryClipboard::Find(std::uint32_t id) const {
  for (const Entry& e : entries_) {
    if (e.id == id) return &e;
  }
  return nullptr;
}

MemoryClipboard::Entry* MemoryClipboard::FindMutable(std::uint32_t id) {
  return const_cast<Entry*>(static_cast<const MemoryClipboard*>(this)->Find(id));
}

bool MemoryClipboard::Open(Window owner) {
  if (failOpen || open_) return false;
  open_ = true;
  openedBy_ = owner;
  ++openCount_;
  return true;
}

std::uint32_t MemoryClipboard::EnumFormats(std::uint32_t previous) {
  if (!open_) return 0;
  if (previous == 0) return entries_.empty() ? 0 : entries_.front().id;
  for (std::size_t i = 0; i + 1 < entries_.size(); ++i) {
    if (entries_[i].id == previous) return entries_[i + 1].id;
  }
  return 0;
}

bool MemoryClipboard::Empty() {
  if (!open_) return false;
  entries_.clear();
  owner_ = openedBy_;
  return true;
}

std::unique_ptr<ClipDataView> MemoryClipboard::GetData(std::uint32_t id) {
  if (!open_) return nullptr;
  const Entry* e = Find(id);
  if (!e || !e->bytes) return nullptr;
  return std::make_unique<VectorView>(*e->bytes);
}

std::unique_ptr<ClipDataBlock> MemoryClipboard::Allocate(std::size_t size) {
  if (failAllocate) return nullptr;
  if (size > failAllocateOver) return nullptr;
  return std::make_unique<VectorBlock>(size);
}

bool MemoryClipboard::SetData(std::uint32_t id, std::unique_ptr<ClipDataBlock> block) {
  if (!open_ || !block || id == 0) return false;
  // As on Windows: a clipboard emptied in a session opened without a window
  // has no owner, and an ownerless clipboard takes no data.
  if (owner_ == 0) return false;
  if (failSetAfter >= 0 && setCalls_ >= failSetAfter) return false;
  ++setCalls_;
  Put(id, std::move(static_cast<VectorBlock&>(*block).bytes));
  return true;
}

bool MemoryClipboard::GetFormatName(std::uint32_t id, std::string& name) {
  auto it = names_.find(id);
  if (it == names_.end()) return false;
  name = it->second;
  return true;
}

std::uint32_t MemoryClipboard::RegisterFormat(const std::string& name) {
  if (failRegister || name.empty()) return 0;
  // Registered names match without regard to case, as on Windows.
  for (const auto& [id, known] : names_) {
    if (EqualsNoCase(known, name)) return id;
  }
  names_[nextRegistered_] = name;
  return nextRegistered_++;
}

}  // namespace kelvarion
