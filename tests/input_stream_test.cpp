#include "input/input_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "input/little_endian.h"
#include "platform/file_names.h"
#include "test_support.h"

namespace polymill::test {
namespace {

enum class Source { file, memory };

void PrintTo(Source source, std::ostream* out) { *out << (source == Source::file ? "a file" : "memory"); }

// Every case runs on a file and on the same bytes in memory: past opening,
// both must behave alike.
class InputStreamTest : public ::testing::TestWithParam<Source> {
 protected:
  InputStream& openWith(const Bytes& bytes) {
    if (GetParam() == Source::file) {
      writeFile(path_, bytes);
      EXPECT_TRUE(input_.openFile(path_.c_str()));
    } else {
      memory_ = std::make_unique<ExactBuffer>(bytes);
      input_.openBytes(memory_->bytes());
    }
    return input_;
  }

  std::uint16_t u16() { return loadU16(input_.record<2>().data()); }
  std::uint32_t u32() { return loadU32(input_.record<4>().data()); }
  // Whether the stream still delivers, tried where the input certainly has a byte.
  bool delivers() {
    input_.seek(0);
    std::uint8_t byte = 0;
    return input_.nextByte(byte);
  }

  TempDir folder_;
  std::string path_ = folder_.path("input.bin");
  std::unique_ptr<ExactBuffer> memory_;
  InputStream input_;
};

INSTANTIATE_TEST_SUITE_P(FileAndMemory, InputStreamTest, ::testing::Values(Source::file, Source::memory),
                         [](const auto& info) { return info.param == Source::file ? "File" : "Memory"; });

TEST_P(InputStreamTest, RecordsHoldTheBytesInFileOrder) {
  InputStream& input = openWith({0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0x3F});
  EXPECT_EQ(u16(), 0x1234);
  EXPECT_EQ(u32(), 0x12345678u);
  EXPECT_EQ(loadU32(input.record<4>().data()), 0x3F800000u);
  EXPECT_TRUE(delivers());
}

TEST_P(InputStreamTest, ShortRecordKeepsArrivedBytesLowAndFailsForGood) {
  InputStream& input = openWith({0xAA, 0xBB, 0xCC});
  EXPECT_EQ(u32(), 0x00CCBBAAu);
  input.seek(0);  // ignored once failed
  EXPECT_EQ(u16(), 0);
  EXPECT_FALSE(delivers());
}

TEST_P(InputStreamTest, RecordCutShortFillsItsValuesFromTheLowByte) {
  // A 6-byte header of which 3 bytes arrive: id whole, length one byte.
  const auto header = openWith({0x4D, 0x4D, 0x2A}).record<6>();
  EXPECT_EQ(loadU16(&header[0]), 0x4D4D);
  EXPECT_EQ(loadU32(&header[2]), 0x2Au);
}

TEST_P(InputStreamTest, PositionsAbsolutelyBackAndForth) {
  InputStream& input = openWith({0, 1, 2, 3, 4, 5, 6, 7});
  input.seek(6);
  EXPECT_EQ(u16(), 0x0706);
  input.seek(1);
  EXPECT_EQ(u16(), 0x0201);
  input.seek(8);  // the very end: positioning works, reading fails
  EXPECT_EQ(u16(), 0);
  EXPECT_FALSE(delivers());
}

TEST_P(InputStreamTest, PositionBeyondTheEndFailsOnlyTheRead) {
  InputStream& input = openWith({1, 2, 3});
  input.seek(1000);
  input.seek(1);  // still free to move back before reading
  EXPECT_EQ(u16(), 0x0302);
  input.seek(1000);
  EXPECT_EQ(u32(), 0u);
  EXPECT_FALSE(delivers());
}

TEST_P(InputStreamTest, PositionOfTwoToThe32FailsTheStream) {
  InputStream& input = openWith({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(u16(), 0x0201);  // the whole input is now at hand
  input.seek(InputStream::kPositionLimit);
  EXPECT_EQ(u16(), 0);  // and none of it is delivered any more
  input.seek(2);
  EXPECT_EQ(u32(), 0u);
}

TEST_P(InputStreamTest, ValuesStraddlingBlocksAndFarSeeksReadExactly) {
  // Larger than any read buffer, with every byte telling its own offset.
  Bytes bytes(3'000'000);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 16));
  }
  InputStream& input = openWith(bytes);
  const auto expected = [&](std::size_t at) { return loadU32(&bytes[at]); };
  for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    ASSERT_EQ(u32(), expected(at)) << "at " << at;
  }
  for (std::size_t at : {2'999'990u, 5u, (1u << 18) - 2, (1u << 20) - 1, 1'700'001u}) {
    input.seek(at);
    ASSERT_EQ(u32(), expected(at)) << "at " << at;
  }
  EXPECT_TRUE(delivers());
}

TEST(InputStream, MissingFileAndFolderCannotBeOpened) {
  TempDir folder;
  InputStream missing;
  EXPECT_FALSE(missing.openFile(folder.path("absent.3ds").c_str()));
  EXPECT_FALSE(missing.isOpen());
  InputStream folderInput;
  EXPECT_FALSE(folderInput.openFile(folder.path("").c_str()));
  EXPECT_FALSE(folderInput.isOpen());
}

// A scene rewritten after it was opened (by a modeller saving it, a sync tool)
// must not be read again as if it were the one the walk read; one left alone,
// or read again, is unchanged. Where the system keeps others from writing an
// open input (Windows), the write fails and the scene stays as it was.
TEST(InputStream, OnlyAFileWrittenToSinceItWasOpenedIsChanged) {
  const auto readAgain = [](const std::string&, InputStream& input) {
    std::array<std::uint8_t, 4> again{};
    EXPECT_TRUE(input.readAgain(0, again));
    return true;
  };
  const auto rewrite = [](const std::string& path, InputStream&) {
    std::FILE* writer = platform::openFile(path.c_str(), platform::FileMode::write);
    if (writer == nullptr) {
      return true;
    }
    EXPECT_EQ(std::fwrite("5678", 1, 4, writer), 4u);
    std::fclose(writer);
    // Within one tick of the file system's clock the times could look alike.
    std::filesystem::last_write_time(fsPath(path),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    return false;
  };
  const struct {
    const char* name;
    std::function<bool(const std::string&, InputStream&)> change;  // whether the input stays unchanged
  } cases[] = {{"read again", readAgain}, {"rewritten", rewrite}};
  for (const auto& test : cases) {
    TempDir folder;
    const std::string path = folder.path("scene.3ds");
    writeFile(path, {1, 2, 3, 4});
    InputStream input;
    ASSERT_TRUE(input.openFile(path.c_str()));
    EXPECT_TRUE(input.unchanged()) << test.name;
    const bool unchanged = test.change(path, input);
    EXPECT_EQ(input.unchanged(), unchanged) << test.name;
  }
  const Bytes bytes = {1, 2, 3, 4};
  InputStream memory;
  memory.openBytes(bytes);
  EXPECT_TRUE(memory.unchanged());
}

}  // namespace
}  // namespace polymill::test
