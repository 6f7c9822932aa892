#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

namespace polymill {

// Every byte of an input that can be read only once, in order (a pipe, a
// FIFO, a socket, a terminal), kept so that it can be read again as a file
// is: in memory while they are few, then in an unnamed temporary file of the
// process's own (platform::openTemporaryFile), so that a scene of any size
// costs a few megabytes of memory through a pipe as from a file. Where no
// temporary file can be made or written (no room, a read-only folder,
// WebAssembly), the bytes stay in memory, claimed from the run's budget. The
// block last read stays in memory too: the walk, which reads in order, reads
// it there.
class Spool {
 public:
  // Reads `blockSize` bytes from `source` at a time.
  Spool(std::FILE* source, std::size_t blockSize);
  ~Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // Reads on from the source until the bytes before `end` are held. False
  // when the source ends first, or fails (see failed), or the budget holds no
  // more room.
  bool reach(std::uint64_t end);

  // How many bytes are held: all that the source has delivered.
  std::uint64_t size() const { return size_; }

  // The held bytes from `position` on that lie in memory in one piece, good
  // until the next reach(); empty when they lie only in the file.
  std::span<const std::uint8_t> inMemory(std::uint64_t position) const;

  // Copies held bytes from `position` into `out`; how many: fewer where what
  // is held ends, and none when the file could not be read.
  std::size_t copy(std::uint64_t position, std::span<std::uint8_t> out);

  // True once the source or the file refused a read: what follows, or what
  // was to be read again, was never seen.
  bool failed() const { return std::ferror(source_) != 0 || fileFailed_; }

 private:
  // Bytes held in memory: all of them, before or without a file.
  struct Memory {
    std::uint8_t* bytes = nullptr;
    std::size_t capacity = 0;
  };

  bool readIntoMemory();
  bool readIntoFile();
  void moveToFile();
  bool moveToMemory();
  bool growMemory(std::uint64_t needed);
  bool readFile(std::uint64_t position, std::uint8_t* out, std::size_t size);

  std::FILE* source_;
  std::size_t blockSize_;
  std::uint64_t size_ = 0;
  Memory memory_;
  std::FILE* file_ = nullptr;
  bool fileTried_ = false;
  bool fileFailed_ = false;
  std::unique_ptr<std::uint8_t[]> block_;  // with a file: the block last read
  std::uint64_t blockStart_ = 0;
  std::size_t blockHeld_ = 0;
};

}  // namespace polymill
