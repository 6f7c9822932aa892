#include "app/help_address.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/file_names.h"

namespace polymill {

namespace {

bool keptAsIs(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/' || c == ':';
}

std::string percentEncoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    if (keptAsIs(c)) {
      encoded += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      encoded += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return encoded;
}

// Asked by opening it: WebAssembly's standard library has no file system operations.
bool readable(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  const std::string utf8(name.begin(), name.end());
  std::FILE* file = platform::openFile(utf8.c_str(), platform::FileMode::read);
  if (file == nullptr) {
    return false;
  }
  std::fclose(file);
  return !platform::isFolder(utf8.c_str());
}

}  // namespace

std::string fileUrl(const std::filesystem::path& absolute) {
  std::u8string native = absolute.u8string();
  if constexpr (std::filesystem::path::preferred_separator != '/') {
    std::replace(native.begin(), native.end(), u8'\\', u8'/');
  }
  const std::string path = percentEncoded(std::string(native.begin(), native.end()));
  if (path.starts_with("//")) {
    return "file:" + path;  // a server's share: the server is the URL's host
  }
  if (path.starts_with("/")) {
    return "file://" + path;
  }
  return "file:///" + path;  // a drive letter
}

// The README installed beside the program, wherever the tree was moved; for a
// program run where it was built, the README of the sources it was built
// from; where neither is found, where the install would put it.
std::string helpAddress() {
  const std::filesystem::path program = platform::executablePath();
  if (!program.empty()) {
    const std::filesystem::path installed =
        (program.parent_path() / POLYMILL_DOC_DIR_FROM_PROGRAM / "README.md").lexically_normal();
    if (readable(installed)) {
      return fileUrl(installed);
    }
  }
  const std::filesystem::path source = platform::pathOf(POLYMILL_SOURCE_README);
  if (readable(source)) {
    return fileUrl(source);
  }
  return fileUrl(std::filesystem::path(POLYMILL_INSTALLED_DOC_DIR) / "README.md");
}

}  // namespace polymill
