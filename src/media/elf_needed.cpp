#include "media/elf_needed.h"

#include <elf.h>

#include <cstring>
#include <fstream>

namespace media {
namespace {

template <typename T>
bool readAt(std::ifstream& file, uint64_t offset, T& value) {
  file.seekg(static_cast<std::streamoff>(offset));
  return static_cast<bool>(file.read(reinterpret_cast<char*>(&value), sizeof value));
}

std::string readString(std::ifstream& file, uint64_t offset) {
  file.seekg(static_cast<std::streamoff>(offset));
  std::string text;
  std::getline(file, text, '\0');
  return file ? text : std::string();
}

}  // namespace

std::vector<std::string> NeededLibraries(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  Elf64_Ehdr header{};
  if (!readAt(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr))
    return {};
  for (uint16_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr dynamic{};
    if (!readAt(file, header.e_shoff + uint64_t{i} * sizeof(Elf64_Shdr), dynamic)) return {};
    if (dynamic.sh_type != SHT_DYNAMIC) continue;
    Elf64_Shdr strings{};
    if (dynamic.sh_link >= header.e_shnum ||
        !readAt(file, header.e_shoff + uint64_t{dynamic.sh_link} * sizeof(Elf64_Shdr), strings))
      return {};
    std::vector<std::string> needed;
    for (uint64_t offset = 0; offset + sizeof(Elf64_Dyn) <= dynamic.sh_size; offset += sizeof(Elf64_Dyn)) {
      Elf64_Dyn entry{};
      if (!readAt(file, dynamic.sh_offset + offset, entry) || entry.d_tag == DT_NULL) break;
      if (entry.d_tag != DT_NEEDED || entry.d_un.d_val >= strings.sh_size) continue;
      if (std::string name = readString(file, strings.sh_offset + entry.d_un.d_val); !name.empty())
        needed.push_back(std::move(name));
    }
    return needed;
  }
  return {};
}

}  // namespace media
