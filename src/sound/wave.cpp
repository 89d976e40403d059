// The WAV reader: a RIFF WAVE file into its format record and its sample data. Chunks are found
// anywhere in the RIFF form ("data" may come before "fmt "), other chunks are skipped, odd
// chunk sizes have their pad byte. Sizes are checked against the file before anything is
// allocated, so a malformed file fails instead of reading past its end or asking for gigabytes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/files.h"
#include "sound/sound.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using Block = std::unique_ptr<uint8_t, FreeDeleter>;

uint32_t Le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool ReadAt(std::FILE* f, uint64_t offset, void* out, uint64_t bytes) {
    return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, bytes, f) == bytes;
}

struct Chunk {
    uint64_t start;  // first data byte
    uint32_t size;   // as the header states
};

// Looks for `id` among the chunks between `from` and `end`; false when it is not there.
bool FindChunk(std::FILE* f, uint64_t from, uint64_t end, const char* id, Chunk* chunk) {
    for (uint64_t at = from; at + 8 <= end;) {
        uint8_t header[8];
        if (!ReadAt(f, at, header, 8)) return false;
        const uint32_t size = Le32(header + 4);
        if (std::memcmp(header, id, 4) == 0) {
            *chunk = {at + 8, size};
            return true;
        }
        at += 8 + uint64_t{size} + (size & 1);
    }
    return false;
}

// Format record: the 16 bytes of the "fmt " chunk, the extra size (0 for PCM, else the chunk's
// next 16-bit value) and that many extra bytes, all inside the chunk.
Block ReadFormat(std::FILE* f, const Chunk& fmt, uint32_t* size) {
    if (fmt.size < 16) return nullptr;
    uint8_t head[18] = {};
    if (!ReadAt(f, fmt.start, head, 16)) return nullptr;
    const bool pcm = (head[0] | head[1] << 8) == 1;
    if (!pcm && (fmt.size < 18 || !ReadAt(f, fmt.start + 16, head + 16, 2))) return nullptr;
    const uint32_t extra = pcm ? 0 : (head[16] | head[17] << 8);
    if (!pcm && 18 + uint64_t{extra} > fmt.size) return nullptr;
    Block record(static_cast<uint8_t*>(std::malloc(18 + extra)));
    if (!record) return nullptr;
    std::memcpy(record.get(), head, 18);
    if (extra && std::fread(record.get() + 18, 1, extra, f) != extra) return nullptr;
    *size = 18 + extra;
    return record;
}

}  // namespace

int gkSound::ReadWave(const char* path, uint8_t** format, uint32_t* formatSize, uint8_t** data,
                      uint32_t* dataSize) {
    *format = nullptr;
    *data = nullptr;
    *formatSize = 0;
    *dataSize = 0;
    File f(plat::OpenFile(path, "rb"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) return 1;
    const long fileSize = std::ftell(f.get());
    uint8_t riff[12];
    if (fileSize < 12 || !ReadAt(f.get(), 0, riff, 12)) return 1;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return 1;
    const uint64_t formEnd = std::min<uint64_t>(8 + uint64_t{Le32(riff + 4)}, fileSize);

    Chunk fmt, samples;
    if (!FindChunk(f.get(), 12, formEnd, "fmt ", &fmt)) return 1;
    Block record = ReadFormat(f.get(), fmt, formatSize);
    if (!record) return 1;
    // The data search starts again from the first chunk.
    if (!FindChunk(f.get(), 12, formEnd, "data", &samples)) return 1;
    if (samples.start + samples.size > static_cast<uint64_t>(fileSize)) return 1;  // truncated
    Block bytes(static_cast<uint8_t*>(std::malloc(samples.size ? samples.size : 1)));
    if (!bytes || !ReadAt(f.get(), samples.start, bytes.get(), samples.size)) return 1;

    *format = record.release();
    *data = bytes.release();
    *dataSize = samples.size;
    return 0;
}
