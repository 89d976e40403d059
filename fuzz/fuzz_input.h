// Fuzz targets hand their input to readers that take file names: the bytes are written to a file
// of this process's own, replaced on every run.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Writes the input to `folder`/`name`.<pid> and returns that path ("" if it cannot be written).
inline std::string WriteInput(const std::string& folder, const char* name, const uint8_t* data,
                              size_t size) {
    std::string path = folder + "/" + name + "." + std::to_string(getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return "";
    bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    return written ? path : "";
}

inline std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}
