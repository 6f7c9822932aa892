#include "platform/positioning.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace polymill::platform {

#ifdef _WIN32

// Files on disk are FILE_TYPE_DISK; pipes and consoles (CON, NUL, COM1) are not.
bool canPosition(std::FILE* file) {
  return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) == FILE_TYPE_DISK;
}

bool seekFile(std::FILE* file, std::uint64_t position) {
  return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
}

void enlargePipe(std::FILE*) {}  // a pipe's size is set when it is made

#else

// Under WebAssembly the host says what kind of file it gave (WASI's filetype),
// which the C library turns into the same modes.
bool canPosition(std::FILE* file) {
  struct stat status {};
  return ::fstat(fileno(file), &status) == 0 && (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode));
}

bool seekFile(std::FILE* file, std::uint64_t position) {
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

void enlargePipe([[maybe_unused]] std::FILE* file) {
#ifdef F_SETPIPE_SZ
  constexpr int kLargestUsual = 1 << 20;  // /proc/sys/fs/pipe-max-size unless changed
  fcntl(fileno(file), F_SETPIPE_SZ, kLargestUsual);
#endif
}

#endif

}  // namespace polymill::platform
