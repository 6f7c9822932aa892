#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace polymill {

// Text of which only the first `limit` bytes are kept in memory, and the
// length of all of it: a long trace shown by its head. Where the length is not
// wanted (`counted` false), text past the head need not even be made (see
// ByteWriter::pastHead), and `size` is not the whole length.
struct TextHead {
  std::size_t limit = 0;
  std::string kept;
  std::uint64_t size = 0;
  bool counted = true;
};

// A large buffer in front of a C stream, or of bytes kept in memory, so that
// small values cost a copy and not a library call each. The first failed
// write is remembered (in memory: memory that could not be had); what follows
// it is dropped, and flush() reports it.
class ByteWriter {
 public:
  // What the bytes are handed to; a null stream takes none.
  using Target = std::variant<std::FILE*, std::string*, std::vector<std::uint8_t>*, TextHead*>;

  // `terminal` tells those who write text that it is shown on a terminal.
  explicit ByteWriter(Target target = static_cast<std::FILE*>(nullptr), bool terminal = false);
  ~ByteWriter();
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  // Flushes what is buffered for the old target, then starts afresh on the new
  // one with no failure remembered.
  void retarget(Target target);

  // Room for at least `size` bytes (size <= kCapacity); commit() says how much was used.
  char* reserve(std::size_t size) {
    if (kCapacity - used_ < size) {
      drain();
    }
    return &buffer_[used_];
  }
  void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

  void write(const char* data, std::size_t size) {
    if (kCapacity - used_ >= size) {
      std::memcpy(&buffer_[used_], data, size);
      used_ += size;
      return;
    }
    writeInPieces(data, size);
  }
  void text(std::string_view words) { write(words.data(), words.size()); }
  void put(char c) {
    *reserve(1) = c;
    ++used_;
  }

  bool terminal() const { return terminal_; }

  // True when all that is written from here on would go unseen: the target is
  // a head that is not counted, and it is full. Those who write much may then
  // skip making it.
  bool pastHead() const { return head_ != nullptr && head_->kept.size() + used_ >= head_->limit; }

  // Hands everything buffered to the target; false once any of it was lost.
  bool flush();

  static constexpr std::size_t kCapacity = std::size_t{1} << 18;

 private:
  void writeInPieces(const char* data, std::size_t size);
  void drain();
  bool deliver(const char* data, std::size_t size);

  Target target_;
  const TextHead* head_ = nullptr;  // the target, when it is a head not counted
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  bool failed_ = false;
  bool terminal_;
};

}  // namespace polymill
