#include "base/byte_buffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace kelvarion {

namespace {

ByteBufferAllocator installedAllocator = nullptr;

// A large block may fail for a moment while other programs hold memory, so a
// growing buffer asks this many times before it gives up.
constexpr int kAllocationAttempts = 100;

std::uint8_t* Allocate(std::size_t size) {
  void* block = installedAllocator ? installedAllocator(size) : std::malloc(size);
  return static_cast<std::uint8_t*>(block);
}

// Room for the data and the two zero bytes, computed without int overflow.
std::size_t BlockSize(int length) { return static_cast<std::size_t>(length) + 2; }

}  // namespace

ByteBufferAllocator SetByteBufferAllocator(ByteBufferAllocator allocator) {
  ByteBufferAllocator previous = installedAllocator;
  installedAllocator = allocator;
  return previous;
}

CByteBuffer::CByteBuffer(int size, UserNotice* notice) : notice_(notice) {
  if (size < 0) size = 0;
  data_ = Allocate(BlockSize(size));
  if (!data_) return;  // capacity and length stay -2
  std::memset(data_, 0, BlockSize(size));
  capacity_ = size;
  length_ = size;
}

CByteBuffer::~CByteBuffer() { std::free(data_); }

CByteBuffer::CByteBuffer(CByteBuffer&& other) noexcept
    : notice_(other.notice_),
      data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, -2)),
      length_(std::exchange(other.length_, -2)) {}

CByteBuffer& CByteBuffer::operator=(CByteBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    notice_ = other.notice_;
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, -2);
    length_ = std::exchange(other.length_, -2);
  }
  return *this;
}

int CByteBuffer::SetLength(int length) {
  if (length < 0) length = 0;
  if (data_ && length <= capacity_) {
    length_ = length;
    data_[length] = 0;
    data_[length + 1] = 0;
    return length;
  }
  std::uint8_t* block = nullptr;
  for (int attempt = 0; attempt < kAllocationAttempts && !block; ++attempt) block = Allocate(BlockSize(length));
  if (!block) {
    if (notice_) notice_->Show("Out of Memory.", "", NoticeIcon::kNone);
    return -1;
  }
  // Only here when the block grows, so the old data always fits. The new
  // bytes start zeroed rather than holding whatever the heap had there.
  std::size_t kept = data_ && length_ > 0 ? static_cast<std::size_t>(length_) : 0;
  if (kept > 0) std::memcpy(block, data_, kept);
  std::memset(block + kept, 0, BlockSize(length) - kept);
  std::free(data_);
  data_ = block;
  capacity_ = length;
  length_ = length;
  return length;
}

}  // namespace kelvarion
