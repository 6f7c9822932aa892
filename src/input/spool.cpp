#include "input/spool.h"

#include <algorithm>
#include <cstring>

#include "platform/memory.h"
#include "platform/positioning.h"
#include "platform/temporary_file.h"

namespace polymill {

namespace {

// What is held in memory before the bytes move to a file: "a few" megabytes.
constexpr std::uint64_t kHeldInMemory = std::uint64_t{1} << 20;

}  // namespace

Spool::Spool(std::FILE* source, std::size_t blockSize) : source_(source), blockSize_(blockSize) {
  platform::enlargePipe(source_);
}

Spool::~Spool() {
  if (memory_.bytes != nullptr) {
    platform::releaseClaimed(memory_.bytes, 1);
  }
  if (file_ != nullptr) {
    std::fclose(file_);
  }
}

bool Spool::reach(std::uint64_t end) {
  while (size_ < end) {
    if (file_ == nullptr && !fileTried_ && size_ + blockSize_ > kHeldInMemory) {
      moveToFile();
    }
    if (!(file_ != nullptr ? readIntoFile() : readIntoMemory())) {
      return false;
    }
  }
  return true;
}

std::span<const std::uint8_t> Spool::inMemory(std::uint64_t position) const {
  if (file_ == nullptr) {
    return position < size_ ? std::span<const std::uint8_t>(memory_.bytes + position, size_ - position)
                            : std::span<const std::uint8_t>();
  }
  if (position < blockStart_ || position >= blockStart_ + blockHeld_) {
    return {};
  }
  const auto offset = static_cast<std::size_t>(position - blockStart_);
  return {block_.get() + offset, blockHeld_ - offset};
}

std::size_t Spool::copy(std::uint64_t position, std::span<std::uint8_t> out) {
  if (position >= size_) {
    return 0;
  }
  const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - position));
  const std::span<const std::uint8_t> held = inMemory(position);
  if (held.size() >= size) {
    std::memcpy(out.data(), held.data(), size);
    return size;
  }
  return readFile(position, out.data(), size) ? size : 0;
}

bool Spool::readIntoMemory() {
  if (!growMemory(size_ + blockSize_)) {
    return false;
  }
  const std::size_t got = std::fread(memory_.bytes + size_, 1, blockSize_, source_);
  size_ += got;
  return got > 0;
}

// A block that the file does not take sends everything back to memory, as
// when no file could be made.
bool Spool::readIntoFile() {
  const std::size_t got = std::fread(block_.get(), 1, blockSize_, source_);
  if (got == 0) {
    return false;
  }
  if (!platform::seekFile(file_, size_) || std::fwrite(block_.get(), 1, got, file_) != got) {
    if (!moveToMemory()) {
      return false;
    }
    std::memcpy(memory_.bytes + size_, block_.get(), got);
    size_ += got;
    return true;
  }
  blockStart_ = size_;
  blockHeld_ = got;
  size_ += got;
  return true;
}

// Tried once: where no file can be made, memory serves from then on.
void Spool::moveToFile() {
  fileTried_ = true;
  std::FILE* file = platform::openTemporaryFile();
  if (file == nullptr) {
    return;
  }
  // Whole blocks go straight to the file; a buffer of the C library's would only copy them again.
  std::setvbuf(file, nullptr, _IONBF, 0);
  block_.reset(new (std::nothrow) std::uint8_t[blockSize_]);
  const std::size_t held = static_cast<std::size_t>(size_);
  if (block_ == nullptr || std::fwrite(memory_.bytes, 1, held, file) != held) {
    std::fclose(file);
    return;
  }
  file_ = file;
  platform::releaseClaimed(memory_.bytes, 1);
  memory_ = {};
  blockHeld_ = 0;
}

bool Spool::moveToMemory() {
  if (!growMemory(size_ + blockSize_) || (size_ > 0 && !readFile(0, memory_.bytes, static_cast<std::size_t>(size_)))) {
    return false;
  }
  std::fclose(file_);
  file_ = nullptr;
  blockHeld_ = 0;
  return true;
}

// Room for `needed` bytes in memory, doubling; the budget decides.
bool Spool::growMemory(std::uint64_t needed) {
  if (needed <= memory_.capacity) {
    return true;
  }
  const std::uint64_t capacity = std::max<std::uint64_t>(needed, 2 * std::uint64_t{memory_.capacity});
  if (capacity > SIZE_MAX) {
    return false;
  }
  auto* grown = static_cast<std::uint8_t*>(platform::allocateClaimed(static_cast<std::size_t>(capacity), 1));
  if (grown == nullptr) {
    return false;
  }
  if (memory_.bytes != nullptr) {
    std::memcpy(grown, memory_.bytes, static_cast<std::size_t>(std::min<std::uint64_t>(size_, memory_.capacity)));
    platform::releaseClaimed(memory_.bytes, 1);
  }
  memory_ = {grown, static_cast<std::size_t>(capacity)};
  return true;
}

bool Spool::readFile(std::uint64_t position, std::uint8_t* out, std::size_t size) {
  const bool read = platform::seekFile(file_, position) && std::fread(out, 1, size, file_) == size;
  fileFailed_ = fileFailed_ || !read;
  return read;
}

}  // namespace polymill
