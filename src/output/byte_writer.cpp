#include "output/byte_writer.h"

#include <algorithm>
#include <array>
#include <new>
#include <type_traits>

#include "platform/memory.h"

namespace polymill {

namespace {

#ifdef __wasi__

// A module's instance serves a call or two and is then let go whole, and its
// exports run the destructors of its statics after every call: it keeps no
// buffers between writers.
std::unique_ptr<char[]> takeBuffer() { return std::unique_ptr<char[]>(new char[ByteWriter::kCapacity]); }
void keepBuffer(std::unique_ptr<char[]>) {}

#else

// A writer's buffer is large: fresh pages for it each time would cost a call
// that converts a small scene more than its work. The buffers of writers that
// ended wait on their thread for the next (a conversion holds two at a time).
thread_local std::array<std::unique_ptr<char[]>, 2> spareBuffers;

std::unique_ptr<char[]> takeBuffer() {
  for (std::unique_ptr<char[]>& spare : spareBuffers) {
    if (spare != nullptr) {
      return std::move(spare);
    }
  }
  return std::unique_ptr<char[]>(new char[ByteWriter::kCapacity]);
}

void keepBuffer(std::unique_ptr<char[]> buffer) {
  for (std::unique_ptr<char[]>& spare : spareBuffers) {
    if (spare == nullptr) {
      spare = std::move(buffer);
      return;
    }
  }
}

#endif

const TextHead* uncountedHead(const ByteWriter::Target& target) {
  TextHead* const* head = std::get_if<TextHead*>(&target);
  return head != nullptr && !(*head)->counted ? *head : nullptr;
}

}  // namespace

ByteWriter::ByteWriter(Target target, bool terminal)
    : target_(target), head_(uncountedHead(target)), buffer_(takeBuffer()), terminal_(terminal) {}

ByteWriter::~ByteWriter() {
  flush();
  keepBuffer(std::move(buffer_));
}

void ByteWriter::retarget(Target target) {
  flush();
  target_ = target;
  head_ = uncountedHead(target);
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
