// BMP loading: any bytes either load as an image or are refused, without reading past the file.
#include "fuzz/fuzz_input.h"
#include "platform/display.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = WriteInput(TemporaryFolder(), "gk-fuzz.bmp", data, size);
    if (!path.empty()) plat::LoadBitmapFile(path.c_str());
    return 0;
}
