#include "output/output_file.h"

#include "platform/file_names.h"

namespace polymill {

bool OutputFile::open(const char* name) {
  close();
  file_ = platform::openFile(name, platform::FileMode::write);
  if (file_ == nullptr) {
    return false;
  }
  // Our own buffer already gathers the bytes into large blocks.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  writer_.retarget(file_);
  return true;
}

bool OutputFile::close() {
  if (file_ == nullptr) {
    return true;
  }
  const bool written = writer_.flush();
  writer_.retarget(nullptr);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return written && closed;
}

}  // namespace polymill
