#include "platform/temporary_file.h"

#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#elif !defined(__wasi__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace polymill::platform {

#ifdef _WIN32

// Deleted by the system when its last handle closes, which it does for a
// process that ends in any way; shared with no one meanwhile.
std::FILE* openTemporaryFile() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"pml", 0, name) == 0) {
    return nullptr;
  }
  const HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_RDWR);
  if (descriptor == -1) {
    CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, "w+b");
  if (stream == nullptr) {
    _close(descriptor);
  }
  return stream;
}

#elif defined(__wasi__)

// The module's files are its host's, which keep no file of the module's own.
std::FILE* openTemporaryFile() { return nullptr; }

#else

namespace {

std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// Linux makes a file that never had a name; elsewhere, or on a file system
// that cannot, a file made with a unique name, mode 0600, is unlinked at once.
int unnamedFile(const std::string& folder) {
#ifdef O_TMPFILE
  const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (unnamed != -1) {
    return unnamed;
  }
#endif
  std::string name = folder + "/polymill-XXXXXX";
  const int named = ::mkstemp(name.data());
  if (named != -1) {
    ::unlink(name.c_str());
  }
  return named;
}

}  // namespace

std::FILE* openTemporaryFile() {
  const int descriptor = unnamedFile(temporaryFolder());
  if (descriptor == -1) {
    return nullptr;
  }
  std::FILE* stream = ::fdopen(descriptor, "w+b");
  if (stream == nullptr) {
    ::close(descriptor);
  }
  return stream;
}

#endif

}  // namespace polymill::platform
