#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "chunk/little_endian.h"

namespace polymill {

// A scene file opened for binary reading with absolute positioning, read in
// large blocks. It keeps the behaviour the chunk format relies on: a read that
// runs out of input delivers the bytes that arrived and fails the stream; a
// failed stream stays failed, ignores positioning and delivers nothing more.
class InputFile {
 public:
  // Positions are handed to the file as signed 32-bit offsets; anything at or
  // beyond this cannot be positioned at.
  static constexpr std::uint64_t kPositionLimit = std::uint64_t{1} << 31;

  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the path cannot be read: missing, unreadable, or a folder.
  bool open(const char* path);
  bool isOpen() const { return file_ != nullptr; }
  bool failed() const { return failed_; }

  // Moves to an absolute offset. Beyond the end of the file is allowed (the next
  // read fails); at or beyond kPositionLimit fails the stream.
  void seek(std::uint64_t position);

  // Copies up to `size` bytes and returns how many arrived; fewer than asked
  // means the stream has failed.
  std::size_t read(std::uint8_t* out, std::size_t size);

  // The next `size` bytes, when the buffer holds them all, and the stream moves
  // past them; null otherwise, and nothing moves. Lets a record be decoded with
  // one check instead of one per value.
  const std::uint8_t* take(std::size_t size) {
    if (end_ - next_ < size) {
      return nullptr;
    }
    const std::uint8_t* bytes = &buffer_[next_];
    next_ += size;
    return bytes;
  }

  std::uint16_t readU16() { return static_cast<std::uint16_t>(readLittleEndian<2>()); }
  std::uint32_t readU32() { return readLittleEndian<4>(); }
  float readFloat() { return std::bit_cast<float>(readU32()); }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  template <std::size_t Size>
  std::uint32_t readLittleEndian() {
    if (end_ - next_ >= Size) {
      const std::uint32_t value = littleEndian(&buffer_[next_], Size);
      next_ += Size;
      return value;
    }
    std::uint8_t bytes[Size] = {};
    return littleEndian(bytes, read(bytes, Size));
  }

  void fail();
  bool refill();

  std::unique_ptr<std::FILE, FileCloser> file_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::uint64_t fileOffset_ = 0;   // where the underlying file stands
  std::size_t next_ = 0;           // next unread byte of buffer_
  std::size_t end_ = 0;            // bytes held in buffer_
  bool failed_ = false;
};

}  // namespace polymill
