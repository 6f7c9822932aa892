#include "chunk/input_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace polymill {

namespace {
constexpr std::size_t kBlockSize = std::size_t{1} << 18;
}

bool InputFile::open(const char* path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    return false;
  }
  file_.reset(std::fopen(path, "rb"));
  if (!file_) {
    return false;
  }
  // Blocks go straight into our own buffer; a second one inside the FILE would
  // only copy them again.
  std::setvbuf(file_.get(), nullptr, _IONBF, 0);
  buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
  return true;
}

void InputFile::seek(std::uint64_t position) {
  if (failed_) {
    return;
  }
  if (position >= kPositionLimit) {
    fail();
    return;
  }
  if (position >= bufferStart_ && position - bufferStart_ <= end_) {
    next_ = static_cast<std::size_t>(position - bufferStart_);
    return;
  }
  bufferStart_ = position;
  next_ = 0;
  end_ = 0;
}

std::size_t InputFile::read(std::uint8_t* out, std::size_t size) {
  std::size_t delivered = 0;
  while (!failed_ && delivered < size) {
    if (next_ == end_ && !refill()) {
      fail();
      break;
    }
    const std::size_t take = std::min(size - delivered, end_ - next_);
    std::memcpy(out + delivered, &buffer_[next_], take);
    next_ += take;
    delivered += take;
  }
  return delivered;
}

// Empties the buffer too, so that no read, however small, delivers from it again.
void InputFile::fail() {
  failed_ = true;
  next_ = 0;
  end_ = 0;
}

// Replaces the fully consumed buffer with the block that follows it.
bool InputFile::refill() {
  if (!file_) {
    return false;
  }
  bufferStart_ += end_;
  next_ = 0;
  end_ = 0;
  if (fileOffset_ != bufferStart_) {
    if (std::fseek(file_.get(), static_cast<long>(bufferStart_), SEEK_SET) != 0) {
      return false;
    }
    fileOffset_ = bufferStart_;
  }
  end_ = std::fread(buffer_.get(), 1, kBlockSize, file_.get());
  fileOffset_ += end_;
  return end_ > 0;
}

}  // namespace polymill
