#include "chunk/input_file.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace polymill::test {
namespace {

class InputFileTest : public ::testing::Test {
 protected:
  InputFile& openWith(const Bytes& bytes) {
    writeFile(path_, bytes);
    EXPECT_TRUE(input_.open(path_.c_str()));
    return input_;
  }

  TempDir folder_;
  std::string path_ = folder_.path("input.bin");
  InputFile input_;
};

TEST_F(InputFileTest, ReadsLittleEndianValues) {
  InputFile& input = openWith({0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0x3F});
  EXPECT_EQ(input.readU16(), 0x1234);
  EXPECT_EQ(input.readU32(), 0x12345678u);
  EXPECT_EQ(input.readFloat(), 1.0f);
  EXPECT_FALSE(input.failed());
}

TEST_F(InputFileTest, ShortReadKeepsArrivedBytesLowAndFailsForGood) {
  InputFile& input = openWith({0xAA, 0xBB, 0xCC});
  EXPECT_EQ(input.readU32(), 0x00CCBBAAu);
  EXPECT_TRUE(input.failed());
  input.seek(0);  // ignored once failed
  EXPECT_EQ(input.readU16(), 0);
  std::uint8_t byte = 0;
  EXPECT_EQ(input.read(&byte, 1), 0u);
}

TEST_F(InputFileTest, PositionsAbsolutelyBackAndForth) {
  InputFile& input = openWith({0, 1, 2, 3, 4, 5, 6, 7});
  input.seek(6);
  EXPECT_EQ(input.readU16(), 0x0706);
  input.seek(1);
  EXPECT_EQ(input.readU16(), 0x0201);
  input.seek(8);  // the very end: positioning works, reading fails
  EXPECT_FALSE(input.failed());
  EXPECT_EQ(input.readU16(), 0);
  EXPECT_TRUE(input.failed());
}

TEST_F(InputFileTest, PositionBeyondTheEndFailsOnlyTheRead) {
  InputFile& input = openWith({1, 2, 3});
  input.seek(1000);
  EXPECT_FALSE(input.failed());
  EXPECT_EQ(input.readU32(), 0u);
  EXPECT_TRUE(input.failed());
}

TEST_F(InputFileTest, PositionOfTwoToThe31FailsTheStream) {
  InputFile& input = openWith({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(input.readU16(), 0x0201);  // the whole file now sits in the buffer
  input.seek(InputFile::kPositionLimit);
  EXPECT_TRUE(input.failed());
  EXPECT_EQ(input.readU16(), 0);  // and none of it is delivered any more
  input.seek(2);
  EXPECT_EQ(input.readU32(), 0u);
}

TEST_F(InputFileTest, ValuesStraddlingBlocksAndFarSeeksReadExactly) {
  // Larger than any read buffer, with every byte telling its own offset.
  Bytes bytes(3'000'000);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 16));
  }
  InputFile& input = openWith(bytes);
  const auto expected = [&](std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
  };
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    ASSERT_EQ(input.readU32(), expected(at)) << "at " << at;
  }
  for (std::size_t at : {2'999'990u, 5u, (1u << 18) - 2, (1u << 20) - 1, 1'700'001u}) {
    input.seek(at);
    ASSERT_EQ(input.readU32(), expected(at)) << "at " << at;
  }
  EXPECT_FALSE(input.failed());
}

TEST_F(InputFileTest, MissingFileAndFolderCannotBeOpened) {
  InputFile missing;
  EXPECT_FALSE(missing.open(folder_.path("absent.3ds").c_str()));
  EXPECT_FALSE(missing.isOpen());
  InputFile folder;
  EXPECT_FALSE(folder.open(folder_.path("").c_str()));
}

}  // namespace
}  // namespace polymill::test
