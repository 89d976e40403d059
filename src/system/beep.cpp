// The standard beep of the error report.
#include "platform/window.h"
#include "system/system.h"

namespace gkSound {

void Beep() {
    plat::MessageBeep();
}

}  // namespace gkSound
