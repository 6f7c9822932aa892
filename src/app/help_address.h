#pragma once

#include <filesystem>
#include <string>

namespace polymill {

// Where the usage message sends the user: the README installed with the
// program, found from where the program itself stands, so that an installed
// tree may be moved; the README of the sources for a program run where it
// was built; the folder it was built for where neither is there.
std::string helpAddress();

// A file:// URL of an absolute path: '/' separators, a Windows drive letter
// or server kept, everything but unreserved characters percent-encoded as
// UTF-8.
std::string fileUrl(const std::filesystem::path& absolute);

}  // namespace polymill
