#include "output/byte_writer.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "platform/memory.h"

namespace polymill {

ByteWriter::ByteWriter(Target target, bool terminal)
    : target_(target), buffer_(new char[kCapacity]), terminal_(terminal) {}

void ByteWriter::retarget(Target target) {
  flush();
  target_ = target;
  failed_ = false;
}

void ByteWriter::writeInPieces(const char* data, std::size_t size) {
  while (size > 0) {
    const std::size_t room = kCapacity - used_;
    if (room == 0) {
      drain();
      continue;
    }
    const std::size_t take = size < room ? size : room;
    std::memcpy(&buffer_[used_], data, take);
    used_ += take;
    data += take;
    size -= take;
  }
}

bool ByteWriter::flush() {
  drain();
  std::FILE* const* stream = std::get_if<std::FILE*>(&target_);
  if (stream != nullptr && *stream != nullptr && std::fflush(*stream) != 0) {
    failed_ = true;
  }
  return !failed_;
}

void ByteWriter::drain() {
  if (used_ > 0 && !failed_ && !deliver(buffer_.get(), used_)) {
    failed_ = true;
  }
  used_ = 0;
}

namespace {

// Appends to bytes in memory, whose room grows within the run's memory budget
// (doubling, unless it was reserved whole before).
template <typename Bytes>
bool append(Bytes& bytes, const char* data, std::size_t size) {
  const std::size_t needed = bytes.size() + size;
  if (needed > bytes.capacity()) {
    const std::size_t room = std::max(needed, 2 * bytes.capacity());
    if (!platform::claim(room)) {
      return false;
    }
    bytes.reserve(room);
  }
  bytes.insert(bytes.end(), data, data + size);
  return true;
}

bool append(TextHead& text, const char* data, std::size_t size) {
  text.size += size;
  return append(text.kept, data, std::min(size, text.limit - std::min(text.limit, text.kept.size())));
}

}  // namespace

// Memory that cannot be had fails the write as a full disk would, so that it
// is reported where the files are written, and never leaves a destructor.
bool ByteWriter::deliver(const char* data, std::size_t size) {
  return std::visit(
      [&](auto* target) {
        if constexpr (std::is_same_v<decltype(target), std::FILE*>) {
          return target != nullptr && std::fwrite(data, 1, size, target) == size;
        } else {
#ifdef __cpp_exceptions
          try {
            return append(*target, data, size);
          } catch (const std::bad_alloc&) {
            return false;
          }
#else
          return append(*target, data, size);
#endif
        }
      },
      target_);
}

}  // namespace polymill
