#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace polymill {

// The bytes of an input that can only be read in order (a pipe, a FIFO, a
// socket, a terminal) which the walk may still go back to. The walk never
// positions the input before the last position it was sent to, but a list
// whose count runs past its chunk reads on from the bytes that follow, and
// the next chunk then starts behind the read position. So the window keeps
// every byte from the last position on, and forgets the bytes before it only
// when it needs room. Its memory is claimed from the run's budget, like the
// lists'.
class StreamWindow {
 public:
  // Reads `readSize` bytes from `file` at a time.
  StreamWindow(std::FILE* file, std::size_t readSize) : file_(file), readSize_(readSize) {}
  ~StreamWindow();
  StreamWindow(const StreamWindow&) = delete;
  StreamWindow& operator=(const StreamWindow&) = delete;

  // Holds the bytes from `keepFrom` to at least one byte past `position`
  // (keepFrom <= position), reading on from the file and forgetting bytes
  // before `keepFrom` as needed. False when the input ends first, cannot be
  // read, the bytes before `keepFrom` are already gone, or the budget holds
  // no more room.
  bool reach(std::uint64_t position, std::uint64_t keepFrom);

  // What the window holds: bytes()[0] is the input's byte at start().
  const std::uint8_t* bytes() const { return bytes_; }
  std::uint64_t start() const { return start_; }
  std::size_t held() const { return held_; }

 private:
  void forgetBefore(std::uint64_t keepFrom);
  bool makeRoom();

  std::FILE* file_;
  std::size_t readSize_;
  std::uint8_t* bytes_ = nullptr;
  std::size_t capacity_ = 0;
  std::uint64_t start_ = 0;
  std::size_t held_ = 0;
};

}  // namespace polymill
