// The WAV reader: chunk order, skipped chunks, format records with extra bytes, and malformed
// files (truncated, oversized, short or missing chunks), which fail without leaking or reading
// past the file.
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

#include "sound/sound.h"
#include "support/fixture.h"
#include "support/sound_util.h"
#include "support/wav.h"

namespace {

using gktest::Bytes;
using gktest::Chunk;
using gktest::Fmt;
using gktest::Riff;

// What ReadWave gives for a file of these bytes: its result, the format record and the data.
struct Read {
    int result;
    Bytes format, data;
};

Read ReadBytes(const Bytes& file) {
    const std::string path = ::testing::TempDir() + gktest::Unique("gk_wave_test.wav");
    gktest::WriteFile(path, file);
    uint8_t* format = reinterpret_cast<uint8_t*>(1);  // every output is set at entry
    uint8_t* data = reinterpret_cast<uint8_t*>(1);
    uint32_t formatSize = 77, dataSize = 77;
    Read r{gkSound::ReadWave(path.c_str(), &format, &formatSize, &data, &dataSize), {}, {}};
    if (r.result == 0) {
        r.format.assign(format, format + formatSize);
        r.data.assign(data, data + dataSize);
    } else {
        EXPECT_EQ(std::tuple(format, data, dataSize), std::tuple(nullptr, nullptr, 0u));
    }
    std::free(format);
    std::free(data);
    std::remove(path.c_str());
    return r;
}

Bytes Plus(Bytes bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

const Bytes kSamples = {1, 2, 3, 4, 5, 6};

using SoundWave = gktest::Framework;

TEST_F(SoundWave, ChunksInAnyOrderOthersSkippedFormatRecordsWithTheirExtraBytes) {
    const Bytes pcm = Fmt(1, 2, 22050, 16), adpcm = Plus(Fmt(2, 1, 22050, 4), {2, 0, 0xAB, 0xCD});
    // The format record as read: PCM gets a zero extra size, whatever the chunk holds past 16
    // bytes; other formats keep their extra bytes.
    const std::pair<std::vector<Chunk>, Bytes> files[] = {
        {{{"fmt ", pcm}, {"data", kSamples}}, Plus(pcm, {0, 0})},
        {{{"data", kSamples}, {"fmt ", pcm}}, Plus(pcm, {0, 0})},
        {{{"fmt ", pcm}, {"LIST", {'I', 'N', 'F'}}, {"data", kSamples}}, Plus(pcm, {0, 0})},
        {{{"fmt ", Plus(pcm, {9, 9, 9, 9})}, {"data", kSamples}}, Plus(pcm, {0, 0})},
        {{{"fmt ", adpcm}, {"data", kSamples}}, adpcm},
    };
    for (const auto& [chunks, format] : files) {
        const Read r = ReadBytes(Riff(chunks));
        ASSERT_EQ(r.result, 0);
        EXPECT_EQ(r.format, format);
        EXPECT_EQ(r.data, kSamples);
    }
    const Read empty = ReadBytes(Riff({{"fmt ", pcm}, {"data", {}}}));
    EXPECT_EQ(std::tuple(empty.result, empty.data.size()), std::tuple(0, size_t(0)));
}

TEST_F(SoundWave, MalformedFilesFail) {
    const Chunk fmt{"fmt ", Fmt(1, 1, 8000, 8)}, data{"data", kSamples};
    Bytes truncated = Riff({fmt, data});
    truncated.resize(truncated.size() - 2);
    Bytes rifx = Riff({fmt, data});
    rifx[3] = 'X';
    Bytes fmt14 = fmt.data;
    fmt14.resize(14);
    Bytes cutFmt = Riff({fmt});
    cutFmt.resize(cutFmt.size() - 6);
    const Bytes adpcm = Fmt(2, 1, 22050, 4);
    const std::pair<const char*, Bytes> files[] = {
        {"truncated inside the data", truncated},
        // Refused before anything is allocated.
        {"data size far past the end", Riff({fmt, {"data", kSamples, 0xFFFFFFF0}})},
        {"chunk size hiding the rest", Riff({{"JUNK", {1, 2}, 0x7FFFFFFF}, fmt, data})},
        {"not a WAVE form", Riff({fmt, data}, "AVI ")},
        {"not RIFF", rifx},
        {"no fmt", Riff({data})},
        {"no data", Riff({fmt})},
        {"short fmt", Riff({{"fmt ", fmt14}, data})},
        {"fmt past the end", cutFmt},
        {"extra bytes stated, not there", Riff({{"fmt ", Plus(adpcm, {4, 0, 0xAB, 0xCD})}, data})},
        {"no extra size", Riff({{"fmt ", adpcm}, data})},
        {"header only", {'R', 'I', 'F', 'F'}},
        {"empty", {}},
    };
    for (const auto& [what, file] : files) EXPECT_EQ(ReadBytes(file).result, 1) << what;
    uint8_t *format, *samples;
    uint32_t formatSize, dataSize;
    EXPECT_EQ(gkSound::ReadWave("/nonexistent/x.wav", &format, &formatSize, &samples, &dataSize),
              1);
    EXPECT_EQ(std::tuple(format, samples), std::tuple(nullptr, nullptr));
}

}  // namespace
