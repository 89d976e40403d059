// The WAV reader: any bytes either give a format record and data or are refused.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = WriteInput(TemporaryFolder(), "gk-fuzz.wav", data, size);
    if (path.empty()) return 0;
    uint8_t *format = nullptr, *samples = nullptr;
    uint32_t formatSize = 0, dataSize = 0;
    gkSound::ReadWave(path.c_str(), &format, &formatSize, &samples, &dataSize);
    std::free(format);
    std::free(samples);
    return 0;
}
