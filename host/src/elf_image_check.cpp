#include "elf_image_check.h"

#include <elf.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace tavro::internal {
namespace {

#if UINTPTR_MAX == 0xFFFFFFFF
using ElfHeader = Elf32_Ehdr;
using ProgramHeader = Elf32_Phdr;
constexpr unsigned char kOurClass = ELFCLASS32;
#else
using ElfHeader = Elf64_Ehdr;
using ProgramHeader = Elf64_Phdr;
constexpr unsigned char kOurClass = ELFCLASS64;
#endif

// end = offset + size, false when it overflows or passes the file's end.
bool fitsInFile(uint64_t offset, uint64_t size, uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

}  // namespace

std::optional<std::string> elfImageProblem(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;  // the loader reports a missing or unreadable file in its own words
  const auto end = in.tellg();
  if (end < 0) return "its size cannot be read";
  const auto fileSize = static_cast<uint64_t>(end);
  in.seekg(0);

  ElfHeader header{};
  if (fileSize < sizeof header || !in.read(reinterpret_cast<char*>(&header), sizeof header))
    return "it is too short to be a shared library (" + std::to_string(fileSize) + " bytes)";
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "it is not an ELF shared library";
  if (header.e_ident[EI_CLASS] != kOurClass)
    return kOurClass == ELFCLASS64 ? "it is a 32-bit library; this host is 64-bit"
                                   : "it is a 64-bit library; this host is 32-bit";
  if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum == 0)
    return "its program header table is damaged";
  const uint64_t tableBytes = uint64_t{header.e_phnum} * header.e_phentsize;
  if (!fitsInFile(header.e_phoff, tableBytes, fileSize))
    return "it is truncated: its program header table ends past the file's " + std::to_string(fileSize) + " bytes";

  std::vector<ProgramHeader> segments(header.e_phnum);
  in.seekg(static_cast<std::streamoff>(header.e_phoff));
  if (!in.read(reinterpret_cast<char*>(segments.data()), static_cast<std::streamsize>(tableBytes)))
    return "its program header table cannot be read";
  for (const ProgramHeader& segment : segments) {
    if (segment.p_type != PT_LOAD) continue;
    if (!fitsInFile(segment.p_offset, segment.p_filesz, fileSize))
      return "it is truncated: a loadable segment needs bytes up to " +
             std::to_string(uint64_t{segment.p_offset} + segment.p_filesz) + " but the file has " +
             std::to_string(fileSize);
  }
  return std::nullopt;
}

}  // namespace tavro::internal
