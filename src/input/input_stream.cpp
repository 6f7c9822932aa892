#include "input/input_stream.h"

#include <algorithm>
#include <utility>

#include "platform/file_names.h"
#include "platform/positioning.h"

namespace polymill {

bool InputStream::openFile(const char* name) {
  if (platform::isFolder(name)) {
    return false;
  }
  file_.reset(platform::openFile(name, platform::FileMode::read));
  if (!file_) {
    return false;
  }
  // Blocks go straight into our own buffer; a second one inside the FILE would
  // only copy them again.
  std::setvbuf(file_.get(), nullptr, _IONBF, 0);
  block_.reset(new std::uint8_t[kBlockSize]);
  if (platform::canPosition(file_.get())) {
    version_ = platform::versionOf(file_.get());
  } else {
    spool_ = std::make_unique<Spool>(file_.get(), kBlockSize);
  }
  return true;
}

void InputStream::openBytes(std::span<const std::uint8_t> bytes) {
  memory_ = bytes;
  inMemory_ = true;
}

void InputStream::openOwnedBytes(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size) {
  owned_ = std::move(bytes);
  openBytes({owned_.get(), size});
}

bool InputStream::readAgain(std::uint64_t position, std::span<std::uint8_t> out) {
  const std::size_t present =
      position >= endMet_ ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), endMet_ - position));
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(present), out.end(), std::uint8_t{0});
  if (present == 0) {
    return true;
  }
  if (inMemory_) {
    if (position > memory_.size() || memory_.size() - position < present) {
      return false;
    }
    std::memcpy(out.data(), memory_.data() + position, present);
    return true;
  }
  if (spool_) {
    return spool_->copy(position, out.first(present)) == present;
  }
  if (file_ == nullptr || !platform::seekFile(file_.get(), position)) {
    return false;
  }
  fileOffset_ = position;
  std::size_t got = 0;
  for (std::size_t n = 1; got < present && n > 0; got += n) {
    n = std::fread(out.data() + got, 1, present - got, file_.get());
  }
  fileOffset_ += got;
  return got == present;
}

std::uint64_t InputStream::extent() const {
  if (inMemory_) {
    return memory_.size();
  }
  return spool_ ? spool_->size() : version_.value_or(platform::FileVersion{}).size;
}

bool InputStream::unchanged() const { return !version_ || platform::versionOf(file_.get()) == version_; }

void InputStream::seek(std::uint64_t position) {
  if (failed_) {
    return;
  }
  if (position >= kPositionLimit) {
    fail();
    return;
  }
  if (position >= viewStart_ && position - viewStart_ <= end_) {
    next_ = static_cast<std::size_t>(position - viewStart_);
    return;
  }
  viewStart_ = position;
  next_ = 0;
  end_ = 0;
}

std::size_t InputStream::read(std::uint8_t* out, std::size_t size) {
  std::size_t delivered = 0;
  while (!failed_ && delivered < size) {
    if (next_ == end_ && !refill()) {
      fail();
      break;
    }
    const std::size_t take = std::min(size - delivered, end_ - next_);
    std::memcpy(out + delivered, view_ + next_, take);
    next_ += take;
    delivered += take;
  }
  return delivered;
}

// Empties the view too, so that no read, however small, delivers from it again.
void InputStream::fail() {
  failed_ = true;
  next_ = 0;
  end_ = 0;
}

// Moves the view past the bytes it held, to the ones that follow them.
bool InputStream::refill() {
  viewStart_ += end_;
  next_ = 0;
  end_ = 0;
  const bool refilled = inMemory_ ? refillFromMemory()
                        : spool_  ? refillFromSpool()
                                  : file_ != nullptr && refillFromFile();
  if (!refilled) {
    endMet_ = std::min(endMet_, viewStart_);
    readRefused_ = readRefused_ || (spool_ ? spool_->failed() : file_ != nullptr && std::ferror(file_.get()) != 0);
  }
  return refilled;
}

bool InputStream::refillFromFile() {
  if (fileOffset_ != viewStart_) {
    if (!platform::seekFile(file_.get(), viewStart_)) {
      readRefused_ = true;
      return false;
    }
    fileOffset_ = viewStart_;
  }
  end_ = std::fread(block_.get(), 1, kBlockSize, file_.get());
  fileOffset_ += end_;
  view_ = block_.get();
  return end_ > 0;
}

// The view is the bytes that arrived in memory, where the spool has them in
// one piece (the block last read); else they are read from its file.
bool InputStream::refillFromSpool() {
  if (!spool_->reach(viewStart_ + 1)) {
    return false;
  }
  const std::span<const std::uint8_t> held = spool_->inMemory(viewStart_);
  if (!held.empty()) {
    view_ = held.data();
    end_ = held.size();
  } else {
    end_ = spool_->copy(viewStart_, {block_.get(), kBlockSize});
    view_ = block_.get();
  }
  return end_ > 0;
}

// The view is the rest of the caller's bytes themselves, not a copy, so a read
// past them would be a read past the caller's buffer, which memory checkers see.
bool InputStream::refillFromMemory() {
  if (viewStart_ >= memory_.size()) {
    return false;
  }
  view_ = memory_.data() + viewStart_;
  end_ = static_cast<std::size_t>(memory_.size() - viewStart_);
  return true;
}

}  // namespace polymill
