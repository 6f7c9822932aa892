#include "output/output_file.h"

#include "platform/file_names.h"

namespace polymill {

bool OutputFile::open(const OutputTarget& target) {
  close();
  if (target.bytes != nullptr) {
    memory_ = &target.bytes->emplace();
    writer_.retarget(memory_);
    open_ = true;
    return true;
  }
  file_ = platform::openFile(target.name, platform::FileMode::write);
  if (file_ == nullptr) {
    return false;
  }
  // Our own buffer already gathers the bytes into large blocks.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  writer_.retarget(file_);
  open_ = true;
  return true;
}

void OutputFile::expect(std::uint64_t size) {
  if (memory_ != nullptr) {
    memory_->reserve(static_cast<std::size_t>(size));
  }
}

bool OutputFile::close() {
  if (!open_) {
    return true;
  }
  const bool written = writer_.flush();
  writer_.retarget(static_cast<std::FILE*>(nullptr));
  const bool closed = file_ == nullptr || std::fclose(file_) == 0;
  file_ = nullptr;
  memory_ = nullptr;
  open_ = false;
  return written && closed;
}

}  // namespace polymill
