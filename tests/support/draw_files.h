// Test support for the drawing tests: an executable folder of their own (a fresh temporary
// folder that GetPath answers) into which tests write small BMP files by relative name.
#pragma once

#include <cstdlib>

#include "app/app.h"
#include "platform/files.h"
#include "support/bmp.h"
#include "support/fixture.h"

namespace gktest {

class DrawFiles : public Framework {
  protected:
    void SetUp() override {
        folder = mkdtemp(std::string("/tmp/gkdrawXXXXXX").data());
        Restart();
    }
    // A clean start within one test, keeping the folder: the application state as WinMain
    // leaves it, windowed, 640 x 480.
    void Restart() {
        ResetFramework();
        plat::headless::SetExecutablePath(folder + "/gridkeep");
        gkApp.FullScreen = 0;
        gkApp.WindowWidth = 640;
        gkApp.WindowHeight = 480;
    }
    void TearDown() override {
        Framework::TearDown();
        std::system(("rm -rf '" + folder + "'").c_str());
    }
    // Writes a BMP next to the "executable" and returns the name to load it by.
    std::string Bmp(const std::string& name, int width, int height,
                    const std::vector<uint32_t>& colors, int bits = 24) {
        WriteFile(folder + "/" + name, EncodeBmp(width, height, bits, colors));
        return name;
    }
    std::string folder;
};

}  // namespace gktest
