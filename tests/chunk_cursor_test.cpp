#include <gtest/gtest.h>

#include <memory>

#include "chunk/chunk.h"
#include "input/little_endian.h"
#include "test_support.h"

namespace polymill::test {
namespace {

// Opens a scene and keeps the chain of records it navigates, released at the end.
class ChunkCursorTest : public ::testing::Test {
 protected:
  Chunk& rootOf(const Bytes& bytes) {
    scene_ = std::make_unique<ExactBuffer>(bytes);
    input_.openBytes(scene_->bytes());
    chain_ = std::make_unique<ChunkChain>(openRoot(input_));
    EXPECT_NE(chain_->root(), nullptr);
    return *chain_->root();
  }

  // Whether the input still delivers: the first byte of the scene, read again.
  bool inputDelivers() {
    input_.seek(0);
    std::uint8_t byte = 0;
    return input_.nextByte(byte);
  }

  std::unique_ptr<ExactBuffer> scene_;
  InputStream input_;
  std::unique_ptr<ChunkChain> chain_;
};

TEST_F(ChunkCursorTest, RootHeaderReadsLittleEndian) {
  const Chunk& root = rootOf({0x4D, 0x4D, 0x2A, 0x00, 0x00, 0x00});
  EXPECT_EQ(root.id, 0x4D4D);
  EXPECT_EQ(root.length, 42u);
  EXPECT_EQ(root.start, 0u);
  EXPECT_EQ(root.predecessor, nullptr);
}

TEST_F(ChunkCursorTest, LoneMainHeaderLeadsToAZeroRecordAndThenNone) {
  Chunk& root = rootOf(chunkWithLength(0x4D4D, 6));
  Chunk* child = firstChild(root, input_, 0);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->start, 6u);
  EXPECT_EQ(child->id, 0);
  EXPECT_EQ(child->length, 0u);
  EXPECT_EQ(child->predecessor, &root);
  EXPECT_EQ(nextChunk(*child, input_), nullptr);
}

TEST_F(ChunkCursorTest, ZeroLengthEndsNavigationEvenWithBytesAfterIt) {
  Chunk& root = rootOf(cat({chunkWithLength(0x4D4D, 0), chunk(0x0002, {u32(3)})}));
  EXPECT_EQ(firstChild(root, input_, 0), nullptr);
  EXPECT_EQ(nextChunk(root, input_), nullptr);
}

TEST_F(ChunkCursorTest, LengthsSmallerThanAHeaderStillStepAndEnter) {
  // A main chunk of length 3 is entered at 6; a chunk of length 1 is followed by the one a byte later.
  Chunk& root = rootOf(cat({chunkWithLength(0x4D4D, 3), u16(0x0001), u32(1), u32(0)}));
  Chunk* child = firstChild(root, input_, 0);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->start, 6u);
  EXPECT_EQ(child->id, 0x0001);
  EXPECT_EQ(child->length, 1u);
  Chunk* next = nextChunk(*child, input_);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->start, 7u);
  EXPECT_EQ(next->id, 0x0100);  // the bytes 00 01 of the header a byte back
}

TEST_F(ChunkCursorTest, SkipPlacesTheFirstChildAfterLeadingData) {
  Chunk& root = rootOf(chunk(0x4000, {cstr("Box"), chunk(0x4100)}));
  Chunk* child = firstChild(root, input_, 4);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->start, 10u);
  EXPECT_EQ(child->id, 0x4100);
  EXPECT_EQ(child->length, 6u);
}

TEST_F(ChunkCursorTest, TruncatedHeaderKeepsArrivedBytesThenEverythingReadsZero) {
  Chunk& root = rootOf({0x4D, 0x4D, 0x0A, 0x00, 0x00, 0x00, 0x02, 0x00, 0x34, 0x12});
  Chunk* child = firstChild(root, input_, 0);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->id, 0x0002);
  EXPECT_EQ(child->length, 0x1234u);
  Chunk* after = nextChunk(*child, input_);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->start, 6u + 0x1234u);
  EXPECT_EQ(after->id, 0);
  EXPECT_EQ(after->length, 0u);
}

TEST_F(ChunkCursorTest, RootShorterThanAHeaderHoldsWhatArrived) {
  const Chunk& root = rootOf({0x4D});
  EXPECT_EQ(root.id, 0x004D);
  EXPECT_EQ(root.length, 0u);
}

TEST_F(ChunkCursorTest, SecondNavigationReturnsTheSameRecordAndReadsNothing) {
  Chunk& root = rootOf(cat({chunk(0x0002, {u32(3)}), chunk(0x0003), u16(0xBEEF)}));
  Chunk* first = nextChunk(root, input_);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(nextChunk(root, input_), first);
  EXPECT_EQ(firstChild(root, input_, 0), first);
  // The input still stands right after the header the first call read.
  EXPECT_EQ(loadU16(input_.record<2>().data()), 0xBEEF);
}

TEST_F(ChunkCursorTest, PositionsPastTheLastByteOfTheAddressSpaceYieldNone) {
  Chunk& root = rootOf(cat({chunk(0x0002, {u32(3)}), chunkWithLength(0x0003, 0xFFFFFFFF)}));
  Chunk* wrapping = nextChunk(root, input_);
  ASSERT_NE(wrapping, nullptr);
  EXPECT_EQ(wrapping->start, 10u);
  EXPECT_EQ(nextChunk(*wrapping, input_), nullptr);
  EXPECT_EQ(firstChild(*wrapping, input_, 0xFFFFFFFF - 15), nullptr);
  EXPECT_TRUE(inputDelivers());
}

TEST_F(ChunkCursorTest, PositionOfTwoToThe31FailsTheInputAndReadsZero) {
  Chunk& root = rootOf(chunkWithLength(0x0002, 0x80000000));
  Chunk* far = nextChunk(root, input_);
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->start, 0x80000000u);
  EXPECT_EQ(far->length, 0u);
  EXPECT_FALSE(inputDelivers());
}

TEST(ChunkCursor, UnopenedInputGivesNoRoot) {
  InputStream input;
  EXPECT_EQ(openRoot(input), nullptr);
}

}  // namespace
}  // namespace polymill::test
