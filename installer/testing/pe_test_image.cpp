#include "pe_test_image.h"

#include <algorithm>

namespace kestrin::testing {

std::string PeImage(std::size_t size, std::uint32_t tableOffset, std::uint32_t tableSize) {
    std::string image(std::max<std::size_t>(size, 0x200), 'I');
    image.replace(0, 0x200, std::string(0x200, '\0'));
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = static_cast<char>(0x80);
    image.replace(0x80, 4, std::string("PE\0\0", 4));
    const std::size_t optional = 0x80 + 4 + 20;
    image[0x80 + 4 + 16] = static_cast<char>(240);  // SizeOfOptionalHeader
    image[optional] = 0x0B;                          // PE32+ magic 0x20B
    image[optional + 1] = 0x02;
    image[optional + 108] = 16;  // NumberOfRvaAndSizes
    auto put32 = [&image](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
    };
    put32(optional + 112 + 4 * 8, tableOffset);
    put32(optional + 112 + 4 * 8 + 4, tableSize);
    return image;
}

}  // namespace kestrin::testing
