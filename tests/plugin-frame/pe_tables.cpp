#include "pe_tables.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace sqelto_test {
namespace {

#ifdef _WIN64
using NtHeaders = IMAGE_NT_HEADERS64;
using Thunk = ULONGLONG;
constexpr Thunk kOrdinalFlag = IMAGE_ORDINAL_FLAG64;
#else
using NtHeaders = IMAGE_NT_HEADERS32;
using Thunk = DWORD;
constexpr Thunk kOrdinalFlag = IMAGE_ORDINAL_FLAG32;
#endif

// The file's bytes with checked reads: every offset, count and name from the
// file is tested against its size before it is used.
class Image {
 public:
  explicit Image(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

  template <class T>
  bool Read(uint64_t offset, T& out) const {
    if (offset > bytes_.size() || sizeof(T) > bytes_.size() - offset) return false;
    std::memcpy(&out, bytes_.data() + offset, sizeof(T));
    return true;
  }
  // A NUL-terminated name at `offset`, which must end inside the file.
  std::optional<std::string> Name(uint64_t offset) const {
    if (offset >= bytes_.size()) return std::nullopt;
    const char* start = bytes_.data() + offset;
    const char* end = static_cast<const char*>(std::memchr(start, '\0', bytes_.size() - offset));
    if (end == nullptr) return std::nullopt;
    return std::string(start, end);
  }
  // The file offset of a relative virtual address, through the section table.
  std::optional<uint64_t> OffsetOf(uint64_t rva) const {
    for (const IMAGE_SECTION_HEADER& s : sections_) {
      const uint64_t size = std::max<uint64_t>(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size && rva - s.VirtualAddress < s.SizeOfRawData)
        return uint64_t{s.PointerToRawData} + (rva - s.VirtualAddress);
    }
    return std::nullopt;
  }
  std::vector<IMAGE_SECTION_HEADER>& sections() { return sections_; }

 private:
  std::vector<char> bytes_;
  std::vector<IMAGE_SECTION_HEADER> sections_;
};

bool Refuse(std::string& why, std::string reason) {
  why = std::move(reason);
  return false;
}
std::optional<PeTables> Refused(std::string& why, std::string reason) {
  why = std::move(reason);
  return std::nullopt;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool ReadExports(const Image& image, const IMAGE_DATA_DIRECTORY& directory, PeTables& tables, std::string& why) {
  if (directory.VirtualAddress == 0) return true;
  IMAGE_EXPORT_DIRECTORY exports{};
  const auto at = image.OffsetOf(directory.VirtualAddress);
  if (!at || !image.Read(*at, exports)) return Refuse(why, "export directory outside the file");
  const auto names = image.OffsetOf(exports.AddressOfNames);
  for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
    DWORD nameRva = 0;
    if (!names || !image.Read(*names + uint64_t{i} * sizeof nameRva, nameRva))
      return Refuse(why, "export names outside the file");
    const auto nameAt = image.OffsetOf(nameRva);
    const auto name = nameAt ? image.Name(*nameAt) : std::nullopt;
    if (!name) return Refuse(why, "an export name outside the file");
    tables.exports.insert(*name);
  }
  return true;
}

bool ReadImports(const Image& image, const IMAGE_DATA_DIRECTORY& directory, PeTables& tables, std::string& why) {
  if (directory.VirtualAddress == 0) return true;
  const auto table = image.OffsetOf(directory.VirtualAddress);
  if (!table) return Refuse(why, "import directory outside the file");
  for (uint64_t entry = *table;; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor{};
    if (!image.Read(entry, descriptor)) return Refuse(why, "import directory runs past the file");
    if (descriptor.Name == 0) return true;  // the all-zero entry ends the table
    const auto dllAt = image.OffsetOf(descriptor.Name);
    const auto dll = dllAt ? image.Name(*dllAt) : std::nullopt;
    if (!dll) return Refuse(why, "an imported DLL's name outside the file");
    std::vector<std::string>& functions = tables.imports[Lower(*dll)];
    const DWORD thunkRva = descriptor.OriginalFirstThunk != 0 ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
    const auto thunks = image.OffsetOf(thunkRva);
    if (!thunks) return Refuse(why, "the functions imported from " + *dll + " lie outside the file");
    for (uint64_t at = *thunks;; at += sizeof(Thunk)) {
      Thunk thunk = 0;
      if (!image.Read(at, thunk)) return Refuse(why, "an import list runs past the file");
      if (thunk == 0) break;
      if ((thunk & kOrdinalFlag) != 0) {
        functions.push_back("#" + std::to_string(thunk & 0xFFFF));
        continue;
      }
      const auto byName = image.OffsetOf(thunk);  // IMAGE_IMPORT_BY_NAME: a 2-byte hint, then the name
      const auto name = byName ? image.Name(*byName + 2) : std::nullopt;
      if (!name) return Refuse(why, "an imported function's name outside the file");
      functions.push_back(*name);
    }
  }
}

}  // namespace

std::optional<PeTables> ReadPeTables(const std::string& path, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refused(why, "cannot open " + path);
  Image image(std::vector<char>(std::istreambuf_iterator<char>(in), {}));

  IMAGE_DOS_HEADER dos{};
  NtHeaders nt{};
  if (!image.Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return Refused(why, "no DOS header");
  const uint64_t ntAt = static_cast<uint32_t>(dos.e_lfanew);
  if (!image.Read(ntAt, nt) || nt.Signature != IMAGE_NT_SIGNATURE) return Refused(why, "no PE header");
  if (nt.OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT)
    return Refused(why, "no import directory entry");
  const uint64_t sectionsAt = ntAt + offsetof(NtHeaders, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
  image.sections().resize(nt.FileHeader.NumberOfSections);
  for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i)
    if (!image.Read(sectionsAt + uint64_t{i} * sizeof(IMAGE_SECTION_HEADER), image.sections()[i]))
      return Refused(why, "section table outside the file");

  PeTables tables;
  if (!ReadExports(image, nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT], tables, why) ||
      !ReadImports(image, nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT], tables, why))
    return std::nullopt;
  return tables;
}

}  // namespace sqelto_test
