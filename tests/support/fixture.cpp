// Clean start for each test: one reset call per module.
#include "support/fixture.h"

#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/sound.h"

namespace gktest {

void ResetFramework() {
    plat::UseBackend(plat::Backend::Headless);
    plat::headless::SetTime(0);
    plat::sound::headless::Reset();
    plat::headless::ResetDisplay();
}

}  // namespace gktest
