// The MIDI structure check that guards the synthesiser: any bytes are accepted or refused.
#include <vector>

#include "platform/mci.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plat::ValidMidi(std::vector<uint8_t>(data, data + size));
    return 0;
}
