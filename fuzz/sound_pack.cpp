// The sound pack lookup: any bytes either give an entry whose samples lie inside the file, or
// none.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "platform/sound.h"
#include "sound/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = WriteInput(TemporaryFolder(), "gk-fuzz.pak", data, size);
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    plat::WAVEFORMATEX format;
    uint32_t bytes = 0;
    const bool found = gkSound::FindPackEntry(f, "a.wav", &format, &bytes);
    if (found && static_cast<uint64_t>(std::ftell(f)) + bytes > size) std::abort();
    std::fclose(f);
    return 0;
}
