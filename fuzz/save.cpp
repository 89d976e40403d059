// Save files and the data-folder pointer file: the same bytes read as a saved number (from the
// executable's folder) and as a pointer file (from the system folder), then the path built on it.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "system/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string systemFolder = TemporaryFolder();
    setenv("GK_SYSTEM_DIR", systemFolder.c_str(), 1);
    gkSystem::SetDataFolder("gk-fuzz-missing-pointer");  // back to the executable's folder
    std::string save = WriteInput(gkSystem::GetPath(1), "gk-fuzz.sav", data, size);
    if (!save.empty()) {
        std::string name = save.substr(save.find_last_of('/') + 1);
        gkSystem::LoadValue(name.c_str());
        gkSystem::LoadMode(name.c_str());
        std::remove(save.c_str());
    }
    std::string pointer = WriteInput(systemFolder, "gk-fuzz.pointer", data, size);
    if (!pointer.empty()) {
        gkSystem::SetDataFolder(pointer.substr(pointer.find_last_of('/') + 1).c_str());
        gkSystem::GetPath(1);
        std::remove(pointer.c_str());
    }
    return 0;
}
