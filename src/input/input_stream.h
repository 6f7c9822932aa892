#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "input/spool.h"
#include "platform/file_version.h"

namespace polymill {

// The scene, opened for reading with absolute positioning: a file read in large
// blocks, an input that can only be read in order (a pipe) kept as it arrives
// (see Spool) and read as a file is, or bytes already in memory. All keep the
// behaviour the chunk format relies on: a read that runs out of input
// delivers the bytes that arrived and fails the stream; a failed stream stays
// failed, ignores positioning and delivers nothing more. Every one can be
// read again (readAgain), so that the lists keep only where records lie.
class InputStream {
 public:
  // Chunk lengths are unsigned 32-bit, so a scene addresses positions up to
  // 2^32 - 1; anything at or beyond this cannot be positioned at.
  static constexpr std::uint64_t kPositionLimit = std::uint64_t{1} << 32;
  // How much is read from a file at a time.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 18;

  InputStream() = default;
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;

  // False when the named file cannot be read: missing, unreadable, or a folder.
  bool openFile(const char* name);
  // Reads `bytes` in place; they must outlive the stream.
  void openBytes(std::span<const std::uint8_t> bytes);
  // Reads bytes the stream is given, which go with it.
  void openOwnedBytes(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size);
  bool isOpen() const { return file_ != nullptr || inMemory_; }

  // The position of the next byte to be read; a failed stream, which delivers
  // nothing more, stands at kNowhere.
  static constexpr std::uint64_t kNowhere = UINT64_MAX;
  std::uint64_t position() const { return failed_ ? kNowhere : viewStart_ + next_; }

  // Fills `out` with the bytes that were read from `position`, as they were
  // read then: those past the end of the input that the reads met are zeros.
  // False when the input no longer holds them all (a file cut short since).
  bool readAgain(std::uint64_t position, std::span<std::uint8_t> out);

  // How many of the scene's bytes are known to be there: all of a file (as
  // opened) or of bytes in memory; of an input read in order, those arrived.
  std::uint64_t extent() const;

  // False once a file that is read again is no longer the one that was opened:
  // written to since, so that what is read again may not be what was read.
  bool unchanged() const;

  // True once the system refused a read or a position (an I/O error, an
  // offset it cannot reach), as opposed to the input simply ending there:
  // what follows in the scene was never seen.
  bool readRefused() const { return readRefused_; }

  // Moves to an absolute offset. Beyond the end of the input is allowed (the
  // next read fails); at or beyond kPositionLimit fails the stream.
  void seek(std::uint64_t position);

  // The next Size bytes as one record. Bytes the input no longer holds read as
  // zero, which is how a value cut short by the end of the input reads: the
  // bytes that arrived fill it from its least significant byte upward.
  template <std::size_t Size>
  std::array<std::uint8_t, Size> record() {
    std::array<std::uint8_t, Size> bytes{};
    if (end_ - next_ >= Size) {
      std::memcpy(bytes.data(), view_ + next_, Size);
      next_ += Size;
    } else {
      read(bytes.data(), Size);
    }
    return bytes;
  }

  // The bytes already at hand after the current position, from which whole
  // records may be decoded in place; skip() then moves past those used. May
  // be empty: record() fetches more.
  std::span<const std::uint8_t> atHand() const { return {view_ + next_, end_ - next_}; }
  void skip(std::size_t size) { next_ += size; }

  // The next byte, or false when the input has none left.
  bool nextByte(std::uint8_t& byte) { return read(&byte, 1) == 1; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  std::size_t read(std::uint8_t* out, std::size_t size);
  void fail();
  bool refill();
  bool refillFromFile();
  bool refillFromSpool();
  bool refillFromMemory();

  std::unique_ptr<std::FILE, FileCloser> file_;
  std::unique_ptr<std::uint8_t[]> block_;  // a file's current block
  std::unique_ptr<Spool> spool_;           // an input read in order, as it arrived
  std::span<const std::uint8_t> memory_;   // or the bytes in memory
  std::unique_ptr<std::uint8_t[]> owned_;  // which the stream may have been given
  bool inMemory_ = false;
  const std::uint8_t* view_ = nullptr;            // the bytes at hand: the block, or part of memory
  std::uint64_t viewStart_ = 0;                   // input offset of view_[0]
  std::uint64_t fileOffset_ = 0;                  // where the underlying file stands
  std::size_t next_ = 0;                          // next unread byte of view_
  std::size_t end_ = 0;                           // bytes held in view_
  std::uint64_t endMet_ = kNowhere;               // where a read first ran out of input
  std::optional<platform::FileVersion> version_;  // of a file read again, as opened
  bool failed_ = false;
  bool readRefused_ = false;
};

}  // namespace polymill
