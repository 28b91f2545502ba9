#pragma once
// The DT_NEEDED entries of a shared object: the libraries the dynamic linker will look for when it is loaded.
#include <string>
#include <vector>

namespace media {

// Empty when the file cannot be read or is not a 64-bit ELF object of this machine's byte order.
std::vector<std::string> NeededLibraries(const std::string& path);

}  // namespace media
