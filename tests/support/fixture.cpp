// Clean start for each test: one reset call per module.
#include "support/fixture.h"

#include "gk.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/joystick.h"
#include "platform/mci.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "text/text.h"

namespace gktest {

void ResetFramework() {
    plat::UseBackend(plat::Backend::Headless);
    gkDraw::FreeFonts();  // a font selection open on a sprite goes before the display
    gkDraw::Release();
    gkScreen = gkScreenState{};
    gkEffectTables = {};
    gkWipe = gkWipeState{};
    gkFilters = gkFilterState{};
    gkTunnel = gkTunnelMap{};
    for (SpriteObject& s : gkSprites) s = SpriteObject{};
    gkDraw::SetDefaultColorKey(0);
    gkDraw::ClearPackFile();
    plat::headless::SetTime(0);
    plat::headless::ResetMci();  // before the sound output it holds is reset
    plat::headless::ResetJoysticks();
    gkSound::Release();
    gkSound::EmptyObjects();
    gkSoundStatus = {};
    plat::sound::headless::Reset();
    plat::headless::SetInstalledFaces({});
    plat::headless::ResetDisplay();
    plat::headless::ResetFiles();
    gkSystem::SetGameHooks({});
    gkSystem::SetGameTitle(nullptr);
    gkSystem::Reset();
    gkSystem::Init();
    plat::headless::ResetWindow();
    gkSystem::SetDataFolder("");
    gkPresent = gkPresentState{};
    gkSound::InitMidi();
    gkSystem::JoyInit();
    gkPutAnimation = gkPutAnimationState{};
}

}  // namespace gktest
