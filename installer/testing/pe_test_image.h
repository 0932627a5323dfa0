// A stand-in Windows executable for tests and benchmarks: the packer accepts
// only a PE file as its stub, and signed installers are told apart by the
// certificate table their PE header names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrin::testing {

// `size` bytes (at least 512) that read as a PE32+ executable: the headers,
// then filler. A non-zero table names a certificate table in the security
// directory.
std::string PeImage(std::size_t size, std::uint32_t tableOffset = 0, std::uint32_t tableSize = 0);

}  // namespace kestrin::testing
