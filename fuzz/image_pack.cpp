// The image pack scan and load: any bytes either load an entry (pixels the file lacks read as
// 0) or end in an error report, never reading past the file or allocating beyond its sizes.
#include "app/app.h"
#include "draw/draw.h"
#include "fuzz/fuzz_input.h"
#include "platform/backend.h"
#include "platform/files.h"
#include "platform/window.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = TemporaryFolder();
    static const bool ready = [] {
        plat::UseBackend(plat::Backend::Headless);
        plat::headless::SetExecutablePath(folder + "/gridkeep");
        gkApp.FullScreen = 0;
        return gkDraw::Screen(16, 16, 0) == 1;
    }();
    if (!ready) std::abort();
    const std::string path = WriteInput(folder, "gk-fuzz.pak", data, size);
    if (path.empty()) return 0;
    gkDraw::SetPackFile(path.substr(folder.size() + 1).c_str());  // relative to the executable
    if (int slot = gkDraw::LoadPack("a.bmp", 2)) gkDraw::ReleaseObject(slot);
    plat::headless::ResetWindow();  // drops the run's error reports
    return 0;
}
