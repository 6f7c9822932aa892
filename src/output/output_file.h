#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "output/byte_writer.h"

namespace polymill {

// The one binary output stream of a run, reopened on each output file in turn.
// Records are stored straight into its large buffer.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the named file or empties an existing one; false when it cannot.
  bool open(const char* name);
  bool isOpen() const { return file_ != nullptr; }

  // Room for one record of at most ByteWriter::kCapacity bytes, then how much of it was used.
  char* reserve(std::size_t size) { return writer_.reserve(size); }
  void commit(char* end) { writer_.commit(end); }

  // Closes the file; false when any byte written since open() did not reach it.
  // Closing a stream that is not open succeeds and does nothing.
  bool close();

 private:
  std::FILE* file_ = nullptr;
  ByteWriter writer_;
};

}  // namespace polymill
