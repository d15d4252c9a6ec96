#pragma once

#include <string>

// A true-colour Targa picture of the given size, the one format every build reads.
inline std::string TargaPicture(int width, int height) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    bytes += std::string(static_cast<std::size_t>(width * height * 3), '\x40');
    return bytes;
}
