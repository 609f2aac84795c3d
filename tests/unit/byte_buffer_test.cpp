#include "base/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/memory/fixed_environment.h"

namespace kelvarion {
namespace {

// An allocator that fails a given number of times (-1: always) and counts
// every request.
int requests = 0;
int failuresLeft = 0;
void* FailingAllocator(std::size_t size) {
  ++requests;
  if (failuresLeft != 0) {
    if (failuresLeft > 0) --failuresLeft;
    return nullptr;
  }
  return std::malloc(size);
}

class ByteBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    requests = 0;
    failuresLeft = 0;
  }
  void TearDown() override { SetByteBufferAllocator(nullptr); }
  void FailAllocations(int times) {
    failuresLeft = times;
    requests = 0;
    SetByteBufferAllocator(FailingAllocator);
  }

  // Handed to the buffers whose messages are checked.
  RecordingUserNotice notice_;
};

TEST_F(ByteBufferTest, ConstructionZeroesDataAndTwoBytesAfterIt) {
  for (int size : {0, 1, 7, 4096}) {
    CByteBuffer buffer(size);
    ASSERT_NE(buffer.GetData(), nullptr) << "size " << size;
    EXPECT_EQ(buffer.GetLength(), size);
    EXPECT_EQ(buffer.GetCapacity(), size);
    for (int i = 0; i < size + 2; ++i) ASSERT_EQ(buffer.GetData()[i], 0) << "byte " << i << " of size " << size;
  }
  CByteBuffer negative(-5);
  EXPECT_EQ(negative.GetLength(), 0) << "a negative size counts as 0";
  EXPECT_EQ(negative.GetCapacity(), 0);
  EXPECT_EQ(negative.GetData()[1], 0);
}

TEST_F(ByteBufferTest, FailedConstructionMarksBothSizesMinusTwo) {
  FailAllocations(-1);
  CByteBuffer buffer(100, &notice_);
  EXPECT_EQ(buffer.GetData(), nullptr);
  EXPECT_EQ(buffer.GetLength(), -2);
  EXPECT_EQ(buffer.GetCapacity(), -2);
  EXPECT_EQ(requests, 1) << "construction asks once";
  EXPECT_TRUE(notice_.texts.empty()) << "construction reports through its sizes, not a message";

  SetByteBufferAllocator(nullptr);
  ASSERT_EQ(buffer.SetLength(3), 3) << "a buffer without a block gets one on SetLength";
  EXPECT_EQ(buffer.GetCapacity(), 3);
  EXPECT_EQ(std::memcmp(buffer.GetData(), "\0\0\0\0\0", 5), 0);
}

TEST_F(ByteBufferTest, ShrinkingKeepsCapacityAndTerminatesAtNewLength) {
  CByteBuffer buffer(8);
  std::memcpy(buffer.GetData(), "ABCDEFGH", 8);
  const std::uint8_t* block = buffer.GetData();
  ASSERT_EQ(buffer.SetLength(3), 3);
  EXPECT_EQ(buffer.GetData(), block) << "a length within the capacity needs no new block";
  EXPECT_EQ(buffer.GetCapacity(), 8);
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer.GetData()), "ABC") << "two zero bytes follow the new length";
  EXPECT_EQ(buffer.GetData()[4], 0);
  EXPECT_EQ(buffer.SetLength(-4), 0) << "a negative length counts as 0";
  EXPECT_EQ(buffer.GetData()[0], 0);
}

TEST_F(ByteBufferTest, GrowingKeepsTheDataAndZeroesTheRest) {
  CByteBuffer buffer(4);
  std::memcpy(buffer.GetData(), "WXYZ", 4);
  ASSERT_EQ(buffer.SetLength(2), 2);
  ASSERT_EQ(buffer.SetLength(100), 100);
  EXPECT_EQ(buffer.GetCapacity(), 100);
  EXPECT_EQ(buffer.GetLength(), 100);
  EXPECT_EQ(std::memcmp(buffer.GetData(), "WX", 2), 0) << "the bytes of the old length are copied";
  for (int i = 2; i < 102; ++i) ASSERT_EQ(buffer.GetData()[i], 0) << "byte " << i << " after growing";
}

TEST_F(ByteBufferTest, OutOfMemoryShowsTheNoticeAndLeavesTheBufferAsItWas) {
  CByteBuffer buffer(4, &notice_);
  std::memcpy(buffer.GetData(), "data", 4);
  const std::uint8_t* block = buffer.GetData();
  FailAllocations(-1);
  EXPECT_EQ(buffer.SetLength(1 << 20), -1);
  EXPECT_EQ(requests, 100) << "growing tries 100 times before giving up";
  ASSERT_EQ(notice_.texts.size(), 1u);
  EXPECT_EQ(notice_.texts[0], "Out of Memory.");
  EXPECT_EQ(notice_.captions[0], "") << "the message has an empty caption";
  EXPECT_EQ(buffer.GetData(), block);
  EXPECT_EQ(buffer.GetLength(), 4);
  EXPECT_EQ(buffer.GetCapacity(), 4);
  EXPECT_EQ(std::memcmp(buffer.GetData(), "data\0\0", 6), 0) << "the bytes must survive the failure";
}

TEST_F(ByteBufferTest, GrowingSucceedsOnTheLastAttempt) {
  CByteBuffer buffer(1, &notice_);
  buffer.GetData()[0] = 'k';
  FailAllocations(99);
  EXPECT_EQ(buffer.SetLength(50), 50);
  EXPECT_EQ(requests, 100);
  EXPECT_TRUE(notice_.texts.empty()) << "no message when an attempt succeeds";
  EXPECT_EQ(buffer.GetData()[0], 'k');
}

TEST_F(ByteBufferTest, HugeLengthDoesNotOverflowTheBlockSize) {
  CByteBuffer buffer(0);
  FailAllocations(-1);
  EXPECT_EQ(buffer.SetLength(0x7FFFFFFF), -1) << "INT_MAX + 2 must be asked for as such, not wrap around";
  EXPECT_EQ(buffer.GetLength(), 0);
}

TEST_F(ByteBufferTest, MovingHandsTheBlockOver) {
  CByteBuffer a(3, &notice_);
  std::memcpy(a.GetData(), "abc", 3);
  CByteBuffer b(std::move(a));
  EXPECT_STREQ(reinterpret_cast<const char*>(b.GetData()), "abc");
  EXPECT_EQ(a.GetData(), nullptr);
  EXPECT_EQ(a.GetLength(), -2) << "the moved-from buffer has no block";
  CByteBuffer c(1);
  c = std::move(b);
  EXPECT_EQ(c.GetLength(), 3);
  EXPECT_EQ(b.GetData(), nullptr);
  FailAllocations(-1);
  EXPECT_EQ(c.SetLength(100), -1);
  EXPECT_EQ(notice_.texts.size(), 1u) << "the notice travels with the block";
}

}  // namespace
}  // namespace kelvarion
