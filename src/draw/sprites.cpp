// The sprite object table: 1024 slots, 0-3 internal, 4-1023 handed out lowest-free-first.
#include "draw/draw.h"

SpriteObject gkSprites[gk::kSpriteSlots];

namespace gkDraw {

void EmptySlot(int slot) {
    gkSprites[slot] = SpriteObject{};
}

}  // namespace gkDraw
