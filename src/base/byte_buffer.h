// A growable block of bytes that always keeps two zero bytes after its data,
// so that its contents can also be read as a terminated (wide) string. Holds
// captured images and any byte string written with WriteDataFile.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/user_notice.h"

namespace kelvarion {

// Allocation seam of every CByteBuffer: returns a block of the given size, or
// nullptr. Blocks are released with std::free, so a replacement must hand out
// std::malloc memory (or fail).
using ByteBufferAllocator = void* (*)(std::size_t size);

// Installs the allocator used from now on (nullptr: std::malloc) and returns
// the one it replaces. Tests use it to make allocations fail.
ByteBufferAllocator SetByteBufferAllocator(ByteBufferAllocator allocator);

class CByteBuffer {
 public:
  // Capacity and length size (negative counts as 0), all bytes zero. When
  // the block cannot be had, capacity and length are both -2. notice (may be
  // null) tells the user when the buffer cannot grow.
  explicit CByteBuffer(int size = 0, UserNotice* notice = nullptr);
  ~CByteBuffer();

  CByteBuffer(const CByteBuffer&) = delete;
  CByteBuffer& operator=(const CByteBuffer&) = delete;
  // The moved-from buffer is left without a block (capacity and length -2).
  CByteBuffer(CByteBuffer&& other) noexcept;
  CByteBuffer& operator=(CByteBuffer&& other) noexcept;

  // Makes length bytes (negative counts as 0) the data and zeroes the two
  // bytes after them, growing the block when needed (the first length bytes
  // kept). Returns the new length, or -1 with the buffer unchanged after
  // "Out of Memory." was shown through the notice.
  int SetLength(int length);

  int GetLength() const { return length_; }
  int GetCapacity() const { return capacity_; }
  UserNotice* GetNotice() const { return notice_; }
  std::uint8_t* GetData() { return data_; }
  const std::uint8_t* GetData() const { return data_; }

 private:
  UserNotice* notice_ = nullptr;
  std::uint8_t* data_ = nullptr;
  int capacity_ = -2;
  int length_ = -2;
};

}  // namespace kelvarion
