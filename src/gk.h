// Everything a game includes: every module's operations and process-wide records.
#pragma once

#include "app/app.h"
#include "draw/draw.h"
#include "effects/effects.h"
#include "input/input.h"
#include "sound/sound.h"
#include "system/system.h"
#include "text/text.h"
