#include "platform/platform.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <sys/mman.h>
#endif

namespace polymill::platform {

#ifdef _WIN32

namespace {

std::wstring wideOf(const char* utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (size <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), size);
  wide.pop_back();  // the terminating zero
  return wide;
}

std::string utf8Of(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

}  // namespace

std::FILE* openFile(const char* name, FileMode mode) {
  return _wfopen(wideOf(name).c_str(), mode == FileMode::read ? L"rb" : L"wb");
}

std::filesystem::path pathOf(const char* name) { return std::filesystem::path(wideOf(name)); }

bool seekFile(std::FILE* file, std::uint64_t position) {
  return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
}

std::filesystem::path executablePath() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      return {};
    }
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name);
    }
    name.resize(name.size() * 2);  // cut short: try again with more room
  }
}

void adviseHugePages(void*, std::size_t) {}

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(utf8Of(argv[i]));
  }
  return arguments;
}

#else

std::FILE* openFile(const char* name, FileMode mode) { return std::fopen(name, mode == FileMode::read ? "rb" : "wb"); }

std::filesystem::path pathOf(const char* name) { return std::filesystem::path(name); }

bool seekFile(std::FILE* file, std::uint64_t position) {
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

std::filesystem::path executablePath() {
#ifdef __linux__
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
#else
  return {};
#endif
}

void adviseHugePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only advice: where huge pages are off, the memory works as before.
  madvise(memory, size, MADV_HUGEPAGE);
#endif
}

#endif

bool isFolder(const char* name) {
  std::error_code error;
  return std::filesystem::is_directory(pathOf(name), error);
}

bool sameFile(const char* first, const char* second) {
  std::error_code error;
  return std::filesystem::equivalent(pathOf(first), pathOf(second), error);
}

}  // namespace polymill::platform
