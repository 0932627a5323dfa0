#include "pe_image_check.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <vector>

namespace tavro::internal {
namespace {

#ifdef _WIN64
constexpr WORD kOurMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr WORD kOurMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#else
constexpr WORD kOurMachine = IMAGE_FILE_MACHINE_I386;
constexpr WORD kOurMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#endif

bool fitsInFile(uint64_t offset, uint64_t size, uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

bool readAt(std::ifstream& in, uint64_t offset, void* into, std::size_t size) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  return static_cast<bool>(in.read(static_cast<char*>(into), static_cast<std::streamsize>(size)));
}

}  // namespace

std::optional<std::string> peImageProblem(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;  // the loader reports a missing or unreadable file in its own words
  const auto end = in.tellg();
  if (end < 0) return "its size cannot be read";
  const auto fileSize = static_cast<uint64_t>(end);

  IMAGE_DOS_HEADER dos{};
  if (fileSize < sizeof dos || !readAt(in, 0, &dos, sizeof dos))
    return "it is too short to be a DLL (" + std::to_string(fileSize) + " bytes)";
  if (dos.e_magic != IMAGE_DOS_SIGNATURE) return "it is not a Windows DLL";
  const auto ntOffset = static_cast<uint64_t>(static_cast<uint32_t>(dos.e_lfanew));
  DWORD signature = 0;
  IMAGE_FILE_HEADER file{};
  if (!fitsInFile(ntOffset, sizeof signature + sizeof file, fileSize))
    return "it is truncated: its PE header lies past the file's " + std::to_string(fileSize) + " bytes";
  if (!readAt(in, ntOffset, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE)
    return "it is not a Windows DLL";
  readAt(in, ntOffset + sizeof signature, &file, sizeof file);
  if (file.Machine != kOurMachine)
    return kOurMachine == IMAGE_FILE_MACHINE_AMD64 ? "it is not a 64-bit x86 library (this host is 64-bit)"
                                                   : "it is not a 32-bit x86 library (this host is 32-bit)";
  if ((file.Characteristics & IMAGE_FILE_DLL) == 0) return "it is a program, not a DLL";

  const uint64_t optionalOffset = ntOffset + sizeof signature + sizeof file;
  WORD magic = 0;
  if (file.SizeOfOptionalHeader < sizeof magic || !fitsInFile(optionalOffset, file.SizeOfOptionalHeader, fileSize) ||
      !readAt(in, optionalOffset, &magic, sizeof magic) || magic != kOurMagic)
    return "its optional header is damaged";

  const uint64_t tableOffset = optionalOffset + file.SizeOfOptionalHeader;
  const uint64_t tableBytes = uint64_t{file.NumberOfSections} * sizeof(IMAGE_SECTION_HEADER);
  if (file.NumberOfSections == 0) return "its section table is damaged";
  if (!fitsInFile(tableOffset, tableBytes, fileSize))
    return "it is truncated: its section table ends past the file's " + std::to_string(fileSize) + " bytes";
  std::vector<IMAGE_SECTION_HEADER> sections(file.NumberOfSections);
  if (!readAt(in, tableOffset, sections.data(), static_cast<std::size_t>(tableBytes)))
    return "its section table cannot be read";
  for (const IMAGE_SECTION_HEADER& section : sections) {
    if (!fitsInFile(section.PointerToRawData, section.SizeOfRawData, fileSize))
      return "it is truncated: a section needs bytes up to " +
             std::to_string(uint64_t{section.PointerToRawData} + section.SizeOfRawData) + " but the file has " +
             std::to_string(fileSize);
  }
  return std::nullopt;
}

}  // namespace tavro::internal
