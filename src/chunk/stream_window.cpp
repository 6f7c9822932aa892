#include "chunk/stream_window.h"

#include <algorithm>
#include <cstring>

#include "platform/memory.h"

namespace polymill {

StreamWindow::~StreamWindow() {
  if (bytes_ != nullptr) {
    platform::releaseClaimed(bytes_, 1);
  }
}

bool StreamWindow::reach(std::uint64_t position, std::uint64_t keepFrom) {
  if (keepFrom < start_) {
    return false;
  }
  while (position - start_ >= held_) {
    forgetBefore(keepFrom);
    if (!makeRoom()) {
      return false;
    }
    const std::size_t got = std::fread(bytes_ + held_, 1, std::min(readSize_, capacity_ - held_), file_);
    if (got == 0) {
      return false;
    }
    held_ += got;
  }
  return true;
}

// Moves the bytes still needed to the front. Skipping ahead on a stream means
// reading the bytes in between, which are forgotten as they arrive.
void StreamWindow::forgetBefore(std::uint64_t keepFrom) {
  const std::size_t gone = static_cast<std::size_t>(std::min<std::uint64_t>(keepFrom - start_, held_));
  if (gone == 0) {
    return;
  }
  std::memmove(bytes_, bytes_ + gone, held_ - gone);
  start_ += gone;
  held_ -= gone;
}

// Room for a whole read behind what is held; the window doubles when it lacks it.
bool StreamWindow::makeRoom() {
  if (capacity_ - held_ >= readSize_) {
    return true;
  }
  const std::size_t capacity = std::max(2 * capacity_, held_ + readSize_);
  auto* grown = static_cast<std::uint8_t*>(platform::allocateClaimed(capacity, 1));
  if (grown == nullptr) {
    return false;
  }
  if (bytes_ != nullptr) {
    std::memcpy(grown, bytes_, held_);
    platform::releaseClaimed(bytes_, 1);
  }
  bytes_ = grown;
  capacity_ = capacity;
  return true;
}

}  // namespace polymill
