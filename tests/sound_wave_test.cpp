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

struct Read {
    int result;
    Bytes format;
    uint32_t formatSize;
    Bytes data;
    uint32_t dataSize;
};

Read ReadBytes(const Bytes& file) {
    const std::string path = ::testing::TempDir() + gktest::Unique("gk_wave_test.wav");
    gktest::WriteFile(path, file);
    uint8_t* format = reinterpret_cast<uint8_t*>(1);  // every output is set at entry
    uint8_t* data = reinterpret_cast<uint8_t*>(1);
    uint32_t formatSize = 77, dataSize = 77;
    Read r{gkSound::ReadWave(path.c_str(), &format, &formatSize, &data, &dataSize),
           {},
           formatSize,
           {},
           dataSize};
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

const Bytes kSamples = {1, 2, 3, 4, 5, 6};

using SoundWave = gktest::Framework;

TEST_F(SoundWave, PcmFormatRecordHasNoExtraBytes) {
    Read r = ReadBytes(Riff({{"fmt ", Fmt(1, 2, 22050, 16)}, {"data", kSamples}}));
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.formatSize, 18u);
    Bytes want = Fmt(1, 2, 22050, 16);
    want.insert(want.end(), {0, 0});
    EXPECT_EQ(std::tuple(r.format, r.data, r.dataSize), std::tuple(want, kSamples, 6u));
}

TEST_F(SoundWave, ChunksAreFoundInAnyOrderAndOthersSkipped) {
    Read before = ReadBytes(Riff({{"data", kSamples}, {"fmt ", Fmt(1, 1, 8000, 8)}}));
    ASSERT_EQ(before.result, 0);
    EXPECT_EQ(before.data, kSamples);
    EXPECT_EQ(before.format[4], 0x40);  // 8000 Hz
    // An odd-sized LIST chunk with its pad byte between the two.
    Read list = ReadBytes(
        Riff({{"fmt ", Fmt(1, 1, 8000, 8)}, {"LIST", {'I', 'N', 'F'}}, {"data", kSamples}}));
    ASSERT_EQ(list.result, 0);
    EXPECT_EQ(list.data, kSamples);
    // A longer "fmt " chunk than 16 bytes of PCM: the rest is ignored.
    Bytes longFmt = Fmt(1, 1, 8000, 8);
    longFmt.insert(longFmt.end(), {9, 9, 9, 9});
    Read longer = ReadBytes(Riff({{"fmt ", longFmt}, {"data", kSamples}}));
    ASSERT_EQ(longer.result, 0);
    EXPECT_EQ(std::tuple(longer.formatSize, longer.format[16]), std::tuple(18u, 0));
}

TEST_F(SoundWave, NonPcmFormatKeepsItsExtraBytes) {
    Bytes fmt = Fmt(2, 1, 22050, 4);
    fmt.insert(fmt.end(), {2, 0, 0xAB, 0xCD});
    Read r = ReadBytes(Riff({{"fmt ", fmt}, {"data", kSamples}}));
    ASSERT_EQ(r.result, 0);
    ASSERT_EQ(r.formatSize, 20u);
    EXPECT_EQ(r.format, fmt);
    // Extra bytes stated but not in the chunk, or no extra size at all.
    Bytes shortExtra = Fmt(2, 1, 22050, 4);
    shortExtra.insert(shortExtra.end(), {4, 0, 0xAB, 0xCD});
    EXPECT_EQ(ReadBytes(Riff({{"fmt ", shortExtra}, {"data", kSamples}})).result, 1);
    EXPECT_EQ(ReadBytes(Riff({{"fmt ", Fmt(2, 1, 22050, 4)}, {"data", kSamples}})).result, 1);
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
        {"header only", {'R', 'I', 'F', 'F'}},
        {"empty", {}},
    };
    for (const auto& [what, file] : files) EXPECT_EQ(ReadBytes(file).result, 1) << what;
}

TEST_F(SoundWave, MissingFileFailsEmptyDataReadsAsZeroBytes) {
    uint8_t *format, *data;
    uint32_t formatSize, dataSize;
    EXPECT_EQ(gkSound::ReadWave("/nonexistent/x.wav", &format, &formatSize, &data, &dataSize), 1);
    EXPECT_EQ(std::tuple(format, data), std::tuple(nullptr, nullptr));
    Read r = ReadBytes(Riff({{"fmt ", Fmt(1, 1, 8000, 8)}, {"data", {}}}));
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.dataSize, 0u);
}

}  // namespace
