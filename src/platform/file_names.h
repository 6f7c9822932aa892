#pragma once

// File names, and whether two of them lead to one file. Names are UTF-8
// inside the program (on POSIX systems: the bytes as given); only here do they
// meet the operating system, which on Windows wants UTF-16.

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace polymill::platform {

enum class FileMode { read, write };

// Opens a named file in binary mode: for reading, or created or emptied for writing.
std::FILE* openFile(const char* name, FileMode mode);

// Gives the file `from` the name `to` in one step, replacing any file of that
// name, so that a reader finds the old file or the new one, never neither
// (on POSIX systems and on Windows alike); false when it cannot.
bool replaceFile(const char* from, const char* to);

// Removes the named file, if there is one.
void removeFile(const char* name);

// The name as the file system library takes it.
std::filesystem::path pathOf(const char* name);

// True when the name is a folder.
bool isFolder(const char* name);

// True when both names lead to the same file, through whatever links. A name
// that leads to no file yet is the file that opening it for writing would
// create, so "a.bin" and "./a.bin" are one file before either exists, and so
// are "a.bin" and "A.BIN" where the file system ignores case.
bool sameFile(const char* first, const char* second);

// True when the name is a regular file, or nothing yet (writing creates one);
// false for devices, pipes and folders.
bool isRegularOrAbsent(const char* name);

// Where the running program's own file is, or an empty path where the system
// gives no way to know.
std::filesystem::path executablePath();

#ifdef _WIN32
// The command line as UTF-8, from the UTF-16 arguments Windows gives `wmain`:
// Windows hands it out in the ANSI code page unless asked for UTF-16, and only
// UTF-16 carries every name the file system can hold.
class Utf8Arguments {
 public:
  Utf8Arguments(int argc, wchar_t** argv);
  std::span<const char* const> words() const { return pointers_; }

 private:
  std::vector<std::string> words_;
  std::vector<const char*> pointers_;
};
#endif

}  // namespace polymill::platform
