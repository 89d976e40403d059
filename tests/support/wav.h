// WAV files and sound pack entries for the sound tests, built chunk by chunk so that malformed
// files can be made too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/write_file.h"

namespace gktest {

using Bytes = std::vector<uint8_t>;

inline void PutLe(Bytes& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

template <typename T>
std::vector<T> Cat(std::vector<T> items, const std::vector<T>& more) {
    items.insert(items.end(), more.begin(), more.end());
    return items;
}

// One chunk: its identifier, its bytes, and the size its header states (its length by default).
struct Chunk {
    std::string id;
    Bytes data;
    int64_t statedSize = -1;
};

// A RIFF form of the chunks, each padded to an even length.
inline Bytes Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
    Bytes body(form, form + 4);
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        PutLe(body, static_cast<uint32_t>(c.statedSize < 0 ? c.data.size() : c.statedSize), 4);
        body = Cat(body, c.data);
        if (c.data.size() & 1) body.push_back(0);
    }
    Bytes file = {'R', 'I', 'F', 'F'};
    PutLe(file, static_cast<uint32_t>(body.size()), 4);
    return Cat(file, body);
}

// The 16 bytes of a "fmt " chunk.
inline Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes f;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutLe(f, tag, 2);
    PutLe(f, channels, 2);
    PutLe(f, rate, 4);
    PutLe(f, rate * align, 4);
    PutLe(f, align, 2);
    PutLe(f, bits, 2);
    return f;
}

// `frames` 16-bit frames of `channels` channels, every sample `value`.
inline Bytes Samples16(uint32_t frames, uint16_t channels, int16_t value) {
    Bytes d;
    for (uint32_t i = 0; i < frames * channels; ++i) PutLe(d, static_cast<uint16_t>(value), 2);
    return d;
}

// A plain PCM WAV file.
inline Bytes PcmWav(uint16_t channels, uint32_t rate, uint32_t frames, int16_t value = 1000) {
    return Riff(
        {{"fmt ", Fmt(1, channels, rate, 16)}, {"data", Samples16(frames, channels, value)}});
}

// The 18-byte PCM format record the WAV reader makes.
inline Bytes PcmRecord(uint16_t channels, uint32_t rate, uint16_t bits) {
    return Cat(Fmt(1, channels, rate, bits), {0, 0});
}

// A sound pack entry: Size, the name and its NUL, HeadSize, the format record, the samples.
inline Bytes PackEntry(const std::string& name, const Bytes& format, const Bytes& samples) {
    Bytes e;
    e.reserve(9 + name.size() + format.size() + samples.size());
    PutLe(e, static_cast<uint32_t>(samples.size()), 4);
    e.insert(e.end(), name.c_str(), name.c_str() + name.size() + 1);
    PutLe(e, static_cast<uint32_t>(format.size()), 4);
    return Cat(Cat(e, format), samples);
}

}  // namespace gktest
