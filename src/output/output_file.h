#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>

#include "output/big_endian.h"
#include "output/byte_writer.h"

namespace polymill {

// The one binary output stream of a run, reopened on each output file in turn.
// Values go out big-endian through a large buffer.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file or empties an existing one; false when it cannot.
  bool open(const char* path);
  bool isOpen() const { return file_ != nullptr; }

  void writeU16(std::uint16_t value) { writer_.commit(storeBigEndian16(writer_.reserve(2), value)); }
  void writeU32(std::uint32_t value) { writer_.commit(storeBigEndian32(writer_.reserve(4), value)); }
  void writeFloat(float value) { writeU32(std::bit_cast<std::uint32_t>(value)); }

  // Closes the file; false when any byte written since open() did not reach it.
  // Closing a stream that is not open succeeds and does nothing.
  bool close();

 private:
  std::FILE* file_ = nullptr;
  ByteWriter writer_;
};

}  // namespace polymill
