#include "output/byte_writer.h"

namespace polymill {

ByteWriter::ByteWriter(std::FILE* target, bool terminal)
    : target_(target), buffer_(new char[kCapacity]), terminal_(terminal) {}

void ByteWriter::retarget(std::FILE* target) {
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
  if (target_ != nullptr && std::fflush(target_) != 0) {
    failed_ = true;
  }
  return !failed_;
}

void ByteWriter::drain() {
  if (used_ > 0 && !failed_) {
    if (target_ == nullptr || std::fwrite(buffer_.get(), 1, used_, target_) != used_) {
      failed_ = true;
    }
  }
  used_ = 0;
}

}  // namespace polymill
