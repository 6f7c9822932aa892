#pragma once

// What the standard library cannot do the same way everywhere. File names are
// UTF-8 inside the program (on POSIX systems: the bytes as given); only here
// do they meet the operating system, which on Windows wants UTF-16.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace polymill::platform {

enum class FileMode { read, write };

// Opens a named file in binary mode: for reading, or created or emptied for writing.
std::FILE* openFile(const char* name, FileMode mode);

// The name as the file system library takes it.
std::filesystem::path pathOf(const char* name);

// True when the name is a folder.
bool isFolder(const char* name);

// True when both names lead to the same file, through whatever links.
bool sameFile(const char* first, const char* second);

// Positions a file with a 64-bit offset on every system; false when it cannot.
bool seekFile(std::FILE* file, std::uint64_t position);

// Where the running program's own file is, or an empty path where the system
// gives no way to know.
std::filesystem::path executablePath();

// Asks the system to back a large, suitably aligned allocation with huge pages,
// where it has them; elsewhere it does nothing.
void adviseHugePages(void* memory, std::size_t size);

#ifdef _WIN32
// The command line as UTF-8, from the UTF-16 arguments Windows gives `wmain`.
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv);
#endif

}  // namespace polymill::platform
