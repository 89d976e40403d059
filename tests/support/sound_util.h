// Helpers for the sound tests: a fixture with an executable folder (where sounds are loaded from)
// of its own, the error reports shown, and captured 16-bit output as samples.
#pragma once

#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/window.h"
#include "sound/sound.h"
#include "support/fixture.h"
#include "system/system.h"

namespace gktest {

// The texts of the message boxes shown since the previous Take.
class Reports {
  public:
    std::vector<std::string> Take() {
        const auto& boxes = plat::headless::Boxes();
        std::vector<std::string> texts;
        for (size_t i = seen_; i < boxes.size(); ++i) texts.push_back(boxes[i].text);
        seen_ = boxes.size();
        return texts;
    }

  private:
    size_t seen_ = 0;
};

// Sound started in an executable folder of the test's own (`folder`, no trailing '/').
class SoundFolder : public Framework {
  protected:
    void SetUp() override {
        Framework::SetUp();
        char pattern[] = "/tmp/gksoundXXXXXX";
        folder = mkdtemp(pattern);
        plat::headless::SetExecutablePath(folder + "/gridkeep");
        ASSERT_EQ(gkSound::Init(), 1);
        gkSound::EmptyObjects();
    }
    void TearDown() override {
        Framework::TearDown();
        std::system(("rm -rf '" + folder + "'").c_str());
    }
    std::string folder;
    Reports reports;
};

inline std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

}  // namespace gktest
