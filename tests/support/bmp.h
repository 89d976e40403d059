// Writes small BMP files for tests: any of 1, 4, 8, 16 (5-5-5), 24 and 32 bits, bottom-up or
// top-down, from GDI colours (0x00BBGGRR), top row first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/write_file.h"

namespace gktest {

inline void PutLE(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

inline std::vector<uint8_t> EncodeBmp(int width, int height, int bits,
                                      const std::vector<uint32_t>& colors, bool topDown = false) {
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        for (uint32_t c : colors)
            if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);
        palette.resize(1u << bits, 0);
    }
    const int rowBytes = (width * bits + 31) / 32 * 4;
    const uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
    std::vector<uint8_t> b{'B', 'M'};
    PutLE(b, offset + rowBytes * height, 4);
    PutLE(b, 0, 4);
    PutLE(b, offset, 4);
    PutLE(b, 40, 4);
    PutLE(b, width, 4);
    PutLE(b, topDown ? -height : height, 4);
    PutLE(b, 1, 2);
    PutLE(b, bits, 2);
    for (uint32_t v : {0u, static_cast<uint32_t>(rowBytes * height), 0u, 0u, 0u, 0u})
        PutLE(b, v, 4);
    for (uint32_t c : palette) PutLE(b, (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF), 4);
    for (int i = 0; i < height; ++i) {
        int y = topDown ? i : height - 1 - i;
        std::vector<uint8_t> row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            uint32_t c = colors[y * width + x];
            uint32_t r = c & 0xFF, g = c >> 8 & 0xFF, bl = c >> 16 & 0xFF;
            if (bits <= 8) {
                uint32_t index = std::find(palette.begin(), palette.end(), c) - palette.begin();
                int bit = x * bits;
                row[bit / 8] |= index << (8 - bits - bit % 8);
            } else if (bits == 16) {
                uint32_t p = (r >> 3) << 10 | (g >> 3) << 5 | (bl >> 3);
                row[x * 2] = p & 0xFF;
                row[x * 2 + 1] = p >> 8;
            } else {
                int n = bits / 8;
                row[x * n] = bl;
                row[x * n + 1] = g;
                row[x * n + 2] = r;
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

}  // namespace gktest
