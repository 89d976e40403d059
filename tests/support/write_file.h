// Writes a file of bytes for the tests that make their own input files.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace gktest {

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace gktest
