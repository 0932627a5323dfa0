#include "elf_image_check.h"

#include <elf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

namespace tavro::internal {
namespace {

#if UINTPTR_MAX == 0xFFFFFFFF
using ElfHeader = Elf32_Ehdr;
using ProgramHeader = Elf32_Phdr;
using SectionHeader = Elf32_Shdr;
using DynamicEntry = Elf32_Dyn;
constexpr unsigned char kOurClass = ELFCLASS32;
#else
using ElfHeader = Elf64_Ehdr;
using ProgramHeader = Elf64_Phdr;
using SectionHeader = Elf64_Shdr;
using DynamicEntry = Elf64_Dyn;
constexpr unsigned char kOurClass = ELFCLASS64;
#endif

#if defined(__x86_64__)
constexpr int kOurMachine = EM_X86_64;
#elif defined(__i386__)
constexpr int kOurMachine = EM_386;
#elif defined(__aarch64__)
constexpr int kOurMachine = EM_AARCH64;
#elif defined(__arm__)
constexpr int kOurMachine = EM_ARM;
#else
constexpr int kOurMachine = -1;  // not checked
#endif

// Real libraries have about a dozen segments and a few dozen sections.
constexpr unsigned kMostSegments = 128;
constexpr unsigned kMostSections = 4096;
// The loader reserves the whole span of the loadable segments at once.
constexpr uint64_t kLargestSpan = uint64_t{1} << 32;

using Problem = std::optional<std::string>;

// end = offset + size, false when it overflows or passes the file's end.
bool fitsInFile(uint64_t offset, uint64_t size, uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

bool isPowerOfTwoOrNone(uint64_t align) { return align <= 1 || (align & (align - 1)) == 0; }

bool readAt(std::ifstream& in, uint64_t offset, void* into, uint64_t size) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  return static_cast<bool>(in.read(static_cast<char*>(into), static_cast<std::streamsize>(size)));
}

struct Range {
  uint64_t start, end;  // [start, end)
  bool contains(uint64_t s, uint64_t e) const { return start <= s && s <= e && e <= end; }
};

// The loadable segment whose memory holds [vaddr, vaddr + size), if any.
const ProgramHeader* loadHolding(const std::vector<const ProgramHeader*>& loads, uint64_t vaddr, uint64_t size) {
  for (const ProgramHeader* load : loads)
    if (Range{load->p_vaddr, load->p_vaddr + load->p_memsz}.contains(vaddr, vaddr + size)) return load;
  return nullptr;
}

// Whether the loader, mapping `load`, puts file bytes [offset, offset + size)
// at [vaddr, vaddr + size).
bool mapsFileTo(const ProgramHeader& load, uint64_t offset, uint64_t vaddr, uint64_t size) {
  return vaddr >= load.p_vaddr && vaddr - load.p_vaddr <= load.p_filesz && size <= load.p_filesz - (vaddr - load.p_vaddr) &&
         offset == load.p_offset + (vaddr - load.p_vaddr);
}

Problem checkLoads(const std::vector<const ProgramHeader*>& loads, uint64_t fileSize, uint64_t pageSize) {
  if (loads.empty()) return "it has no loadable segment";
  uint64_t previousEnd = 0;
  for (const ProgramHeader* load : loads) {
    const ProgramHeader& s = *load;
    if (!fitsInFile(s.p_offset, s.p_filesz, fileSize))
      return "it is truncated: a loadable segment needs bytes up to " + std::to_string(uint64_t{s.p_offset} + s.p_filesz) +
             " but the file has " + std::to_string(fileSize);
    if (s.p_filesz > s.p_memsz) return "a loadable segment has more bytes in the file than in memory";
    if (!isPowerOfTwoOrNone(s.p_align) || s.p_align % pageSize != 0 ||
        s.p_offset % s.p_align != s.p_vaddr % s.p_align)
      return "a loadable segment's alignment is damaged";
    if ((s.p_flags & PF_R) == 0) return "a loadable segment cannot be read";
    if (s.p_vaddr + s.p_memsz < s.p_vaddr) return "a loadable segment's size is damaged";
    if (load != loads.front() && s.p_vaddr < previousEnd)
      return "its loadable segments overlap or are out of order";
    previousEnd = s.p_vaddr + s.p_memsz;
  }
  if (previousEnd - loads.front()->p_vaddr > kLargestSpan) return "its loadable segments span more than 4 GiB";
  return std::nullopt;
}

// A segment that describes part of what the loadable segments hold (the
// dynamic section, notes, the unwind table, the header table, the TLS
// template): the loader reads it in memory, so it must lie there, backed by
// the very file bytes it names.
Problem checkInsideLoad(const ProgramHeader& s, const std::vector<const ProgramHeader*>& loads, const char* what) {
  if (s.p_filesz > s.p_memsz || !isPowerOfTwoOrNone(s.p_align)) return std::string("its ") + what + " segment is damaged";
  const ProgramHeader* load = loadHolding(loads, s.p_vaddr, s.p_memsz);
  if (!load || !mapsFileTo(*load, s.p_offset, s.p_vaddr, s.p_filesz))
    return std::string("its ") + what + " segment lies outside what the loadable segments map";
  return std::nullopt;
}

struct Sections {
  std::vector<SectionHeader> headers;
  std::vector<char> names;
  std::string_view nameOf(const SectionHeader& s) const {
    if (s.sh_name >= names.size()) return {};
    const char* start = names.data() + s.sh_name;
    return std::string_view(start, strnlen(start, names.size() - s.sh_name));
  }
};

// The section table, when the file has one: it says where the linker put
// every part, which lets damaged segments be told from sound ones.
Problem readSections(std::ifstream& in, const ElfHeader& header, uint64_t fileSize, Sections& out) {
  if (header.e_shoff == 0 || header.e_shnum == 0) return std::nullopt;  // stripped of it: nothing to compare
  if (header.e_shentsize != sizeof(SectionHeader) || header.e_shnum > kMostSections ||
      !fitsInFile(header.e_shoff, uint64_t{header.e_shnum} * sizeof(SectionHeader), fileSize) ||
      header.e_shstrndx >= header.e_shnum)
    return "its section header table is damaged";
  out.headers.resize(header.e_shnum);
  if (!readAt(in, header.e_shoff, out.headers.data(), uint64_t{header.e_shnum} * sizeof(SectionHeader)))
    return "its section header table cannot be read";
  const SectionHeader& names = out.headers[header.e_shstrndx];
  if (names.sh_size > (uint64_t{1} << 24) || !fitsInFile(names.sh_offset, names.sh_size, fileSize))
    return "its section header table is damaged";
  out.names.resize(names.sh_size);
  if (!readAt(in, names.sh_offset, out.names.data(), names.sh_size)) return "its section names cannot be read";
  return std::nullopt;
}

// Sections whose place RELRO may make read-only after relocation.
bool isRelroSection(std::string_view name) {
  for (std::string_view relro : {".init_array", ".fini_array", ".preinit_array", ".dynamic", ".got", ".ctors",
                                 ".dtors", ".jcr", ".tdata", ".tbss"})
    if (name == relro) return true;
  return name.rfind(".data.rel.ro", 0) == 0 || name.rfind(".init_array.", 0) == 0 ||
         name.rfind(".fini_array.", 0) == 0;
}

// Every allocated section lies in a loadable segment that maps its file
// bytes to its address with the access it needs, and the segments the
// loader reads in memory say what their sections say.
Problem compareWithSections(const Sections& sections, const std::vector<const ProgramHeader*>& loads,
                            const std::vector<ProgramHeader>& segments, uint64_t pageSize) {
  if (sections.headers.empty()) return std::nullopt;
  uint64_t tlsStart = UINT64_MAX, tlsEnd = 0;
  for (const SectionHeader& s : sections.headers) {
    if ((s.sh_flags & SHF_ALLOC) == 0 || s.sh_size == 0) continue;
    const bool tls = (s.sh_flags & SHF_TLS) != 0;
    if (tls) {
      tlsStart = std::min<uint64_t>(tlsStart, s.sh_addr);
      tlsEnd = std::max<uint64_t>(tlsEnd, s.sh_addr + s.sh_size);
      if (s.sh_type == SHT_NOBITS) continue;  // .tbss takes no room in the image
    }
    const ProgramHeader* load = loadHolding(loads, s.sh_addr, s.sh_size);
    if (!load || (s.sh_type != SHT_NOBITS && !mapsFileTo(*load, s.sh_offset, s.sh_addr, s.sh_size)))
      return "its loadable segments do not map its " + std::string(sections.nameOf(s)) + " section";
    // The loader zero-fills only what lies past a segment's file bytes: a
    // .bss they reach would start with whatever the file holds there.
    if (s.sh_type == SHT_NOBITS && s.sh_addr < load->p_vaddr + load->p_filesz)
      return "its loadable segments map file bytes over its " + std::string(sections.nameOf(s)) + " section";
    if (((s.sh_flags & SHF_EXECINSTR) && !(load->p_flags & PF_X)) || ((s.sh_flags & SHF_WRITE) && !(load->p_flags & PF_W)))
      return "its " + std::string(sections.nameOf(s)) + " section lies in a segment without the access it needs";
  }
  for (const ProgramHeader& p : segments) {
    auto section = [&](uint32_t type) -> const SectionHeader* {
      for (const SectionHeader& s : sections.headers)
        if (s.sh_type == type && (s.sh_flags & SHF_ALLOC)) return &s;
      return nullptr;
    };
    if (p.p_type == PT_DYNAMIC) {
      const SectionHeader* d = section(SHT_DYNAMIC);
      if (!d || d->sh_addr != p.p_vaddr || d->sh_offset != p.p_offset || d->sh_size != p.p_filesz)
        return "its dynamic segment does not match its dynamic section";
    } else if (p.p_type == PT_TLS) {
      if (tlsStart != p.p_vaddr || tlsEnd - tlsStart != p.p_memsz)
        return "its thread-local segment does not match its thread-local sections";
    } else if (p.p_type == PT_GNU_RELRO) {
      // The loader makes whole pages read-only: none may hold data written later.
      const uint64_t start = p.p_vaddr & ~(pageSize - 1), end = (p.p_vaddr + p.p_memsz) & ~(pageSize - 1);
      for (const SectionHeader& s : sections.headers) {
        if (!(s.sh_flags & SHF_ALLOC) || !(s.sh_flags & SHF_WRITE) || !s.sh_size || s.sh_addr >= end ||
            s.sh_addr + s.sh_size <= start || isRelroSection(sections.nameOf(s)))
          continue;
        // The three words that open the lazily bound GOT are the loader's,
        // filled before the protection; the linker puts them inside.
        if (sections.nameOf(s) == ".got.plt" && end <= s.sh_addr + 3 * sizeof(void*)) continue;
        return "its read-only-after-relocation segment covers its " + std::string(sections.nameOf(s)) + " section";
      }
    }
  }
  if (tlsEnd != 0 && std::none_of(segments.begin(), segments.end(), [](const ProgramHeader& p) { return p.p_type == PT_TLS; }))
    return "its thread-local sections have no thread-local segment";
  return std::nullopt;
}

Problem checkHeader(const ElfHeader& header, uint64_t fileSize) {
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "it is not an ELF shared library";
  if (header.e_ident[EI_CLASS] != kOurClass)
    return kOurClass == ELFCLASS64 ? "it is a 32-bit library; this host is 64-bit"
                                   : "it is a 64-bit library; this host is 32-bit";
  const uint16_t probe = 1;
  const unsigned char ourData = *reinterpret_cast<const unsigned char*>(&probe) == 1 ? ELFDATA2LSB : ELFDATA2MSB;
  if (header.e_ident[EI_DATA] != ourData || header.e_ident[EI_VERSION] != EV_CURRENT ||
      header.e_version != EV_CURRENT || header.e_ehsize != sizeof(ElfHeader))
    return "its ELF header is damaged";
  if (header.e_type != ET_DYN) return "it is not a shared library (ELF type " + std::to_string(header.e_type) + ")";
  if (kOurMachine >= 0 && header.e_machine != kOurMachine)
    return "it is a library for another processor (ELF machine " + std::to_string(header.e_machine) + ")";
  if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum == 0 || header.e_phnum > kMostSegments ||
      header.e_phoff % alignof(ProgramHeader) != 0)
    return "its program header table is damaged";
  if (!fitsInFile(header.e_phoff, uint64_t{header.e_phnum} * header.e_phentsize, fileSize))
    return "it is truncated: its program header table ends past the file's " + std::to_string(fileSize) + " bytes";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> elfImageProblem(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;  // the loader reports a missing or unreadable file in its own words
  const auto end = in.tellg();
  if (end < 0) return "its size cannot be read";
  const auto fileSize = static_cast<uint64_t>(end);

  ElfHeader header{};
  if (fileSize < sizeof header || !readAt(in, 0, &header, sizeof header))
    return "it is too short to be a shared library (" + std::to_string(fileSize) + " bytes)";
  if (Problem p = checkHeader(header, fileSize)) return p;

  std::vector<ProgramHeader> segments(header.e_phnum);
  if (!readAt(in, header.e_phoff, segments.data(), uint64_t{header.e_phnum} * sizeof(ProgramHeader)))
    return "its program header table cannot be read";
  std::vector<const ProgramHeader*> loads;
  for (const ProgramHeader& s : segments)
    if (s.p_type == PT_LOAD) loads.push_back(&s);
  const uint64_t pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  if (Problem p = checkLoads(loads, fileSize, pageSize)) return p;

  int dynamics = 0, tls = 0, relro = 0, tables = 0;
  for (const ProgramHeader& s : segments) {
    Problem p;
    switch (s.p_type) {
      case PT_DYNAMIC:
        ++dynamics;
        p = checkInsideLoad(s, loads, "dynamic");
        if (!p && (s.p_filesz == 0 || s.p_filesz % sizeof(DynamicEntry) != 0)) p = "its dynamic segment is damaged";
        break;
      case PT_TLS:
        ++tls;
        p = checkInsideLoad(s, loads, "thread-local");
        if (!p && s.p_memsz > (uint64_t{1} << 24)) p = "its thread-local segment is larger than 16 MiB";
        break;
      case PT_PHDR:
        ++tables;
        p = checkInsideLoad(s, loads, "program header");
        if (!p && (s.p_offset != header.e_phoff || s.p_filesz != uint64_t{header.e_phnum} * sizeof(ProgramHeader)))
          p = "its program header segment does not describe its program header table";
        break;
      case PT_NOTE:
      case PT_GNU_PROPERTY: p = checkInsideLoad(s, loads, "note"); break;
      case PT_GNU_EH_FRAME: p = checkInsideLoad(s, loads, "unwind table"); break;
      case PT_GNU_RELRO:
        ++relro;
        if (!loadHolding(loads, s.p_vaddr, s.p_memsz)) p = "its read-only-after-relocation segment lies outside its data";
        break;
      case PT_GNU_STACK:
        if (s.p_flags & PF_X) p = "it asks for an executable stack";
        break;
      default: break;
    }
    if (p) return p;
  }
  if (dynamics != 1) return "it has " + std::to_string(dynamics) + " dynamic segments where a library has one";
  if (tls > 1 || relro > 1 || tables > 1) return "its program header table repeats a segment that comes once";

  Sections sections;
  if (Problem p = readSections(in, header, fileSize, sections)) return p;
  return compareWithSections(sections, loads, segments, pageSize);
}

}  // namespace tavro::internal
