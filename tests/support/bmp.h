// Writes small BMP files for tests: any of 1, 4, 8, 16 (5-5-5), 24 and 32 bits, bottom-up or
// top-down, from GDI colours (0x00BBGGRR), top row first.
#pragma once

#include <algorithm>

#include "support/write_file.h"

namespace gktest {

inline void PutLE(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

inline std::vector<uint8_t> EncodeBmp(int width, int height, int bits,
                                      const std::vector<uint32_t>& colors, bool topDown = false) {
    std::vector<uint32_t> palette;
    for (uint32_t c : colors)
        if (bits <= 8 && std::find(palette.begin(), palette.end(), c) == palette.end())
            palette.push_back(c);
    palette.resize(bits <= 8 ? 1u << bits : 0, 0);
    const uint32_t rowBytes = (width * bits + 31) / 32 * 4, offset = 54 + 4 * palette.size();
    std::vector<uint8_t> b{'B', 'M'};
    for (uint32_t v : {offset + rowBytes * height, 0u, offset, 40u, uint32_t(width),
                       uint32_t(topDown ? -height : height), 1u | bits << 16, 0u, rowBytes * height,
                       0u, 0u, 0u, 0u})
        PutLE(b, v, 4);
    // The palette and 24/32-bit pixels store blue, green, red; 16-bit pixels 5 bits of each.
    auto bgr = [](uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); };
    auto x555 = [](uint32_t c) { return (c & 0xF8) << 7 | (c >> 6 & 0x3E0) | (c >> 19 & 0x1F); };
    for (uint32_t c : palette) PutLE(b, bgr(c), 4);
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        std::vector<uint8_t> row(rowBytes);
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colors[y * width + x];
            const uint32_t v = bits <= 8
                                   ? std::find(palette.begin(), palette.end(), c) - palette.begin()
                               : bits == 16 ? x555(c)
                                            : bgr(c);
            // Little-endian bytes; below 8 bits, the leftmost pixel in the highest bits.
            for (int k = 0; k < (bits + 7) / 8; ++k)
                row[x * bits / 8 + k] |= bits < 8 ? v << (8 - bits - x * bits % 8) : v >> 8 * k;
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

}  // namespace gktest
